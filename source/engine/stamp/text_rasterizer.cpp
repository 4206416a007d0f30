#include "engine/stamp/text_rasterizer.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/gdi/freetype_renderer.h"
#include "platform/text/utf.h"
#include "platform/threads/lock.h"

namespace wuvo {

namespace {

// Free cells the outline leaves on every side of the glyphs.
constexpr int32_t kOutlineMargin = 5;
constexpr int32_t kOutlineRoom = 2 * kOutlineMargin;
// Room for the slant and overhang, in 32nds of the ascent: once on the left
// of the text and twice on its right.
constexpr int32_t kItalicExtra32nds = 7;
constexpr int32_t kUprightExtra32nds = 3;
constexpr int32_t kExtraDenominator = 32;
constexpr int64_t kExtraShares = 3;
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
    layout.extra = metrics.ascent * (metrics.italic ? kItalicExtra32nds : kUprightExtra32nds) / kExtraDenominator;
    // Wide texts are cut at a row of kRasterSurfaceWidth cells, outline included.
    const int32_t maxWidth = std::min(kRasterSurfaceWidth - outlineRoom, renderer.SurfaceWidth());
    const int64_t width = int64_t{std::max(extent.width, 0)} + kExtraShares * std::max(layout.extra, 0);
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

// Cells that count as neighbours for ring `code`: glyph coverage and the
// rings inside it, on a grid with a free border of one cell.
void MarkCounting(const StampMask& mask, uint16_t code, std::vector<uint8_t>& counting)
{
    const size_t paddedWidth = mask.rowLength + 2;
    for (uint32_t y = 0; y < mask.height; ++y) {
        const uint16_t* cells = mask.cells + static_cast<size_t>(y) * mask.rowLength;
        uint8_t* target = counting.data() + (y + 1) * paddedWidth + 1;
        for (uint32_t x = 0; x < mask.rowLength; ++x)
            target[x] = cells[x] != kMaskEmpty && cells[x] < code;
    }
}

// Sums of three horizontally neighbouring counting cells; the free border
// columns keep the sums of one row from reaching into the next.
void SumRows(const std::vector<uint8_t>& counting, std::vector<uint8_t>& rowSums)
{
    for (size_t i = 1; i + 1 < counting.size(); ++i)
        rowSums[i] = static_cast<uint8_t>(counting[i - 1] + counting[i] + counting[i + 1]);
}

// Rings are made inside out. A cell marked in a pass holds the pass's code,
// so it never counts for other cells of the same pass: each pass depends
// only on the mask as it was before it, and the 3 x 3 counts can be summed
// over the whole grid at once.
void AddOutlineRings(StampMask& mask)
{
    const size_t paddedWidth = mask.rowLength + 2;
    const size_t paddedSize = paddedWidth * (mask.height + 2);
    std::vector<uint8_t> counting(paddedSize, 0);
    std::vector<uint8_t> rowSums(paddedSize, 0);
    for (int32_t ring = 0; ring < kOutlineRings; ++ring) {
        const uint16_t code = static_cast<uint16_t>(kMaskFirstRing + ring);
        MarkCounting(mask, code, counting);
        SumRows(counting, rowSums);
        for (uint32_t y = 0; y < mask.height; ++y) {
            uint16_t* cells = mask.cells + static_cast<size_t>(y) * mask.rowLength;
            const uint8_t* above = rowSums.data() + y * paddedWidth + 1;
            const uint8_t* here = above + paddedWidth;
            const uint8_t* below = here + paddedWidth;
            for (uint32_t x = 0; x < mask.rowLength; ++x)
                if (cells[x] == kMaskEmpty && above[x] + here[x] + below[x] > kRingThresholds[ring])
                    cells[x] = code;
        }
    }
}

}  // namespace

platform::FontDescription DescribeStampFont(const FontRecord& record, int32_t rasterHeight, float widthScale)
{
    platform::FontDescription font;
    font.faceName = std::u16string(record.faceName, platform::FieldLength(record.faceName, kFaceNameChars));
    font.height = platform::EmHeightForTenthsOfPoint(rasterHeight);
    font.widthScale = widthScale;
    font.weight = record.weight;
    font.italic = record.italic != 0;
    font.underline = record.underline != 0;
    font.strikeOut = record.strikeOut != 0;
    return font;
}

platform::TextRenderer* ReplaceStampTextRenderer(platform::TextRenderer* renderer)
{
    std::lock_guard guard(gRendererLock);
    platform::TextRenderer* previous = gActiveRenderer;
    gActiveRenderer = renderer;
    return previous;
}

void RasterizeStampText(StampMask& mask, const char16_t* text, const StampStyle& style, float widthScale)
{
    std::lock_guard guard(gRendererLock);
    RasterizeStampText(mask, text, style, ActiveRenderer(), widthScale);
}

void RasterizeStampText(StampMask& mask, const char16_t* text, const StampStyle& style,
                        platform::TextRenderer& renderer, float widthScale)
{
    const std::u16string_view line(text, platform::FieldLength(text, kMaxTextChars + 1));
    if (!renderer.SelectFont(DescribeStampFont(style.font, style.rasterHeight, widthScale))) {
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
