// The preview's picture: painting, layout with the scroll bars, and the
// controls that move through the video (step buttons, slider, Refresh).
#include <algorithm>
#include <optional>

#include <wx/dcclient.h>
#include <wx/image.h>
#include <wx/listbox.h>
#include <wx/panel.h>
#include <wx/scrolbar.h>
#include <wx/slider.h>
#include <wx/utils.h>

#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "app/preview/preview_geometry.h"
#include "engine/mp4/reader.h"
#include "engine/settings/app_settings.h"

namespace wuvo {

namespace {

const wxColour kOuterLine(160, 160, 160);
const wxColour kInnerLine(255, 255, 255);
// The area while nothing can be shown: no file, or a batch runs.
const wxColour kEmptyArea(124, 0, 124);

// The six step buttons and how many sync frames each moves.
struct StepButton {
    int id;
    int32_t steps;
    bool forward;
};
constexpr StepButton kStepButtons[] = {
    {kIdStepForward1, 1, true}, {kIdStepForward10, 10, true}, {kIdStepForward100, 100, true},
    {kIdStepBack1, 1, false},   {kIdStepBack10, 10, false},   {kIdStepBack100, 100, false},
};

// A one-pixel rectangle outline, drawn as filled strips so that every
// pixel lands exactly.
void DrawOutline(wxDC& dc, const wxRect& rect, const wxColour& colour)
{
    dc.SetBrush(wxBrush(colour));
    dc.DrawRectangle(rect.x, rect.y, rect.width, 1);
    dc.DrawRectangle(rect.x, rect.GetBottom(), rect.width, 1);
    dc.DrawRectangle(rect.x, rect.y, 1, rect.height);
    dc.DrawRectangle(rect.GetRight(), rect.y, 1, rect.height);
}

ScrollCode ScrollCodeOf(wxEventType type)
{
    if (type == wxEVT_SCROLL_LINEUP)
        return ScrollCode::LineBack;
    if (type == wxEVT_SCROLL_LINEDOWN)
        return ScrollCode::LineForward;
    if (type == wxEVT_SCROLL_PAGEUP)
        return ScrollCode::PageBack;
    if (type == wxEVT_SCROLL_PAGEDOWN)
        return ScrollCode::PageForward;
    // The wheel moves a bar by thumb tracking: the picture follows the
    // thumb however it moves.
    if (type == wxEVT_SCROLL_THUMBRELEASE || type == wxEVT_SCROLL_THUMBTRACK)
        return ScrollCode::ThumbPosition;
    if (type == wxEVT_SCROLL_TOP)
        return ScrollCode::Start;
    if (type == wxEVT_SCROLL_BOTTOM)
        return ScrollCode::End;
    return ScrollCode::Other;
}

// Shows a scroll bar along `rect` over `range`, keeping the view inside the
// frame; or hides it.
void PlaceScrollBar(wxScrollBar& bar, bool shown, const wxRect& rect, const ScrollRange& range,
                    uint32_t& position, uint32_t& offset)
{
    if (!shown) {
        bar.Hide();
        return;
    }
    bar.SetSize(rect);
    const auto limit = static_cast<uint32_t>(range.Limit());
    if (position > limit)
        position = offset = limit;
    bar.SetScrollbar(static_cast<int>(position), range.page, range.range, range.page);
    bar.Show();
}

}  // namespace

void CWuvoDlg::BindPreviewEvents()
{
    picture_->SetBackgroundStyle(wxBG_STYLE_PAINT);
    picture_->Bind(wxEVT_PAINT, &CWuvoDlg::OnPaint, this);
    c_.fileList->Bind(wxEVT_LISTBOX, [this](wxCommandEvent&) { LoadPreviewFile(); });
    for (const wxEventTypeTag<wxScrollEvent>& type :
         {wxEVT_SCROLL_TOP, wxEVT_SCROLL_BOTTOM, wxEVT_SCROLL_LINEUP, wxEVT_SCROLL_LINEDOWN, wxEVT_SCROLL_PAGEUP,
          wxEVT_SCROLL_PAGEDOWN, wxEVT_SCROLL_THUMBTRACK, wxEVT_SCROLL_THUMBRELEASE}) {
        hScrollBar_->Bind(type, &CWuvoDlg::OnHScroll, this);
        vScrollBar_->Bind(type, &CWuvoDlg::OnVScroll, this);
    }
    c_.slider->Bind(wxEVT_SCROLL_THUMBRELEASE, &CWuvoDlg::OnSliderReleased, this);
    c_.slider->Bind(wxEVT_SCROLL_CHANGED, &CWuvoDlg::OnSliderMoved, this);
    for (const StepButton& button : kStepButtons) {
        Bind(
            wxEVT_BUTTON,
            [this, button](wxCommandEvent&) {
                if (previewLoaded_ == 0)
                    return;
                std::optional<wxBusyCursor> wait;
                if (button.forward)
                    wait.emplace();
                StepPreview(button.forward ? StepSyncForward(currentFrame_, button.steps)
                                           : StepSyncBackward(currentFrame_, button.steps));
            },
            button.id);
    }
    BindCommand(wxEVT_BUTTON, kIdPreviewRefresh, &CWuvoDlg::RefreshPreview);
}

void CWuvoDlg::StepPreview(uint32_t frame)
{
    currentFrame_ = frame;
    RefreshPreview();
}

void CWuvoDlg::OnSliderReleased(wxScrollEvent&)
{
    if (previewLoaded_ == 0)
        return;
    wxBusyCursor wait;
    UpdateData(true);
    StepPreview(FindSyncFrame(currentFrame_));
}

// The keys and the wheel move the knob without a release; the picture
// follows as on a release, but never against the move. A move back shows the
// sync frame at or before the knob, as the step-back buttons do; a move
// forward at least the next sync frame, as ">" does (before a trimmed clip's
// first sync sample a release shows its first frame). A release's own change
// finds the knob on the frame it shows already.
void CWuvoDlg::OnSliderMoved(wxScrollEvent&)
{
    const auto position = static_cast<uint32_t>(c_.slider->GetValue());
    const uint32_t shown = currentFrame_;
    if (previewLoaded_ == 0 || position == shown)
        return;
    wxBusyCursor wait;
    UpdateData(true);
    StepPreview(position < shown ? StepSyncBackward(position, 0)
                                 : std::max(FindSyncFrame(position), StepSyncForward(shown, 1)));
}

void CWuvoDlg::OnHScroll(wxScrollEvent& event)
{
    ScrollPreview(event, *hScrollBar_, hScrollPos_, sourceX_);
}

void CWuvoDlg::OnVScroll(wxScrollEvent& event)
{
    ScrollPreview(event, *vScrollBar_, vScrollPos_, sourceY_);
}

// Moves a bar from its own position, not the one the toolkit may have moved
// it to already, and shows the frame from there.
void CWuvoDlg::ScrollPreview(wxScrollEvent& event, wxScrollBar& bar, uint32_t& position, uint32_t& offset)
{
    std::optional<int32_t> next = NextScrollPosition(ScrollCodeOf(event.GetEventType()),
                                                     static_cast<int32_t>(position), event.GetPosition(),
                                                     {bar.GetRange(), bar.GetPageSize()});
    if (!next)
        return;
    position = offset = static_cast<uint32_t>(*next);
    bar.SetThumbPosition(*next);
    PaintPreview();
}

void CWuvoDlg::LayoutPreview(int dx, int dy)
{
    const PictureSize shown = ShownFrameSize();
    const BarLayout bars = DecideBars({gSettings.viewMode, dx, dy, vBarShown_, hBarShown_, shown.width,
                                       shown.height, viewWidth_, viewHeight_});
    wxRect rect = picture_->GetRect();
    rect.width = std::max(rect.width + bars.growX, 2 * kViewInset);
    rect.height = std::max(rect.height + bars.growY, 2 * kViewInset);
    if (rect != picture_->GetRect())
        picture_->SetSize(rect);
    viewWidth_ = static_cast<uint32_t>(rect.width - 2 * kViewInset);
    viewHeight_ = static_cast<uint32_t>(rect.height - 2 * kViewInset);
    vBarShown_ = bars.vertical;
    hBarShown_ = bars.horizontal;
    PlaceScrollBar(*vScrollBar_, bars.vertical, {rect.GetRight() + 1, rect.y, kScrollBarThickness, rect.height},
                   {static_cast<int32_t>(shown.height), static_cast<int32_t>(viewHeight_)}, vScrollPos_, sourceY_);
    PlaceScrollBar(*hScrollBar_, bars.horizontal, {rect.x, rect.GetBottom() + 1, rect.width, kScrollBarThickness},
                   {static_cast<int32_t>(shown.width), static_cast<int32_t>(viewWidth_)}, hScrollPos_, sourceX_);
    c_.slider->SetValue(static_cast<int>(currentFrame_));
}

// Lays the picture out for the frame and the view mode, and has it painted.
void CWuvoDlg::PaintPreview()
{
    LayoutPreview(0, 0);
    picture_->Refresh(false);
}

void CWuvoDlg::OnPaint(wxPaintEvent&)
{
    {
        wxPaintDC dc(picture_);
        DrawPreview(dc);
    }
    // After a batch, which stopped the preview, the first paint opens the
    // file again, once the paint is over.
    if (gSettings.idle == 1 && previewLoaded_ != 0 && wantedFile_ != openFile_)
        CallAfter([this] { StartPreview(); });
}

void CWuvoDlg::DrawPreview(wxDC& dc)
{
    const wxSize size = picture_->GetClientSize();
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(picture_->GetBackgroundColour()));
    dc.DrawRectangle(wxPoint(0, 0), size);
    DrawOutline(dc, wxRect(size), kOuterLine);
    DrawOutline(dc, wxRect(size).Deflate(1), kInnerLine);
    if (gSettings.idle == 1 && previewLoaded_ != 0) {
        const wxBitmap& view = PreviewView();
        if (view.IsOk())
            dc.DrawBitmap(view, kViewInset, kViewInset);
        return;
    }
    // The empty area stops one pixel short of the view on the right and at
    // the bottom, as it always has.
    dc.SetBrush(wxBrush(kEmptyArea));
    dc.DrawRectangle(kViewInset, kViewInset, size.x - 2 * kViewInset - 1, size.y - 2 * kViewInset - 1);
}

