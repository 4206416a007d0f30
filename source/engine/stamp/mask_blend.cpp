#include "engine/stamp/mask_blend.h"

#include <algorithm>

namespace wuvo {

namespace {

constexpr uint32_t kMaxBrightness = 255;
constexpr int32_t kFullCoverage = 255;
// Cell values up to this are glyph coverage, above it outline rings.
constexpr uint16_t kRingBase = 1000;

// Where cell (row, column) lands: the first cell at (x, y), a column step of
// (columnX, columnY) and a row step of (rowX, rowY).
struct Placement {
    int64_t x;
    int64_t y;
    int64_t columnX;
    int64_t columnY;
    int64_t rowX;
    int64_t rowY;
};

Placement PlacementFor(const StampStyle& style, uint32_t rotation)
{
    switch (rotation) {
    case 90:
        return {style.x, style.y, 0, -1, 1, 0};
    case 180:
        return {style.x, style.y, -1, 0, 0, -1};
    case 270:
        return {style.x, style.y, 0, 1, -1, 0};
    default:
        return {style.x, style.y, 1, 0, 0, 1};
    }
}

}  // namespace

void BlendMaskPixel(uint8_t& sample, uint16_t value, const StampStyle& style, const WeightSet& weights)
{
    // Settings files may carry any value; brightness is a sample value.
    const int32_t font = static_cast<int32_t>(std::min(style.fontBrightness, kMaxBrightness));
    const int32_t outline = static_cast<int32_t>(std::min(style.outlineBrightness, kMaxBrightness));
    int32_t colour = 0;
    size_t kind = 0;
    if (value <= kRingBase) {
        // With the outline on, a glyph's soft edge shades into the outline.
        const int32_t base = style.outline == 1 ? outline : sample;
        const int32_t coverage = std::min<int32_t>(value, kFullCoverage);
        colour = base + (font - base) * coverage / kFullCoverage;
    } else {
        kind = value - kRingBase;
        if (kind >= weights.first.size())
            return;
        colour = outline;
    }
    const int64_t first = weights.first[kind];
    const int64_t second = weights.second[kind];
    if (second == 0) {
        sample = static_cast<uint8_t>(colour);
        return;
    }
    sample = static_cast<uint8_t>((sample * second + colour * first) / (first + second));
}

void BlendMaskRotated(const StampStyle& style, const WeightSet& weights, uint8_t* plane, int32_t width,
                      int32_t height, const StampMask& mask, uint32_t rotation)
{
    if (plane == nullptr || mask.cells == nullptr || width <= 0 || height <= 0)
        return;
    const Placement place = PlacementFor(style, rotation);
    const uint32_t columns = std::min(mask.width, mask.rowLength);
    for (uint32_t row = 0; row < mask.height; ++row) {
        const uint16_t* cells = mask.cells + static_cast<size_t>(row) * mask.rowLength;
        for (uint32_t column = 0; column < columns; ++column) {
            if (cells[column] == kMaskEmpty)
                continue;
            const int64_t x = place.x + place.columnX * column + place.rowX * row;
            const int64_t y = place.y + place.columnY * column + place.rowY * row;
            if (x < 0 || x >= width || y < 0 || y >= height)
                continue;
            BlendMaskPixel(plane[y * width + x], cells[column], style, weights);
        }
    }
}

}  // namespace wuvo
