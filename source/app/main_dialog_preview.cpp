// The preview's loading and frame driver: which file is wanted, opening it,
// asking the driver for frames and taking its results, the status line.
#include <algorithm>
#include <mutex>

#include <wx/listbox.h>
#include <wx/panel.h>
#include <wx/scrolwin.h>
#include <wx/scrolbar.h>
#include <wx/slider.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "app/preview/frame_status.h"
#include "app/preview/preview_load.h"
#include "app/ui/listed_files.h"
#include "app/ui/seams.h"
#include "app/ui/text.h"
#include "engine/pipeline/shared_objects.h"
#include "engine/pipeline/thread_state_setters.h"
#include "engine/settings/app_settings.h"

namespace wuvo {

namespace {

// The scroll bars before a frame gives them their ranges.
constexpr int kInitialScrollRange = 100;
constexpr int kInitialScrollPage = 25;

uint32_t PoolFrameCount()
{
    std::lock_guard guard(gFramePool->lock);
    return gFramePool->frameCount;
}

// The list's first selected item, else its first item, made the current one;
// -1 when the list is empty.
int ChooseListedFile(wxListBox& list)
{
    if (list.IsEmpty())
        return -1;
    int chosen = list.GetSelection();
    if (chosen == wxNOT_FOUND) {
        chosen = 0;
        list.SetSelection(chosen);
    }
    return chosen;
}

}  // namespace

void CWuvoDlg::InitPreview()
{
    currentFrame_ = 0;
    openFile_.clear();
    wantedFile_ = openFile_;
    previewRefresh_ = 0;
    frameCount_ = kNoFileFrameCount;
    picture_ = static_cast<wxPanel*>(Control(kIdPreviewPicture));
    // The picture only shows: Tab passes it by, as it could show no focus.
    picture_->SetCanFocus(false);
    vScrollBar_ = static_cast<wxScrollBar*>(Control(kIdPreviewVScroll));
    hScrollBar_ = static_cast<wxScrollBar*>(Control(kIdPreviewHScroll));
    previewStatus_ = static_cast<wxTextCtrl*>(Control(kIdPreviewStatus));
    c_.slider->SetRange(0, kNoFileFrameCount);
    UpdateFrameStatus();
    for (wxScrollBar* bar : {vScrollBar_, hScrollBar_}) {
        bar->SetScrollbar(0, kInitialScrollPage, kInitialScrollRange, kInitialScrollPage);
        bar->Hide();
    }
    vScrollPos_ = hScrollPos_ = sourceX_ = sourceY_ = 0;
    vBarShown_ = hBarShown_ = false;
    // The hint stands on the empty area in the window's own colours.
    Control(kIdPreviewPlaceholder)->SetBackgroundColour(c_.page->GetBackgroundColour());
    // Results are queued on the window, so one that arrives while it is
    // being destroyed is dropped with it.
    previewDriver_ = std::make_unique<PreviewDriver>(
        PreviewLoadProc, [this](PreviewResult result) { CallAfter([this, result] { OnPreviewResult(result); }); },
        InterruptPreviewDecode);
    BindPreviewEvents();
}

void CWuvoDlg::LoadPreviewFile()
{
    std::u16string text;
    fileSelected_ = 0;
    int chosen = ChooseListedFile(*c_.fileList);
    if (chosen >= 0) {
        text = ListedFile(*c_.fileList, static_cast<unsigned int>(chosen));
        fileSelected_ = 1;
    }
    // The hint stands only until the first load.
    Control(kIdPreviewPlaceholder)->Hide();
    if (text.empty()) {
        ShowNoPicture();
        return;
    }
    if (text != wantedFile_) {
        wantedFile_ = text;
        previewLoaded_ = 1;
    }
    vScrollPos_ = hScrollPos_ = sourceX_ = sourceY_ = 0;
    vScrollBar_->SetThumbPosition(0);
    hScrollBar_->SetThumbPosition(0);
    StartPreview();
    c_.page->Refresh(false);
}

// Choosing the file again tries it afresh.
void CWuvoDlg::ShowNoPicture()
{
    StopPreviewThreads();
    previewLoaded_ = 0;
    wantedFile_.clear();
    ForgetOpenFile();
    previewPicture_.reset();
    previewView_ = wxNullBitmap;
    SetPreviewFrameSize(kNoFileFrameWidth, kNoFileFrameHeight);
    c_.slider->SetRange(0, kNoFileFrameCount);
    vScrollPos_ = hScrollPos_ = sourceX_ = sourceY_ = 0;
    PaintPreview();
    c_.page->Refresh(false);
}

void CWuvoDlg::StartPreview()
{
    if (gSettings.idle == 0 || previewLoaded_ == 0 || (wantedFile_ == openFile_ && previewRefresh_ == 0)) {
        PaintPreview();
        return;
    }
    previewRefresh_ = 0;
    if (wantedFile_ != openFile_ && !OpenPreviewFile())
        return;
    frameCount_ = static_cast<int32_t>(PoolFrameCount());
    RequestPreviewFrame();
}

// Opens the wanted file while the window waits; false when it cannot be.
bool CWuvoDlg::OpenPreviewFile()
{
    StopPreviewThreads();
    SetDecodeState(0);
    SetParseState(0);
    SetPreviewOpenState(0);
    {
        std::lock_guard guard(gFramePool->lock);
        gFramePool->Reset();
    }
    char16_t message[kReaderMessageLength] = {};
    int32_t result = 0;
    {
        wxBusyCursor wait;
        result = PreviewOpenJob(wantedFile_, message);
    }
    if (result != kReaderOk) {
        // The check has replaced what the open file left in the parse state
        // and the pool: no file is open now, and choosing either file again
        // opens it afresh.
        ShowNoPicture();
        ShowMessage(this, ToWx(message), wxS("Error"), MessageIcon::Error);
        return false;
    }
    frameCount_ = static_cast<int32_t>(PoolFrameCount());
    openFile_ = wantedFile_;
    // The picture, until the first of this file's, is another file's.
    shownFrame_.reset();
    currentFrame_ = 0;
    UpdateData(false);
    return true;
}

void CWuvoDlg::RequestPreviewFrame()
{
    previewSequence_ = previewDriver_->Request(wantedFile_, currentFrame_);
    if (previewSequence_ == 0) {
        ShowMessage(this, wxS("CreateThread failed."), wxS("Error"), MessageIcon::Error);
        return;
    }
    SetPreviewBusy(true);
    UpdateFrameStatus();
}

void CWuvoDlg::StopPreviewThreads()
{
    previewDriver_->Stop();
    previewSequence_ = 0;
    SetPreviewBusy(false);
}

void CWuvoDlg::StopPreview()
{
    StopPreviewThreads();
    openFile_.clear();
    UpdateFrameStatus();
}

void CWuvoDlg::OnPreviewResult(const PreviewResult& result)
{
    if (result.sequence != previewSequence_)
        return;
    SetPreviewBusy(false);
    if (result.outcome == PreviewOutcome::TooLarge) {
        ShowNoPicture();
        ShowMessage(this,
                    wxString::Format(wxS("Video resolution too large: width = %d, height = %d."),
                                     static_cast<int>(result.width), static_cast<int>(result.height)),
                    wxS("Error"), MessageIcon::Error);
        return;
    }
    if (result.outcome != PreviewOutcome::Converted) {
        UpdateFrameStatus();
        return;
    }
    SetPreviewFrameSize(result.width, result.height);
    previewPicture_ = result.picture;
    shownFrame_ = result.frame;
    previewView_ = wxNullBitmap;
    if (!SetPreviewFrameCount())
        return;
    PaintPreview();
}

void CWuvoDlg::SetPreviewFrameSize(uint32_t width, uint32_t height)
{
    frameWidth_ = width;
    frameHeight_ = height;
}

bool CWuvoDlg::SetPreviewFrameCount()
{
    if (frameCount_ < 1) {
        ShowNoPicture();
        ShowMessage(this, wxS("Wuvo encountered an error, view log for detail."), wxS("Information"),
                    MessageIcon::Information);
        return false;
    }
    UpdateFrameStatus();
    c_.slider->SetRange(0, frameCount_);
    return true;
}

void CWuvoDlg::ForgetOpenFile()
{
    currentFrame_ = 0;
    openFile_.clear();
    shownFrame_.reset();
    frameCount_ = kNoFileFrameCount;
    UpdateFrameStatus();
}

void CWuvoDlg::UpdateFrameStatus()
{
    uint32_t numerator = 0;
    uint32_t denominator = 0;
    {
        std::lock_guard guard(gFramePool->lock);
        numerator = gFramePool->rateNumerator;
        denominator = gFramePool->rateDenominator;
    }
    const FramePicture picture = PictureOfFrame(currentFrame_, shownFrame_, previewBusy_, !openFile_.empty());
    previewStatus_->ChangeValue(FrameStatusText(currentFrame_, frameCount_, numerator, denominator, picture));
    c_.slider->SetValue(static_cast<int>(currentFrame_));
}

void CWuvoDlg::RefreshPreview()
{
    const uint32_t count = PoolFrameCount();
    frameCount_ = static_cast<int32_t>(count);
    if (count == 0)
        return;
    currentFrame_ = std::min(currentFrame_, count - 1);
    previewRefresh_ = 1;
    StartPreview();
    UpdateFrameStatus();
    UpdateData(false);
}

void CWuvoDlg::EnablePreviewControls(bool enable)
{
    EnableIds({kIdPreviewSlider, kIdPreviewStatus, kIdPreviewRefresh, kIdStepForward1, kIdStepForward10,
               kIdStepForward100, kIdStepBack1, kIdStepBack10, kIdStepBack100},
              enable);
}

void CWuvoDlg::SetPreviewBusy(bool busy)
{
    previewBusy_ = busy;
    ShowWaitCursor(busy);
}

}  // namespace wuvo
