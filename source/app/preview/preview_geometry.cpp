#include "app/preview/preview_geometry.h"

#include <algorithm>

#include "app/preview/preview_picture.h"
#include "engine/pipeline/frame_pool.h"

namespace wuvo {

namespace {

// The fills reach two pixels under the picture, so no seam shows between a
// bar and a scaled edge.
constexpr int32_t kFillOverlap = 2;
// A line step moves a hundredth of the frame.
constexpr int32_t kLinesPerRange = 100;

int32_t Narrow(int64_t value)
{
    return static_cast<int32_t>(value);
}

// Bars above and below a picture `shown` rows high.
void AddRowBars(ViewPlan& plan, int32_t vw, int32_t vh, int32_t bar)
{
    plan.fills.push_back({0, 0, vw, bar + kFillOverlap});
    plan.fills.push_back({0, vh - bar - kFillOverlap, vw, bar + kFillOverlap});
}

// Bars left and right of a picture, `rows` high from `top`.
void AddColumnBars(ViewPlan& plan, int32_t vw, int32_t top, int32_t rows, int32_t bar)
{
    plan.fills.push_back({0, top, bar + kFillOverlap, rows});
    plan.fills.push_back({vw - bar - kFillOverlap, top, bar + kFillOverlap, rows});
}

ViewPlan PlanFit(int64_t fw, int64_t fh, int32_t vw, int32_t vh)
{
    ViewPlan plan;
    plan.source = {0, 0, Narrow(fw), Narrow(fh)};
    if (fw * vh == fh * vw) {
        plan.target = {0, 0, vw, vh};
    } else if (fh * vw < fw * vh) {
        int32_t shown = Narrow(fh * vw / fw);
        int32_t bar = (vh - shown) / 2;
        AddRowBars(plan, vw, vh, bar);
        plan.target = {0, bar, vw, shown};
    } else {
        int32_t shown = Narrow(fw * vh / fh);
        int32_t bar = (vw - shown) / 2;
        AddColumnBars(plan, vw, 0, vh, bar);
        plan.target = {bar, 0, shown, vh};
    }
    return plan;
}

ViewPlan PlanActualSize(int32_t fw, int32_t fh, int32_t vw, int32_t vh, int32_t sx, int32_t sy)
{
    ViewPlan plan;
    if (fw >= vw && fh >= vh) {
        plan.source = {sx, sy, vw, vh};
        plan.target = {0, 0, vw, vh};
    } else if (fw >= vw) {
        int32_t bar = (vh - fh) / 2;
        AddRowBars(plan, vw, vh, bar);
        plan.source = {sx, 0, vw, fh};
        plan.target = {0, bar, vw, fh};
    } else if (fh < vh) {
        int32_t barY = (vh - fh) / 2;
        int32_t barX = (vw - fw) / 2;
        AddRowBars(plan, vw, vh, barY);
        AddColumnBars(plan, vw, barY + 1, fh, barX);
        plan.source = {0, 0, fw, fh};
        plan.target = {barX, barY, fw, fh};
    } else {
        int32_t bar = (vw - fw) / 2;
        AddColumnBars(plan, vw, 0, vh, bar);
        plan.source = {0, sy, fw, vh};
        plan.target = {bar, 0, fw, vh};
    }
    return plan;
}

}  // namespace

ViewPlan PlanView(const ViewInput& input)
{
    auto vw = static_cast<int32_t>(input.viewWidth);
    auto vh = static_cast<int32_t>(input.viewHeight);
    if (input.viewMode != kViewActualSize)
        return PlanFit(input.frameWidth, input.frameHeight, vw, vh);
    return PlanActualSize(static_cast<int32_t>(input.frameWidth), static_cast<int32_t>(input.frameHeight), vw, vh,
                          static_cast<int32_t>(input.sourceX), static_cast<int32_t>(input.sourceY));
}

BarLayout DecideBars(const LayoutInput& input)
{
    const int32_t a = input.verticalShown ? 1 : 0;
    const int32_t b = input.horizontalShown ? 1 : 0;
    const int32_t bar = kScrollBarThickness;
    const int32_t keepX = input.dx + bar * a;  // the room without a vertical bar
    const int32_t keepY = input.dy + bar * b;
    const int32_t takeX = input.dx - bar * (1 - a);  // the room beside a vertical bar
    const int32_t takeY = input.dy - bar * (1 - b);
    if (input.viewMode != kViewActualSize)
        return {false, false, keepX, keepY};
    const bool wider = int64_t{input.frameWidth} > int64_t{input.viewWidth} + keepX;
    const bool taller = int64_t{input.frameHeight} > int64_t{input.viewHeight} + keepY;
    if (wider && taller)
        return {true, true, takeX, takeY};
    if (wider)
        return {false, true, keepX, takeY};
    if (int64_t{input.frameHeight} > int64_t{input.viewHeight} + input.dy)
        return {true, false, takeX, keepY};
    return {false, false, keepX, keepY};
}

std::optional<int32_t> NextScrollPosition(ScrollCode code, int32_t position, int32_t thumbPosition,
                                          const ScrollRange& bar)
{
    int64_t next = position;
    switch (code) {
    case ScrollCode::LineBack: next -= bar.range / kLinesPerRange; break;
    case ScrollCode::LineForward: next += bar.range / kLinesPerRange; break;
    case ScrollCode::PageBack: next -= bar.page; break;
    case ScrollCode::PageForward: next += bar.page; break;
    case ScrollCode::ThumbPosition: next = thumbPosition; break;
    case ScrollCode::Start: next = 0; break;
    case ScrollCode::End: next = bar.range; break;
    case ScrollCode::Other: return std::nullopt;
    }
    return static_cast<int32_t>(std::clamp<int64_t>(next, 0, bar.Limit()));
}

bool FitsPreviewLayout(uint32_t width, uint32_t height, bool portrait)
{
    const PictureSize room = portrait ? kPortraitPicture : kLandscapePicture;
    return FitsFrameSlot(width, height) && width <= room.width && height <= room.height;
}

}  // namespace wuvo
