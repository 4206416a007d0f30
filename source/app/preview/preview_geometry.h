#pragma once

#include <cstdint>
#include <optional>
#include <vector>

// The preview's arithmetic: how a frame fills the view in Fit and in Actual
// Size, when the scroll bars show, and where they move. No toolkit here.
namespace wuvo {

// viewMode of the settings: 1 Actual Size; any other value fits the frame,
// and 2 is the one the program writes for it.
constexpr uint32_t kViewActualSize = 1;
constexpr uint32_t kViewFit = 2;
// Thickness of a preview scroll bar, taken from the picture's room.
constexpr int32_t kScrollBarThickness = 15;
// The view lies inside two frame lines on each side.
constexpr int32_t kViewInset = 2;

struct PixelRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const PixelRect&) const = default;
};

// How the view of vw x vh is composed: grey fills first, then the frame's
// `source` rectangle drawn onto `target`, scaled when their sizes differ.
struct ViewPlan {
    std::vector<PixelRect> fills;
    PixelRect source;
    PixelRect target;
};

struct ViewInput {
    uint32_t viewMode = 0;
    uint32_t frameWidth = 0;
    uint32_t frameHeight = 0;
    uint32_t viewWidth = 0;
    uint32_t viewHeight = 0;
    uint32_t sourceX = 0;  // Actual Size: top-left frame pixel shown
    uint32_t sourceY = 0;
    bool operator==(const ViewInput&) const = default;
};

ViewPlan PlanView(const ViewInput& input);

// The scroll bars and how much the picture grows (negative: shrinks) when
// the room for it grows by dx, dy.
struct BarLayout {
    bool vertical = false;
    bool horizontal = false;
    int32_t growX = 0;
    int32_t growY = 0;
    bool operator==(const BarLayout&) const = default;
};

struct LayoutInput {
    uint32_t viewMode = 0;
    int32_t dx = 0;
    int32_t dy = 0;
    bool verticalShown = false;  // the bars before the call
    bool horizontalShown = false;
    uint32_t frameWidth = 0;
    uint32_t frameHeight = 0;
    uint32_t viewWidth = 0;  // the view before the call
    uint32_t viewHeight = 0;
};

BarLayout DecideBars(const LayoutInput& input);

// A scroll bar over `range` frame pixels with a view of `page` of them.
struct ScrollRange {
    int32_t range = 0;
    int32_t page = 0;
    // The largest position, so that the view stays inside the frame.
    int32_t Limit() const { return range > page ? range - page : 0; }
};

enum class ScrollCode { LineBack, LineForward, PageBack, PageForward, ThumbPosition, Start, End, Other };

// The position a scroll bar moves to from `position`; none for codes that
// move nothing (thumb tracking, end of scroll).
std::optional<int32_t> NextScrollPosition(ScrollCode code, int32_t position, int32_t thumbPosition,
                                          const ScrollRange& bar);

// Whether the preview can show a frame: one pool buffer and the layout's
// picture (4096 x 2176 upright, 2176 x 4096 for a quarter-turned video).
bool FitsPreviewLayout(uint32_t width, uint32_t height, bool portrait);

}  // namespace wuvo
