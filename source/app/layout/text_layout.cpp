#include "app/layout/text_layout.h"

#include <algorithm>
#include <cmath>

namespace wuvo {

namespace {

// The letters' extent in the font the templates were laid out for: the
// desktop's default, DejaVu Sans 10 pt at 96 dots per inch.
constexpr double kTemplateLettersWidth = 422;
constexpr double kTemplateLettersHeight = 17;

int ScaledEdge(int edge, double scale)
{
    return static_cast<int>(std::lround(edge * scale));
}

int ScaledSide(int side, double scale)
{
    return side == wxDefaultCoord ? side : ScaledEdge(side, scale);
}

}  // namespace

LayoutScale ScaleForLetters(int width, int height)
{
    return {std::max(1.0, width / kTemplateLettersWidth), std::max(1.0, height / kTemplateLettersHeight)};
}

wxRect Scaled(const wxRect& box, LayoutScale scale)
{
    const int left = ScaledEdge(box.x, scale.x);
    const int top = ScaledEdge(box.y, scale.y);
    return {left, top, ScaledEdge(box.x + box.width, scale.x) - left, ScaledEdge(box.y + box.height, scale.y) - top};
}

wxSize Scaled(const wxSize& size, LayoutScale scale)
{
    return {ScaledSide(size.x, scale.x), ScaledSide(size.y, scale.y)};
}

// One room serves both directions: it grows as the smaller of the two.
int ScaledSpace(int space, LayoutScale scale)
{
    return ScaledEdge(space, std::min(scale.x, scale.y));
}

}  // namespace wuvo
