// The date and time stamp panels, and the repeat of their nudge buttons and
// of the preview's step buttons.
#include <cstring>

#include <wx/button.h>
#include <wx/utils.h>
#include <wx/window.h>

#include "app/control_ids.h"
#include "app/dialogs/custom_format_dialog.h"
#include "app/dialogs/duration_dialog.h"
#include "app/dialogs/font_attributes_dialog.h"
#include "app/main_dialog.h"
#include "app/panels/stamp_position.h"
#include "app/settings/settings_file.h"
#include "app/ui/repeat_button.h"
#include "app/ui/text.h"
#include "engine/text/format_tables.h"

namespace wuvo {

namespace {

constexpr int kRepeatButtons[] = {kIdDateUp,       kIdDateDown,       kIdDateLeft,   kIdDateRight,
                                  kIdTimeUp,       kIdTimeDown,       kIdTimeLeft,   kIdTimeRight,
                                  kIdStepForward1, kIdStepForward10,  kIdStepForward100,
                                  kIdStepBack1,    kIdStepBack10,     kIdStepBack100};

}  // namespace

void CWuvoDlg::BindPanelEvents()
{
    BindCommand(wxEVT_CHECKBOX, kIdDateStamp, &CWuvoDlg::OnBnClickedDateStamp);
    BindCommand(wxEVT_CHECKBOX, kIdTimeStamp, &CWuvoDlg::OnBnClickedTimeStamp);
    BindCommand(wxEVT_COMBOBOX, kIdDateFormat, &CWuvoDlg::OnCbnSelchangeDateFormat);
    BindCommand(wxEVT_COMBOBOX, kIdTimeFormat, &CWuvoDlg::OnCbnSelchangeTimeFormat);
    BindCommand(wxEVT_BUTTON, kIdDateUp, &CWuvoDlg::OnBnClickedDateUp);
    BindCommand(wxEVT_BUTTON, kIdDateDown, &CWuvoDlg::OnBnClickedDateDown);
    BindCommand(wxEVT_BUTTON, kIdDateLeft, &CWuvoDlg::OnBnClickedDateLeft);
    BindCommand(wxEVT_BUTTON, kIdDateRight, &CWuvoDlg::OnBnClickedDateRight);
    BindCommand(wxEVT_BUTTON, kIdTimeUp, &CWuvoDlg::OnBnClickedTimeUp);
    BindCommand(wxEVT_BUTTON, kIdTimeDown, &CWuvoDlg::OnBnClickedTimeDown);
    BindCommand(wxEVT_BUTTON, kIdTimeLeft, &CWuvoDlg::OnBnClickedTimeLeft);
    BindCommand(wxEVT_BUTTON, kIdTimeRight, &CWuvoDlg::OnBnClickedTimeRight);
    BindCommand(wxEVT_BUTTON, kIdDateFont, &CWuvoDlg::OnBnClickedDateFont);
    BindCommand(wxEVT_BUTTON, kIdTimeFont, &CWuvoDlg::OnBnClickedTimeFont);
    BindCommand(wxEVT_BUTTON, kIdDateDuration, &CWuvoDlg::OnBnClickedDateDuration);
    BindCommand(wxEVT_BUTTON, kIdTimeDuration, &CWuvoDlg::OnBnClickedTimeDuration);
    auto onLeave = [this](int id, void (CWuvoDlg::*handler)()) {
        // Run once the focus has settled, so that a prompt the exchange may
        // show cannot take the focus from the edit while it is being left.
        Control(id)->Bind(wxEVT_KILL_FOCUS, [this, handler](wxFocusEvent& event) {
            event.Skip();
            CallAfter([this, handler] {
                if (!RefusalUnderWay())
                    (this->*handler)();
            });
        });
    };
    onLeave(kIdDateX, &CWuvoDlg::OnEnKillfocusDateX);
    onLeave(kIdDateY, &CWuvoDlg::OnEnKillfocusDateY);
    onLeave(kIdTimeX, &CWuvoDlg::OnEnKillfocusTimeX);
    onLeave(kIdTimeY, &CWuvoDlg::OnEnKillfocusTimeY);
    for (int id : kRepeatButtons)
        CWuvoButton::Attach(*static_cast<wxButton*>(Control(id)), *this);
    repeatTimer_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { OnTimer(); });
}

