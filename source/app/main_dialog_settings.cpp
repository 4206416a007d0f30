// The main window's side of the settings: the record, the files that carry
// it, and the exchange between the record, the members and the controls.
#include <cinttypes>
#include <cstdio>

#include <wx/checkbox.h>
#include <wx/ctrlsub.h>
#include <wx/panel.h>
#include <wx/slider.h>
#include <wx/textctrl.h>

#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "app/preview/preview_geometry.h"
#include "app/settings/settings_file.h"
#include "app/ui/number_text.h"
#include "app/ui/seams.h"
#include "app/ui/text.h"

namespace wuvo {

namespace {

// The preview's view at its first size, without and with scroll bars.
constexpr uint32_t kFitViewWidth = 640;
constexpr uint32_t kFitViewHeight = 360;
constexpr uint32_t kActualViewWidth = 625;
constexpr uint32_t kActualViewHeight = 345;
constexpr wxStringCharType kNotUnsigned[] = wxS("Please enter a positive integer.");

}  // namespace

int CWuvoDlg::ReadSettingsFile(const std::string& path)
{
    return wuvo::ReadSettingsFile(path) ? 1 : 0;
}

int CWuvoDlg::WriteSettingsFile(const std::string& path)
{
    return wuvo::WriteSettingsFile(path) ? 1 : 0;
}

void CWuvoDlg::ResetSettings()
{
    wuvo::ResetSettings(gSettings);
}

void CWuvoDlg::StorePanelSettings()
{
    gSettings.dateStamp.enabled = dateOn_;
    gSettings.dateStamp.formatIndex = dateFormatIndex_;
    gSettings.dateStamp.x = static_cast<int32_t>(dateX_);
    gSettings.dateStamp.y = static_cast<int32_t>(dateY_);
    gSettings.timeStamp.enabled = timeOn_;
    gSettings.timeStamp.formatIndex = timeFormatIndex_;
    gSettings.timeStamp.x = static_cast<int32_t>(timeX_);
    gSettings.timeStamp.y = static_cast<int32_t>(timeY_);
}

void CWuvoDlg::ApplySettings(const char16_t* projectName)
{
    dateOn_ = gSettings.dateStamp.enabled;
    dateFormatIndex_ = gSettings.dateStamp.formatIndex;
    dateX_ = static_cast<uint32_t>(gSettings.dateStamp.x);
    dateY_ = static_cast<uint32_t>(gSettings.dateStamp.y);
    timeOn_ = gSettings.timeStamp.enabled;
    timeFormatIndex_ = gSettings.timeStamp.formatIndex;
    timeX_ = static_cast<uint32_t>(gSettings.timeStamp.x);
    timeY_ = static_cast<uint32_t>(gSettings.timeStamp.y);
    StopRepeat();
    if (!fileSelected_) {
        frameWidth_ = kNoFileFrameWidth;
        frameHeight_ = kNoFileFrameHeight;
        bool actualSize = gSettings.viewMode == kViewActualSize;
        viewWidth_ = actualSize ? kActualViewWidth : kFitViewWidth;
        viewHeight_ = actualSize ? kActualViewHeight : kFitViewHeight;
        autoShutdown_ = 0;
        savedSelection_ = -1;
        batchState_ = 0;
    }
    currentFrame_ = 0;
    frameCount_ = kNoFileFrameCount;
    gSettings.idle = 1;
    SetTitleFor(projectName);
}

void CWuvoDlg::SetTitleFor(const char16_t* projectName)
{
    if (GetHandle() == nullptr)
        return;
    if (projectName != nullptr && projectName[0] != 0)
        SetTitle(wxString(kProgramTitle) + wxS(" - ") + ToWx(projectName));
    else
        SetTitle(kProgramTitle);
}

bool CWuvoDlg::UpdateData(bool save)
{
    bool done = true;
    auto exchangeNumber = [&](wxTextCtrl* edit, uint32_t& member) {
        if (!done)
            return;
        if (!save) {
            edit->ChangeValue(wxString::Format("%" PRIu32, member));
        } else if (std::optional<uint32_t> read = ParseUnsignedText(PathOf(edit->GetValue()))) {
            member = *read;
        } else {
            refusedEdit_ = edit;
            RefuseEdit(this, edit, kNotUnsigned);
            done = false;
        }
    };
    // A refused number ends the exchange there, as the dialog's exchange does.
    auto exchangeCheck = [&](wxCheckBox* check, uint32_t& member) {
        if (!done)
            return;
        if (save)
            member = check->GetValue() ? 1 : 0;
        else
            check->SetValue(member != 0);
    };
    auto exchangeIndex = [&](wxItemContainer* list, uint32_t& member) {
        // An empty or unselected list keeps the member as it is.
        if (!done)
            return;
        if (save && list->GetSelection() != wxNOT_FOUND)
            member = static_cast<uint32_t>(list->GetSelection());
        else if (!save && member < list->GetCount())
            list->SetSelection(static_cast<int>(member));
    };
    if (save)
        currentFrame_ = static_cast<uint32_t>(c_.slider->GetValue());
    else
        c_.slider->SetValue(static_cast<int>(currentFrame_));
    exchangeCheck(c_.dateOn, dateOn_);
    exchangeIndex(c_.dateFormat, dateFormatIndex_);
    exchangeNumber(c_.dateX, dateX_);
    exchangeNumber(c_.dateY, dateY_);
    exchangeCheck(c_.timeOn, timeOn_);
    exchangeNumber(c_.timeX, timeX_);
    exchangeNumber(c_.timeY, timeY_);
    exchangeIndex(c_.timeFormat, timeFormatIndex_);
    if (done && !save)
        c_.outputFolder->ChangeValue(ToWx(OutputFolder));
    exchangeCheck(c_.autoShutdown, autoShutdown_);
    autoShutdownChecked_ = autoShutdown_ != 0;
    StorePanelSettings();
    if (save && done)
        refusedEdit_ = nullptr;
    return done;
}

void CWuvoDlg::SetModified()
{
    SettingsModified = true;
    UpdateData(true);
}

}  // namespace wuvo