// The frame composed into the view, made again only when the picture or the
// view has changed.
const wxBitmap& CWuvoDlg::PreviewView()
{
    const PictureSize shown = ShownFrameSize();
    const ViewInput input{gSettings.viewMode, shown.width, shown.height, viewWidth_, viewHeight_, sourceX_, sourceY_};
    if (previewView_.IsOk() && input == previewViewKey_)
        return previewView_;
    previewView_ = wxNullBitmap;
    previewViewKey_ = input;
    if (input.viewWidth == 0 || input.viewHeight == 0)
        return previewView_;
    if (!previewPicture_)
        previewPicture_ = std::make_shared<const RgbPicture>(MakeStartPattern(frameWidth_, frameHeight_));
    RgbPicture view = ComposeView(*previewPicture_, PlanView(input), input.viewWidth, input.viewHeight);
    wxImage image(static_cast<int>(view.width), static_cast<int>(view.height), view.pixels.data(), true);
    previewView_ = wxBitmap(image);
    return previewView_;
}

// The frame as players show it: its picture's size, which pixels that are
// not square widen or make taller; the frame's own before its first picture.
PictureSize CWuvoDlg::ShownFrameSize() const
{
    if (!previewPicture_)
        return {frameWidth_, frameHeight_};
    return {previewPicture_->width, previewPicture_->height};
}

}  // namespace wuvo