// A refused number's prompt, and the focus it then gives back to its edit,
// take the keyboard from other edits: those losses check nothing again while
// the focus is away from the window or back in the refused edit.
bool CWuvoDlg::RefusalUnderWay() const
{
    if (refusedEdit_ == nullptr)
        return false;
    wxWindow* focused = FindFocus();
    return focused == nullptr || focused == refusedEdit_ || wxGetTopLevelParent(focused) != this;
}

void CWuvoDlg::EnableIds(std::initializer_list<int> ids, bool enable)
{
    for (int id : ids)
        Control(id)->Enable(enable);
}

void CWuvoDlg::EnableDatePanel(bool enable)
{
    EnableIds({kIdDateFormat, kIdDateX, kIdDateY, kIdDateUp, kIdDateDown, kIdDateLeft, kIdDateRight, kIdDateFont,
               kIdDateDuration},
              enable);
}

void CWuvoDlg::EnableTimePanel(bool enable)
{
    EnableIds({kIdTimeFormat, kIdTimeX, kIdTimeY, kIdTimeUp, kIdTimeDown, kIdTimeLeft, kIdTimeRight, kIdTimeFont,
               kIdTimeDuration},
              enable);
}

void CWuvoDlg::EnableDateStampControls(int enable)
{
    EnableDatePanel(enable != 0 && dateOn_ == 1);
    Control(kIdDateStamp)->Enable(enable != 0);
}

void CWuvoDlg::EnableTimeStampControls(int enable)
{
    EnableTimePanel(enable != 0 && timeOn_ == 1);
    Control(kIdTimeStamp)->Enable(enable != 0);
}

void CWuvoDlg::OnStampCheck(bool date)
{
    SetModified();
    if (date)
        EnableDatePanel(dateOn_ != 0);
    else
        EnableTimePanel(timeOn_ != 0);
    RefreshPreview();
}

void CWuvoDlg::OnBnClickedDateStamp()
{
    OnStampCheck(true);
}

void CWuvoDlg::OnBnClickedTimeStamp()
{
    OnStampCheck(false);
}

// The custom entry opens the custom format; whatever the user does there,
// the stamp then shows a date or a time as its format says.
void CWuvoDlg::OnFormatSelected(StampStyle& style, uint32_t index, char16_t* customSlot)
{
    if (index == kCustomFormat) {
        std::memcpy(style.format, customSlot, sizeof style.format);
        CWuvoFormat dialog(this);
        if (dialog.Create(&style) && dialog.ShowModal() == wxID_OK) {
            SettingsModified = true;
            std::memcpy(customSlot, style.format, sizeof style.format);
        }
        FollowCustomSlot(style, customSlot);
    }
    RefreshPreview();
}

void CWuvoDlg::OnCbnSelchangeDateFormat()
{
    SetModified();
    OnFormatSelected(gSettings.dateStamp, dateFormatIndex_,
                     DateFormatTable[DateFormatGroup(gSettings.language) * kDateFormatsPerGroup]);
}

void CWuvoDlg::OnCbnSelchangeTimeFormat()
{
    SetModified();
    OnFormatSelected(gSettings.timeStamp, timeFormatIndex_, TimeFormatTable[kCustomFormat]);
}

void CWuvoDlg::Nudge(uint32_t& value, bool towardsZero, uint32_t limit, uint32_t step)
{
    SetModified();
    uint32_t nudged = towardsZero ? NudgedTowardsZero(value, step) : NudgedTowardsLimit(value, step, limit);
    if (nudged != value) {
        value = nudged;
        UpdateData(false);
    }
    RefreshPreview();
}

void CWuvoDlg::OnBnClickedDateUp()
{
    Nudge(dateY_, true, 0, stepY_);
}

void CWuvoDlg::OnBnClickedDateDown()
{
    Nudge(dateY_, false, PositionLimitsFor(frameWidth_, frameHeight_).maxY, stepY_);
}

void CWuvoDlg::OnBnClickedDateLeft()
{
    Nudge(dateX_, true, 0, stepX_);
}

void CWuvoDlg::OnBnClickedDateRight()
{
    Nudge(dateX_, false, PositionLimitsFor(frameWidth_, frameHeight_).maxX, stepX_);
}

