// The main window's construction, start-up and close.
#include <algorithm>

#include <wx/checkbox.h>
#include <wx/gauge.h>
#include <wx/listbox.h>
#include <wx/menu.h>
#include <wx/odcombo.h>
#include <wx/scrolwin.h>
#include <wx/slider.h>
#include <wx/textctrl.h>
#include <wx/utils.h>
#include <wx/xrc/xmlres.h>

#include "app/batch/dialog_batch_host.h"
#include "app/control_ids.h"
#include "app/log/log_window.h"
#include "app/main_dialog.h"
#include "app/preview/preview_geometry.h"
#include "app/settings/settings_file.h"
#include "app/settings/settings_paths.h"
#include "app/ui/seams.h"
#include "app/ui/text.h"
#include "engine/media/media_input.h"
#include "engine/pipeline/shared_objects.h"
#include "engine/pipeline/thread_state.h"
#include "platform/threads/worker_thread.h"

namespace wuvo {

namespace {

constexpr char kProgramIcon[] = "159";
constexpr int kProgressRange = 1000;
constexpr wxStringCharType kNoProgress[] = wxS("0.0%");
// The close path looks at a stopping thread this often.
constexpr uint32_t kCloseWaitMs = 500;

constexpr wxStringCharType kHevcMissing[] =
    wxS("Wuvo requires FFmpeg's HEVC video decoder and the libx265 HEVC encoder to run. You have to install them "
        "on your computer. On Debian, install the packages libavcodec59 and libx265-199 "
        "(sudo apt install libavcodec59 libx265-199).");

// Raises the abort flag of a running pipeline thread and waits until it has
// left its work; the flag stays raised, as the thread is not restarted.
void StopForClose(ThreadState& state)
{
    {
        std::lock_guard lock(state.lock);
        if (IsRunning(state))
            RequestAbort(state);
    }
    while (IsRunning(state))
        platform::SleepMs(kCloseWaitMs);
}

}  // namespace

CWuvoDlg::CWuvoDlg()
{
    ResetSettings();
    previewLoaded_ = 0;
    fileSelected_ = 0;
    ApplySettings(nullptr);
    gSettings.projectPath[0] = 0;
}

CWuvoDlg::~CWuvoDlg() = default;

bool CWuvoDlg::Create()
{
    if (!LoadTemplates())
        return false;
    OnInitDialog();
    return true;
}

bool CWuvoDlg::LoadTemplates()
{
    wxXmlResource& resources = *wxXmlResource::Get();
    if (!wxFrame::Create(nullptr, wxID_ANY, kProgramTitle, wxDefaultPosition, wxDefaultSize,
                         wxDEFAULT_FRAME_STYLE))
        return false;
    wxMenuBar* menu = resources.LoadMenuBar(this, kMainMenuTemplate);
    c_.page = dynamic_cast<wxScrolledWindow*>(resources.LoadObject(this, kMainDialogTemplate, "wxScrolledWindow"));
    if (menu == nullptr || c_.page == nullptr)
        return false;
    SetMenuBar(menu);
    c_.slider = static_cast<wxSlider*>(Control(kIdPreviewSlider));
    c_.dateOn = static_cast<wxCheckBox*>(Control(kIdDateStamp));
    c_.dateFormat = dynamic_cast<wxItemContainer*>(Control(kIdDateFormat));
    c_.dateX = static_cast<wxTextCtrl*>(Control(kIdDateX));
    c_.dateY = static_cast<wxTextCtrl*>(Control(kIdDateY));
    c_.timeOn = static_cast<wxCheckBox*>(Control(kIdTimeStamp));
    c_.timeFormat = dynamic_cast<wxItemContainer*>(Control(kIdTimeFormat));
    c_.timeX = static_cast<wxTextCtrl*>(Control(kIdTimeX));
    c_.timeY = static_cast<wxTextCtrl*>(Control(kIdTimeY));
    c_.fileList = static_cast<wxListBox*>(Control(kIdFileList));
    c_.outputFolder = static_cast<wxTextCtrl*>(Control(kIdOutputFolder));
    c_.progress = static_cast<wxGauge*>(Control(kIdProgress));
    c_.percent = static_cast<wxTextCtrl*>(Control(kIdPercent));
    c_.autoShutdown = static_cast<wxCheckBox*>(Control(kIdAutoShutdown));
    LayOutForText();
    return true;
}

wxWindow* CWuvoDlg::Control(int id) const
{
    return c_.page->FindWindow(id);
}

void CWuvoDlg::OnInitDialog()
{
    ReadStartupSettings();
    UpdateData(false);
    FillDateFormatCombo();
    SetIcon(wxXmlResource::Get()->LoadIcon(kProgramIcon));
    c_.progress->SetRange(kProgressRange);
    c_.progress->SetValue(0);
    c_.percent->ChangeValue(kNoProgress);
    EnableDatePanel(dateOn_ != 0);
    EnableTimePanel(timeOn_ != 0);
    Control(kIdStop)->Disable();
    GetMenuBar()->Enable(kCmdSave, false);
    ShowRecentProjects();
    SetViewCheckMarks();
    SettingsModified = false;
    log_ = new CWuvoLog(this);
    log_->Create();
    InitPreview();
    BindCloseEvents();
    BindBatchEvents();
    BindPanelEvents();
    BindProjectEvents();
    BindViewEvents();
    WarnWhenHevcMissing();
}

// Settings are read from the user's data folder, else from the temporary
// folder, and always written back to the user's data folder: the system
// clears the temporary folder, and the settings with it. Every user may
// write the temporary folder, so only a file of the user's own is taken
// from there.
void CWuvoDlg::ReadStartupSettings()
{
    std::string home = PathInFolder(LocalAppDataFolder(), kSettingsFileName);
    std::string ownTemp = PathInFolder(UserTempFolder(), kSettingsFileName);
    std::string temp = PathInFolder(TempFolder(), kSettingsFileName);
    if (wuvo::ReadSettingsFile(home) || wuvo::ReadSettingsFile(ownTemp, SettingsFrom::OwnFile) ||
        wuvo::ReadSettingsFile(temp, SettingsFrom::OwnFile))
        ApplySettings(gSettings.projectPath);
}

void CWuvoDlg::SetViewCheckMarks()
{
    bool actualSize = gSettings.viewMode == kViewActualSize;
    GetMenuBar()->Check(kCmdViewActualSize, actualSize);
    GetMenuBar()->Check(kCmdViewFit, !actualSize);
}

void CWuvoDlg::WarnWhenHevcMissing()
{
    if (!IsHevcCodecAvailable())
        ShowMessage(this, kHevcMissing, wxS("Warning"), MessageIcon::Warning);
}

void CWuvoDlg::BindCommand(const wxEventTypeTag<wxCommandEvent>& type, int id, void (CWuvoDlg::*handler)())
{
    Bind(type, [this, handler](wxCommandEvent&) { (this->*handler)(); }, id);
}

void CWuvoDlg::BindCloseEvents()
{
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
        if (!event.CanVeto()) {
            // The session is ending: no questions, nothing unsaved left behind.
            PrepareToClose();
            FinishClose();
        } else if (!OnCancel()) {
            event.Veto();
        }
    });
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { OnCancel(); }, kCmdExit);
    // A menu opened with the mouse leaves the keys to the window: its Esc
    // only closes the menu.
    Bind(wxEVT_MENU_OPEN, [this](wxMenuEvent& event) {
        ++openMenus_;
        event.Skip();
    });
    Bind(wxEVT_MENU_CLOSE, [this](wxMenuEvent& event) {
        openMenus_ = std::max(openMenus_ - 1, 0);
        event.Skip();
    });
    // Keys reach the window only through a control that holds the keyboard,
    // and the window may come back to the front with none holding it (after
    // the help window's search, say): Esc must still find the close path.
    c_.page->Bind(wxEVT_CHILD_FOCUS, [this](wxChildFocusEvent& event) {
        lastFocused_ = event.GetWindow();
        event.Skip();
    });
    Bind(wxEVT_ACTIVATE, [this](wxActivateEvent& event) {
        event.Skip();
        if (event.GetActive())
            CallAfter([this] { RegainKeyboardFocus(); });
    });
    Bind(wxEVT_CHAR_HOOK, &CWuvoDlg::OnDialogKey, this);
}

