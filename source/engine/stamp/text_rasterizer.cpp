#include "engine/stamp/text_rasterizer.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/gdi/freetype_renderer.h"
#include "platform/text/utf.h"
#include "platform/threads/lock.h"

namespace wuvo {

namespace {

// Free cells the outline leaves on every side of the glyphs.
constexpr int32_t kOutlineMargin = 5;
constexpr int32_t kOutlineRoom = 2 * kOutlineMargin;
// Room for the slant and overhang, in 32nds of the ascent.
constexpr int32_t kItalicExtra32nds = 7;
constexpr int32_t kUprightExtra32nds = 3;
// An empty row below this share of the text height ends the mask: descender
// space is cut off, gaps between lines stay.
constexpr int32_t kKeptShareNumerator = 5;
constexpr int32_t kKeptShareDenominator = 6;
// Neighbours a ring cell needs, per ring 1..5.
constexpr std::array<int32_t, kOutlineRings> kRingThresholds{0, 1, 1, 2, 2};
constexpr size_t kMaxTextChars = 99;

platform::Lock gRendererLock;
platform::TextRenderer* gActiveRenderer = nullptr;

platform::TextRenderer& ActiveRenderer()
{
    // Made on first use: the surface is large and many runs never stamp.
    static platform::FreeTypeTextRenderer freeType(kRasterSurfaceWidth, kRasterSurfaceHeight);
    return gActiveRenderer != nullptr ? *gActiveRenderer : freeType;
}

platform::FontDescription DescribeFont(const StampStyle& style)
{
    platform::FontDescription font;
    font.faceName = std::u16string(style.font.faceName,
                                   platform::FieldLength(style.font.faceName, kFaceNameChars));
    font.height = platform::EmHeightForTenthsOfPoint(style.rasterHeight);
    font.weight = style.font.weight;
    font.italic = style.font.italic != 0;
    font.underline = style.font.underline != 0;
    font.strikeOut = style.font.strikeOut != 0;
    return font;
}

struct MaskLayout {
    int32_t textHeight;  // rows of the surface to read
    int32_t extra;       // left margin of the text on the surface
    int32_t width;       // columns to read
    int32_t rowLength;
};

MaskLayout LayOut(platform::TextRenderer& renderer, std::u16string_view text, int32_t outlineRoom)
{
    const platform::TextExtent extent = renderer.Measure(text);
    const platform::TextMetrics metrics = renderer.Metrics();
    MaskLayout layout;
    layout.textHeight = std::clamp(extent.height, 0, renderer.SurfaceHeight());
    layout.extra = metrics.ascent * (metrics.italic ? kItalicExtra32nds : kUprightExtra32nds) / 32;
    // Wide texts are cut at a row of kRasterSurfaceWidth cells, outline included.
    const int32_t maxWidth = std::min(kRasterSurfaceWidth - outlineRoom, renderer.SurfaceWidth());
    const int64_t width = int64_t{std::max(extent.width, 0)} + 3 * int64_t{std::max(layout.extra, 0)};
    layout.width = static_cast<int32_t>(std::min<int64_t>(width, maxWidth));
    layout.rowLength = layout.width + outlineRoom;
    return layout;
}

// Copies the inked rows of the surface into the mask, from the first inked
// row on, offset by `margin` cells down and right.
void ReadCoverage(StampMask& mask, const platform::TextRenderer& renderer, const MaskLayout& layout, int32_t margin)
{
    const int32_t lastKeptEmptyRow = kKeptShareNumerator * layout.textHeight / kKeptShareDenominator;
    int32_t outRow = -1;
    for (int32_t y = 0; y < layout.textHeight; ++y) {
        const uint8_t* row = renderer.Row(y);
        bool inked = false;
        for (int32_t x = 0; x < layout.width; ++x) {
            if (row[x] == 0)
                continue;
            if (outRow < 0)
                outRow = margin;
            mask.cells[static_cast<size_t>(outRow) * mask.rowLength + x + margin] = row[x];
            inked = true;
        }
        if (outRow < 0)
            continue;
        if (!inked && y > lastKeptEmptyRow)
            break;
        ++outRow;
        ++mask.height;
    }
}

int32_t CountInkedNeighbours(const StampMask& mask, int32_t row, int32_t column, uint16_t below)
{
    int32_t count = 0;
    const int32_t rows = static_cast<int32_t>(mask.height);
    const int32_t columns = static_cast<int32_t>(mask.rowLength);
    for (int32_t y = std::max(row - 1, 0); y <= std::min(row + 1, rows - 1); ++y)
        for (int32_t x = std::max(column - 1, 0); x <= std::min(column + 1, columns - 1); ++x) {
            const uint16_t value = mask.cells[static_cast<size_t>(y) * mask.rowLength + x];
            count += value != kMaskEmpty && value < below;
        }
    return count;
}

// Rings are made inside out; a cell marked in a pass is its pass's value, so
// it does not count for the cells after it.
void AddOutlineRings(StampMask& mask)
{
    for (int32_t ring = 0; ring < kOutlineRings; ++ring) {
        const uint16_t code = static_cast<uint16_t>(kMaskFirstRing + ring);
        for (int32_t y = 0; y < static_cast<int32_t>(mask.height); ++y)
            for (int32_t x = 0; x < static_cast<int32_t>(mask.rowLength); ++x) {
                uint16_t& cell = mask.cells[static_cast<size_t>(y) * mask.rowLength + x];
                if (cell == kMaskEmpty && CountInkedNeighbours(mask, y, x, code) > kRingThresholds[ring])
                    cell = code;
            }
    }
}

}  // namespace

platform::TextRenderer* ReplaceStampTextRenderer(platform::TextRenderer* renderer)
{
    std::lock_guard guard(gRendererLock);
    platform::TextRenderer* previous = gActiveRenderer;
    gActiveRenderer = renderer;
    return previous;
}

void RasterizeStampText(StampMask& mask, const char16_t* text, const StampStyle& style)
{
    std::lock_guard guard(gRendererLock);
    RasterizeStampText(mask, text, style, ActiveRenderer());
}

void RasterizeStampText(StampMask& mask, const char16_t* text, const StampStyle& style,
                        platform::TextRenderer& renderer)
{
    const std::u16string_view line(text, platform::FieldLength(text, kMaxTextChars + 1));
    if (!renderer.SelectFont(DescribeFont(style))) {
        mask.rowLength = mask.width = mask.height = 0;
        return;
    }
    const bool outline = style.outline == 1;
    const int32_t outlineRoom = outline ? kOutlineRoom : 0;
    const MaskLayout layout = LayOut(renderer, line, outlineRoom);
    const size_t cells = static_cast<size_t>(layout.textHeight + outlineRoom) * layout.rowLength;
    if (!ReserveMaskCells(mask, cells))
        return;

    renderer.Clear(0, 0, layout.width, layout.textHeight);
    renderer.Draw(line, layout.extra, 0);

    std::fill_n(mask.cells, cells, kMaskEmpty);
    mask.rowLength = static_cast<uint32_t>(layout.rowLength);
    mask.width = static_cast<uint32_t>(layout.width);
    mask.height = 0;
    ReadCoverage(mask, renderer, layout, outline ? kOutlineMargin : 0);
    if (outline) {
        mask.width += kOutlineRoom;
        mask.height += kOutlineRoom;
        AddOutlineRings(mask);
    }
}

}  // namespace wuvo