void CWuvoDlg::OnBnClickedTimeUp()
{
    Nudge(timeY_, true, 0, stepY_);
}

void CWuvoDlg::OnBnClickedTimeDown()
{
    Nudge(timeY_, false, PositionLimitsFor(frameWidth_, frameHeight_).maxY, stepY_);
}

void CWuvoDlg::OnBnClickedTimeLeft()
{
    Nudge(timeX_, true, 0, stepX_);
}

void CWuvoDlg::OnBnClickedTimeRight()
{
    Nudge(timeX_, false, PositionLimitsFor(frameWidth_, frameHeight_).maxX, stepX_);
}

void CWuvoDlg::ClampPosition(uint32_t& value, bool horizontal)
{
    SetModified();
    PositionLimits limits = PositionLimitsFor(frameWidth_, frameHeight_);
    uint32_t limit = horizontal ? limits.maxX : limits.maxY;
    if (value > limit) {
        value = limit;
        UpdateData(false);
    }
    RefreshPreview();
}

void CWuvoDlg::OnEnKillfocusDateX()
{
    ClampPosition(dateX_, true);
}

void CWuvoDlg::OnEnKillfocusDateY()
{
    ClampPosition(dateY_, false);
}

void CWuvoDlg::OnEnKillfocusTimeX()
{
    ClampPosition(timeX_, true);
}

void CWuvoDlg::OnEnKillfocusTimeY()
{
    ClampPosition(timeY_, false);
}

void CWuvoDlg::RunStampDialog(StampStyle& style, bool font)
{
    bool accepted = false;
    if (font) {
        CWuvoBrightness dialog(this);
        accepted = dialog.Create(&style) && dialog.ShowModal() == wxID_OK;
    } else {
        CWuvoDuration dialog(this);
        accepted = dialog.Create(&style) && dialog.ShowModal() == wxID_OK;
    }
    if (!accepted)
        return;
    SetModified();
    // The duration does not change what the preview shows.
    if (font)
        RefreshPreview();
}

void CWuvoDlg::OnBnClickedDateFont()
{
    RunStampDialog(gSettings.dateStamp, true);
}

void CWuvoDlg::OnBnClickedTimeFont()
{
    RunStampDialog(gSettings.timeStamp, true);
}

void CWuvoDlg::OnBnClickedDateDuration()
{
    RunStampDialog(gSettings.dateStamp, false);
}

void CWuvoDlg::OnBnClickedTimeDuration()
{
    RunStampDialog(gSettings.timeStamp, false);
}

void CWuvoDlg::DispatchRepeatButton(int id)
{
    if (!UpdateData(true))
        return;
    wxWindow* button = Control(id);
    wxCommandEvent click(wxEVT_BUTTON, id);
    click.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(click);
}

// The press's pointer grab sends the release to the button wherever the
// mouse is let go; each tick also looks whether it still is held.
void CWuvoDlg::OnRepeatButtonDown(wxButton& button)
{
    StopRepeat();
    DispatchRepeatButton(button.GetId());
    repeatButton_ = &button;
    repeatTimerId_ = button.GetId();
    repeatTicks_ = 0;
    repeatTimer_.Start(static_cast<int>(kRepeatPeriodMs));
}

void CWuvoDlg::OnTimer()
{
    // A release that went elsewhere (a message box took the mouse), or a
    // button disabled under the held mouse (a batch starts), ends the repeat.
    if (repeatButton_ == nullptr || !repeatButton_->IsEnabled() || !repeatButton_->IsShownOnScreen() ||
        !wxGetMouseState().LeftIsDown()) {
        StopRepeat();
        return;
    }
    DispatchRepeatButton(repeatTimerId_);
    if (repeatTicks_ < static_cast<int32_t>(kRepeatSteps.size())) {
        stepX_ = stepY_ = kRepeatSteps[static_cast<size_t>(repeatTicks_)];
        ++repeatTicks_;
    }
}

void CWuvoDlg::StopRepeat()
{
    repeatTimer_.Stop();
    repeatButton_ = nullptr;
    repeatTimerId_ = 0;
    repeatTicks_ = 0;
    stepX_ = stepY_ = 1;
}

}  // namespace wuvo