// Keys of the windows this one owns (the help window, an open format list)
// pass through it too, and are theirs alone. Without a window manager the
// display may still send this window the keys meant for a shown window that
// holds the toolkit's focus.
bool CWuvoDlg::IsOwnKey(wxWindow* origin) const
{
    if (origin != nullptr && wxGetTopLevelParent(origin) != this)
        return false;
    wxWindow* focused = FindFocus();
    wxWindow* focusedTop = focused != nullptr ? wxGetTopLevelParent(focused) : nullptr;
    return focusedTop == nullptr || focusedTop == this || !focusedTop->IsShown();
}

// A frame has no dialog keys: Esc runs the close path, Enter does nothing.
void CWuvoDlg::OnDialogKey(wxKeyEvent& event)
{
    auto* origin = dynamic_cast<wxWindow*>(event.GetEventObject());
    if (!IsOwnKey(origin) || event.HasAnyModifiers()) {
        event.Skip();
        return;
    }
    const int key = event.GetKeyCode();
    if (key == WXK_ESCAPE && openMenus_ == 0) {
        OnCancel();
        return;
    }
    // The toolkit would tick a check box on Enter: one stray key would arm
    // Auto shutdown.
    const bool enter = key == WXK_RETURN || key == WXK_NUMPAD_ENTER;
    if (!enter || dynamic_cast<wxCheckBox*>(origin) == nullptr)
        event.Skip();
}

