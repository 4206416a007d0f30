// The file list and the batch: Add, Remove, Clear, Browse, ViewLog, Auto
// shutdown, Stamp and Stop, and the window's side of the batch thread.
#include <filesystem>
#include <memory>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/gauge.h>
#include <wx/listbox.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/textctrl.h>

#include "app/batch/batch_runner.h"
#include "app/batch/dialog_batch_host.h"
#include "app/control_ids.h"
#include "app/dialogs/utc_note.h"
#include "app/log/log_window.h"
#include "app/main_dialog.h"
#include "app/settings/settings_file.h"
#include "app/ui/listed_files.h"
#include "app/ui/seams.h"
#include "app/ui/text.h"
#include "engine/job/run_stamp_job.h"
#include "engine/pipeline/thread_state_setters.h"
#include "platform/text/utf.h"
#include "platform/threads/worker_thread.h"

namespace wuvo {

namespace {

constexpr wxStringCharType kHevcFilter[] = wxS("HEVC Files (*.mp4;*.mov)|*.mp4;*.mov;*.MP4;*.MOV");
constexpr wxStringCharType kCaptionInformation[] = wxS("Information");
constexpr wxStringCharType kCaptionWarning[] = wxS("Warning");
constexpr wxStringCharType kCaptionError[] = wxS("Error");
// How often the batch looks whether its warning has been read.
constexpr uint32_t kWarningPollMs = 50;

// The engine's reports, from its threads.
void BatchJobCallback(uint32_t kind, void* a, void* b, float percent)
{
    switch (kind) {
    case kJobProgress: static_cast<CWuvoDlg*>(a)->ReportProgress(percent); break;
    case kJobMessage: static_cast<CWuvoLog*>(a)->AddLine(static_cast<const char16_t*>(b)); break;
    case kJobFailed: StopPipelineThreads(); break;
    default: break;
    }
}

}  // namespace

DialogBatchHost::DialogBatchHost(CWuvoDlg& dialog) : dialog_(dialog) {}

void DialogBatchHost::SelectFile(int32_t index)
{
    dialog_.CallAfter([this, index] { dialog_.c_.fileList->SetSelection(index); });
}

void DialogBatchHost::AddLogLine(std::u16string line)
{
    dialog_.Log().AddLine(std::move(line));
}

// The report must not come before the warning is read, so the batch waits
// for it; a stop, also the close's, ends the wait, and a batch left to shut
// the computer down is not held by it.
void DialogBatchHost::Warn(std::u16string text)
{
    auto read = std::make_shared<std::atomic<bool>>(false);
    dialog_.CallAfter([this, text, read] {
        if (!dialog_.closing_)
            ShowMessage(&dialog_, ToWx(text), kCaptionWarning, MessageIcon::Warning);
        *read = true;
    });
    while (!*read && dialog_.batchState_ != kBatchStopping && !AutoShutdown())
        platform::SleepMs(kWarningPollMs);
}

void DialogBatchHost::SaveLogFile()
{
    dialog_.SaveLogFile();
}

bool DialogBatchHost::AutoShutdown() const
{
    return dialog_.AutoShutdownChecked();
}

void DialogBatchHost::ShutdownSystem()
{
    Seams().powerOff();
}

void DialogBatchHost::Finish(const BatchReport& report)
{
    dialog_.CallAfter([this, report] { dialog_.FinishBatch(report); });
}

void CWuvoDlg::BindBatchEvents()
{
    batchHost_ = std::make_unique<DialogBatchHost>(*this);
    runJob_ = RunStampJob;
    BindCommand(wxEVT_BUTTON, kIdAdd, &CWuvoDlg::OnBnClickedAdd);
    BindCommand(wxEVT_BUTTON, kIdRemove, &CWuvoDlg::OnBnClickedRemove);
    BindCommand(wxEVT_BUTTON, kIdClear, &CWuvoDlg::OnBnClickedClear);
    BindCommand(wxEVT_BUTTON, kIdBrowse, &CWuvoDlg::OnBnClickedBrowse);
    BindCommand(wxEVT_BUTTON, kIdViewLog, &CWuvoDlg::OnBnClickedViewLog);
    BindCommand(wxEVT_BUTTON, kIdStamp, &CWuvoDlg::OnBnClickedStamp);
    BindCommand(wxEVT_BUTTON, kIdStop, &CWuvoDlg::OnBnClickedStop);
    BindCommand(wxEVT_CHECKBOX, kIdAutoShutdown, &CWuvoDlg::OnBnClickedAutoShutdown);
}

void CWuvoDlg::SetJobRunner(std::function<uint32_t(StampJob&)> runJob)
{
    runJob_ = std::move(runJob);
}

void CWuvoDlg::OnBnClickedAdd()
{
    FileDialogRequest request;
    request.title = wxS("Select Files to Stamp");
    request.filter = kHevcFilter;
    request.defaultExtension = wxS("mp4");
    request.multiple = true;
    request.startPath = PathOfField(gSettings.lastInputPath);
    std::vector<std::string> chosen = Seams().chooseFiles(this, request);
    if (!chosen.empty()) {
        gSettings.lastInputPath[0] = 0;
        SettingsModified = true;
        int first = static_cast<int>(c_.fileList->GetCount());
        for (const std::string& file : chosen) {
            std::u16string path = platform::ToUtf16(file);
            AppendListedFile(*c_.fileList, path);
            // A path too long for the field is not remembered; it is never cut.
            if (gSettings.lastInputPath[0] == 0)
                platform::CopyToField(gSettings.lastInputPath, kPathChars, path);
        }
        UpdateListExtent();
        c_.fileList->SetSelection(first);
        LoadPreviewFile();
    }
    if (!gSettings.hideUtcNote) {
        CWuvoaboutUTC note(this);
        if (note.ShowModal() == wxID_OK)
            SettingsModified = true;
    }
}

void CWuvoDlg::OnBnClickedRemove()
{
    int count = static_cast<int>(c_.fileList->GetCount());
    int selected = c_.fileList->GetSelection();
    if (count > 0 && selected != wxNOT_FOUND) {
        c_.fileList->Delete(static_cast<unsigned int>(selected));
        if (count > 1)
            c_.fileList->SetSelection(selected < count - 1 ? selected : selected - 1);
    }
    UpdateListExtent();
    Control(kIdPreviewPicture)->Refresh(false);
    LoadPreviewFile();
}

void CWuvoDlg::OnBnClickedClear()
{
    if (c_.fileList->IsEmpty() ||
        ShowMessage(this, wxS("Clear all files?"), kCaptionWarning, MessageIcon::Warning, MessageButtons::YesNo) !=
            MessageAnswer::Yes)
        return;
    c_.fileList->Clear();
    UpdateListExtent();
    Control(kIdPreviewPicture)->Refresh(false);
    LoadPreviewFile();
}

void CWuvoDlg::OnBnClickedBrowse()
{
    std::string folder = Seams().chooseFolder(this, wxS("Select Output Folder"), platform::ToUtf8(OutputFolder));
    if (folder.empty())
        return;
    std::u16string chosen = platform::ToUtf16(folder);
    // The settings file could not keep it, so the next start would have none.
    if (chosen.size() >= kFolderFieldChars) {
        ShowMessage(this,
                    wxString::Format(wxS("Output folder path is too long: at most %zu characters can be kept. "
                                         "Please select a different Output Folder."),
                                     kFolderFieldChars - 1),
                    kCaptionError, MessageIcon::Error);
        return;
    }
    OutputFolder = std::move(chosen);
    UpdateListExtent();
}

void CWuvoDlg::OnBnClickedViewLog()
{
    log_->Show();
    log_->Raise();
}

void CWuvoDlg::OnBnClickedAutoShutdown()
{
    SetModified();
}

void CWuvoDlg::UpdateListExtent()
{
    // GTK sizes the list's horizontal scroll range to its widest entry itself.
    UpdateData(false);
    Refresh();
}

void CWuvoDlg::EnableListButtons(bool enable)
{
    EnableIds({kIdAdd, kIdRemove, kIdClear, kIdBrowse}, enable);
}

void CWuvoDlg::EnableControls(bool running)
{
    gSettings.idle = running ? 0 : 1;
    EnableListButtons(!running);
    EnablePreviewControls(!running);
    EnableDateStampControls(!running);
    EnableTimeStampControls(!running);
    EnableProjectMenu(!running);
    Control(kIdStamp)->Enable(!running);
    Control(kIdStop)->Enable(running);
    KeepKeyboardFocus();
}

// A disabled control loses the keyboard, and with nothing focused Esc never
// reaches the window: a control that can act takes it.
void CWuvoDlg::KeepKeyboardFocus()
{
    wxWindow* focused = FindFocus();
    if (focused != nullptr && focused->IsEnabled() && wxGetTopLevelParent(focused) == this)
        return;
    for (int id : {kIdStamp, kIdStop, kIdViewLog}) {
        if (Control(id)->IsEnabled()) {
            Control(id)->SetFocus();
            return;
        }
    }
}

void CWuvoDlg::OnBnClickedStamp()
{
    if (batchState_ != kBatchIdle)
        return;
    if (c_.fileList->IsEmpty()) {
        ShowMessage(this, wxS("No file to stamp."), kCaptionInformation, MessageIcon::None);
        return;
    }
    if (OutputFolder.empty()) {
        ShowMessage(this, wxS("Please select a valid output folder."), kCaptionError, MessageIcon::Error);
        return;
    }
    std::error_code error;
    if (!std::filesystem::is_directory(platform::ToUtf8(OutputFolder), error)) {
        ShowMessage(this, wxS("Output folder does not exist."), kCaptionError, MessageIcon::Error);
        return;
    }
    savedSelection_ = c_.fileList->GetSelection();
    StopPreview();
    SetPreviewOpenState(0);
    SetParseState(0);
    SetDecodeState(0);
    SetStampState(0);
    SetEncoderState(0);
    EnableControls(true);

    batchParams_ = std::make_unique<BatchThreadParams>();
    batchParams_->host = batchHost_.get();
    for (unsigned int i = 0; i < c_.fileList->GetCount(); ++i)
        batchParams_->files.push_back(ListedFile(*c_.fileList, i));
    batchParams_->outputFolder = OutputFolder;
    batchParams_->batchState = &batchState_;
    batchParams_->progressBar = this;
    batchParams_->percentField = this;
    batchParams_->logWindow = log_;
    batchParams_->callback = BatchJobCallback;
    batchParams_->runJob = runJob_;
    shownProgress_ = -1;
    batchState_ = kBatchStamping;
    batchThread_.Join();
    if (!batchThread_.Start([params = batchParams_.get()] { return BatchThreadProc(*params); })) {
        ShowMessage(this, wxS("CreateThread failed."), kCaptionError, MessageIcon::Error);
        EnableControls(false);
        batchState_ = kBatchIdle;
    }
}

void CWuvoDlg::OnBnClickedStop()
{
    if (batchState_ != kBatchStamping || !batchParams_)
        return;
    Control(kIdStop)->Disable();
    KeepKeyboardFocus();
    // The stop is recorded before the stop thread runs, so the batch cannot
    // start another file after it.
    batchState_ = kBatchStopping;
    stopThread_.Join();
    if (!stopThread_.Start([params = batchParams_.get()] { return StopThreadProc(*params); }))
        ShowMessage(this, wxS("CreateThread failed."), kCaptionError, MessageIcon::Error);
    UpdateListExtent();
}

void CWuvoDlg::StopBatch()
{
    if (batchParams_ && batchThread_.Started()) {
        if (batchState_ != kBatchIdle)
            batchState_ = kBatchStopping;
        StopThreadProc(*batchParams_);
        batchThread_.Join();
    }
    stopThread_.Join();
}

void CWuvoDlg::FinishBatch(const BatchReport& report)
{
    // A batch stopped by closing the window is not reported to it; one that
    // ends while the user is asked about the close is reported once he stays.
    if (closing_)
        return;
    if (askingToClose_) {
        pendingReport_ = report;
        return;
    }
    batchThread_.Join();
    stopThread_.Join();
    EnableControls(false);
    if (savedSelection_ != wxNOT_FOUND && savedSelection_ < static_cast<int32_t>(c_.fileList->GetCount()))
        c_.fileList->SetSelection(savedSelection_);
    // A file clicked during the batch, or the one the batch ended on, gives
    // way to the highlighted one.
    LoadPreviewFile();
    ShowBatchReport(report);
    batchState_ = kBatchIdle;
}

void CWuvoDlg::ShowBatchReport(const BatchReport& report)
{
    if (report.stopped) {
        ShowMessage(this, wxS("File stamp interrupted!"), kCaptionWarning, MessageIcon::Warning);
    } else if (report.succeeded == report.files) {
        ShowMessage(this, wxS("All files stamped successfully!"), kCaptionInformation, MessageIcon::Information);
    } else {
        ShowMessage(this,
                    wxString::Format(wxS("%d out of %d files stamped successfully, view log for detail."),
                                     report.succeeded, report.files),
                    kCaptionInformation, MessageIcon::Information);
    }
}

void CWuvoDlg::ReportProgress(float percent)
{
    int32_t perMille = ProgressBarPosition(percent);
    if (shownProgress_.exchange(perMille) == perMille)
        return;
    CallAfter([this, percent, perMille] {
        c_.progress->SetValue(perMille);
        c_.percent->ChangeValue(ToWx(PercentText(percent)));
    });
}

}  // namespace wuvo