// The control that last held the keyboard takes it back, or one that can
// act when that one cannot.
void CWuvoDlg::RegainKeyboardFocus()
{
    wxWindow* focused = FindFocus();
    if (!IsActive() || (focused != nullptr && wxGetTopLevelParent(focused) == this))
        return;
    wxWindow* last = lastFocused_;
    if (last != nullptr && last->IsEnabled() && last->IsShownOnScreen())
        last->SetFocus();
    KeepKeyboardFocus();
}

// The settings are written before any question, so also when the user then
// stays; a running batch goes on while he is asked, and stops only when he
// confirms.
bool CWuvoDlg::OnCancel()
{
    if (askingToClose_)
        return false;
    WriteSettingsForClose();
    if (!AskToClose())
        return false;
    {
        wxBusyCursor wait;
        StopThreadsForClose();
    }
    FinishClose();
    return true;
}

// A second signal finds the end under way. A dialog that goes may end the
// close path it was part of, and with it the window.
void CWuvoDlg::EndForSignal()
{
    if (closing_ || endingForSignal_)
        return;
    endingForSignal_ = true;
    modalDialogs_.CancelAll([this] {
        if (!closing_)
            Close(true);
    });
}

void CWuvoDlg::PrepareToClose()
{
    StopThreadsForClose();
    WriteSettingsForClose();
}

void CWuvoDlg::WriteSettingsForClose()
{
    StorePanelSettings();
    settingsFilePath_ = PathInFolder(WritableDataFolder(), kSettingsFileName);
    WriteSettingsFile(settingsFilePath_);
}

// True when the window is to close; from then on the batch's report is not
// shown.
bool CWuvoDlg::AskToClose()
{
    askingToClose_ = true;
    closing_ = AskToCloseAndSave();
    askingToClose_ = false;
    if (!closing_ && pendingReport_) {
        BatchReport report = *pendingReport_;
        pendingReport_.reset();
        FinishBatch(report);
    }
    return closing_;
}

// Every thread that uses the window or the shared objects has ended before
// the window goes, and the shared objects after it. A paint during the
// questions may have asked the preview for a frame again.
void CWuvoDlg::FinishClose()
{
    StopPreview();
    SaveLogFile();
    closing_ = true;
    Destroy();
}

// A running batch is stopped as Stop stops it: otherwise it would start its
// next file as soon as the current one is stopped, and the close would wait
// for that one to the end.
void CWuvoDlg::StopThreadsForClose()
{
    StopBatch();
    // The preview's threads use the shared objects too, and post to the window.
    StopPreview();
    for (ThreadState* state : {gParseThreadState, gDecodeState, gStampState, gEncodeState})
        StopForClose(*state);
}

// The exit questions; false when the window stays open.
bool CWuvoDlg::AskToCloseAndSave()
{
    if (!SettingsModified)
        return ShowMessage(this, wxS("Exit Wuvo?"), wxS("Warning"), MessageIcon::Warning,
                           MessageButtons::OkCancel) == MessageAnswer::Ok;
    switch (ShowMessage(this, wxS("Save changes before exiting?"), wxS("Warning"), MessageIcon::Warning,
                        MessageButtons::YesNoCancel)) {
    case MessageAnswer::No: return true;
    case MessageAnswer::Yes:
        // A project that could not be written keeps the window open, so
        // nothing is lost; a Save As the user cancels still closes.
        if (gSettings.projectPath[0] != 0)
            return WriteProject(PathOfField(gSettings.projectPath));
        return SaveProjectAs() != SaveOutcome::Failed;
    default: return false;
    }
}

void CWuvoDlg::SaveLogFile()
{
    std::string folder = WritableDataFolder();
    if (!folder.empty())
        log_->WriteToFile(PathInFolder(folder, kLogFileName));
}

}  // namespace wuvo
