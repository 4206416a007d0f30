#include "engine/stamp/text_rasterizer.h"

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine/stamp/stamp_context.h"
#include "support/fake_text_renderer.h"

using namespace wuvo;
using wuvo::test::FakeTextRenderer;

namespace {

constexpr uint16_t kInk = FakeTextRenderer::kInk;
constexpr uint16_t kEdge = FakeTextRenderer::kEdgeInk;

StampStyle PlainStyle()
{
    AppSettings settings;
    ResetSettings(settings);
    StampStyle style = settings.timeStamp;
    style.outline = 0;
    return style;
}

StampStyle OutlinedStyle()
{
    StampStyle style = PlainStyle();
    style.outline = 1;
    return style;
}

uint16_t Cell(const StampMask& mask, uint32_t row, uint32_t column)
{
    EXPECT_LT(row, mask.height);
    EXPECT_LT(column, mask.rowLength);
    return mask.cells[row * mask.rowLength + column];
}

std::vector<uint16_t> Row(const StampMask& mask, uint32_t row)
{
    return {mask.cells + row * mask.rowLength, mask.cells + (row + 1) * mask.rowLength};
}

std::vector<uint16_t> Column(const StampMask& mask, uint32_t column)
{
    std::vector<uint16_t> cells;
    for (uint32_t row = 0; row < mask.height; ++row)
        cells.push_back(Cell(mask, row, column));
    return cells;
}

struct MaskOwner {
    StampMask mask;
    ~MaskOwner() { ReleaseMaskCells(mask); }
};

}  // namespace

// Glyph rows start at the first inked row; the slant room is 3/32 of the
// ascent (32 -> 3) to the left and twice that to the right.
TEST(TextRasterizer, UprightTextKeepsInkedRowsAndLeavesSlantRoom)
{
    FakeTextRenderer renderer;
    MaskOwner owner;
    RasterizeStampText(owner.mask, u"AB", PlainStyle(), renderer);

    const StampMask& mask = owner.mask;
    EXPECT_EQ(mask.width, 12u + 3 * 3);
    EXPECT_EQ(mask.rowLength, mask.width);
    // Ink rows 4..31 of the 40-row line, then two empty rows above 5/6 of it.
    EXPECT_EQ(mask.height, 28u + 2);
    const std::vector<uint16_t> glyphRow{0, 0, 0, 0, kEdge, kInk, kInk, kInk, 0, 0,
                                         kEdge, kInk, kInk, kInk, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Row(mask, 0), glyphRow);
    EXPECT_EQ(Row(mask, 27), glyphRow);
    EXPECT_EQ(Row(mask, 28), std::vector<uint16_t>(21, 0));
    EXPECT_EQ(Row(mask, 29), std::vector<uint16_t>(21, 0));
}

TEST(TextRasterizer, ItalicTextLeavesSevenThirtySecondsOfTheAscent)
{
    FakeTextRenderer renderer;
    MaskOwner owner;
    StampStyle style = PlainStyle();
    style.font.italic = 1;
    RasterizeStampText(owner.mask, u"AB", style, renderer);
    EXPECT_EQ(owner.mask.width, 12u + 3 * 7);
    EXPECT_EQ(Cell(owner.mask, 0, 8), kEdge);
    EXPECT_EQ(Cell(owner.mask, 0, 9), kInk);
    EXPECT_EQ(Cell(owner.mask, 0, 7), 0);
}

TEST(TextRasterizer, EmptyRowsEndTheMaskOnlyInTheLowestSixth)
{
    FakeTextRenderer renderer;
    MaskOwner owner;
    // Underscore ink at rows 34..37 follows the empty rows 32 and 33, which lie
    // above 5/6 of the 40-row line (33), so all of it is kept.
    RasterizeStampText(owner.mask, u"A_", PlainStyle(), renderer);
    EXPECT_EQ(owner.mask.height, 34u);
    EXPECT_EQ(Cell(owner.mask, 33, 13), kInk);

    // Two lines: the gap between them stays, the space under the second goes.
    RasterizeStampText(owner.mask, u"A\rA", PlainStyle(), renderer);
    EXPECT_EQ(owner.mask.height, 72u - 4);
    EXPECT_EQ(Cell(owner.mask, 27, 5), kInk);
    EXPECT_EQ(Row(owner.mask, 28), std::vector<uint16_t>(owner.mask.rowLength, 0));
    EXPECT_EQ(Row(owner.mask, 39), std::vector<uint16_t>(owner.mask.rowLength, 0));
    EXPECT_EQ(Cell(owner.mask, 40, 5), kInk);
    EXPECT_EQ(Cell(owner.mask, 67, 5), kInk);
}

TEST(TextRasterizer, TextWithoutInkGivesNoRows)
{
    FakeTextRenderer renderer;
    MaskOwner owner;
    RasterizeStampText(owner.mask, u" ", PlainStyle(), renderer);
    EXPECT_EQ(owner.mask.height, 0u);

    RasterizeStampText(owner.mask, u" ", OutlinedStyle(), renderer);
    EXPECT_EQ(owner.mask.height, 10u);
    EXPECT_EQ(owner.mask.width, owner.mask.rowLength);
    for (uint32_t row = 0; row < owner.mask.height; ++row)
        EXPECT_EQ(Row(owner.mask, row), std::vector<uint16_t>(owner.mask.rowLength, 0));
}

// Straight through the middle of a block glyph the five rings lie one after
// another; at a corner, ring 1 takes the diagonal, ring 2 needs two
// neighbours and so leaves the diagonal to ring 3.
TEST(TextRasterizer, OutlineRingsSurroundTheGlyphs)
{
    FakeTextRenderer renderer;
    MaskOwner owner;
    RasterizeStampText(owner.mask, u"A", OutlinedStyle(), renderer);
    const StampMask& mask = owner.mask;
    EXPECT_EQ(mask.width, 6u + 9 + 10);
    EXPECT_EQ(mask.rowLength, mask.width);
    EXPECT_EQ(mask.height, 30u + 10);

    std::vector<uint16_t> middle{1005, 1004, 1003, 1002, 1001};
    middle.insert(middle.end(), 28, kInk);
    middle.insert(middle.end(), {0, 0, 0, 0, 0, 0, 0});
    // The two kept empty rows under the glyph take rings 1 and 2.
    middle[33] = 1001;
    middle[34] = 1002;
    middle[35] = 1003;
    middle[36] = 1004;
    middle[37] = 1005;
    EXPECT_EQ(Column(mask, 11), middle);

    const std::vector<uint16_t> across{0, 0, 0, 0, 1005, 1004, 1003, 1002, 1001, kEdge, kInk, kInk, kInk,
                                       1001, 1002, 1003, 1004, 1005, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Row(mask, 15), across);

    EXPECT_EQ(Cell(mask, 4, 8), 1001);
    EXPECT_EQ(Cell(mask, 3, 8), 1002);
    EXPECT_EQ(Cell(mask, 4, 7), 1002);
    EXPECT_EQ(Cell(mask, 3, 7), 1003);
}

TEST(TextRasterizer, WideTextIsCutAtFullRows)
{
    FakeTextRenderer renderer(50);
    MaskOwner owner;
    const std::u16string text(99, u'A');
    RasterizeStampText(owner.mask, text.c_str(), OutlinedStyle(), renderer);
    EXPECT_EQ(owner.mask.rowLength, 4096u);
    EXPECT_EQ(owner.mask.width, 4096u);
    EXPECT_EQ(Cell(owner.mask, 10, 4090), kInk);
    EXPECT_EQ(Cell(owner.mask, 10, 4091), 1001) << "the cut glyph still gets its rings";
    EXPECT_EQ(Cell(owner.mask, 10, 4095), 1005);

    RasterizeStampText(owner.mask, text.c_str(), PlainStyle(), renderer);
    EXPECT_EQ(owner.mask.rowLength, 4096u);
    EXPECT_EQ(owner.mask.width, 4096u);
}

TEST(TextRasterizer, TextTallerThanTheSurfaceIsReadOnlyWhereItLies)
{
    FakeTextRenderer renderer(6, 256, 64);
    MaskOwner owner;
    RasterizeStampText(owner.mask, u"A\rA\rA", OutlinedStyle(), renderer);
    // Surface rows 4..63: the second line is cut at the surface's bottom.
    EXPECT_EQ(owner.mask.height, 60u + 10);
    EXPECT_LE(static_cast<size_t>(owner.mask.height) * owner.mask.rowLength, owner.mask.capacity);
}

TEST(TextRasterizer, ReusedMaskHoldsOnlyTheNewText)
{
    FakeTextRenderer renderer;
    MaskOwner owner;
    RasterizeStampText(owner.mask, u"AAAA", OutlinedStyle(), renderer);
    const uint32_t capacity = owner.mask.capacity;
    const uint16_t* cells = owner.mask.cells;
    RasterizeStampText(owner.mask, u"A", PlainStyle(), renderer);
    EXPECT_EQ(owner.mask.capacity, capacity) << "the buffer only grows";
    EXPECT_EQ(owner.mask.cells, cells);
    EXPECT_EQ(owner.mask.width, 15u);
    for (uint32_t row = 0; row < owner.mask.height; ++row)
        for (uint32_t column = 8; column < owner.mask.rowLength; ++column)
            EXPECT_EQ(Cell(owner.mask, row, column), 0) << row << "," << column;
}

TEST(TextRasterizer, FontComesFromTheStyleAtNinetySixDotsPerInch)
{
    FakeTextRenderer renderer;
    MaskOwner owner;
    StampStyle style = PlainStyle();
    style.font.underline = 1;
    RasterizeStampText(owner.mask, u"A&B", style, renderer);
    EXPECT_EQ(renderer.font_.faceName, u"Arial");
    EXPECT_EQ(renderer.font_.height, -48) << "360 tenths of a point";
    EXPECT_EQ(renderer.font_.weight, 700);
    EXPECT_TRUE(renderer.font_.underline);
    EXPECT_FALSE(renderer.font_.italic);
    EXPECT_EQ(renderer.drawn.back(), u"A&B") << "an ampersand is text, not a mnemonic mark";
    EXPECT_EQ(owner.mask.width, 18u + 9);
}

TEST(TextRasterizer, FailedEnlargementLeavesAnEmptyDrawableMask)
{
    FakeTextRenderer renderer;
    MaskOwner owner;
    RasterizeStampText(owner.mask, u"A", OutlinedStyle(), renderer);
    const uint32_t capacity = owner.mask.capacity;
    EXPECT_FALSE(ReserveMaskCells(owner.mask, size_t{1} << 40));
    EXPECT_EQ(owner.mask.height, 0u);
    EXPECT_EQ(owner.mask.width, 0u);
    EXPECT_EQ(owner.mask.capacity, capacity) << "the recorded size is the buffer's";
    EXPECT_NE(owner.mask.cells, nullptr);
}

TEST(TextRasterizer, ProcessWideRendererCanBeReplaced)
{
    FakeTextRenderer renderer;
    platform::TextRenderer* previous = ReplaceStampTextRenderer(&renderer);
    MaskOwner owner;
    RasterizeStampText(owner.mask, u"AB", PlainStyle());
    ReplaceStampTextRenderer(previous);
    EXPECT_EQ(renderer.drawn.size(), 1u);
    EXPECT_EQ(owner.mask.width, 21u);
}

// The preview and a job may rasterise at the same moment; the shared
// surface must serve one of them at a time.
TEST(TextRasterizerThreads, ConcurrentRasterisationsDoNotMix)
{
    FakeTextRenderer renderer;
    platform::TextRenderer* previous = ReplaceStampTextRenderer(&renderer);
    auto rasterise = [](const char16_t* text, uint32_t expectedWidth, bool& allRight) {
        MaskOwner owner;
        allRight = true;
        for (int i = 0; i < 200; ++i) {
            RasterizeStampText(owner.mask, text, PlainStyle());
            allRight = allRight && owner.mask.width == expectedWidth && owner.mask.height == 30;
        }
    };
    bool shortRight = false;
    bool longRight = false;
    std::thread first(rasterise, u"A", 15u, std::ref(shortRight));
    std::thread second(rasterise, u"AAAAAAAA", 57u, std::ref(longRight));
    first.join();
    second.join();
    ReplaceStampTextRenderer(previous);
    EXPECT_TRUE(shortRight);
    EXPECT_TRUE(longRight);
}

TEST(TextRasterizerThreads, RealFontRasterisationsMatchTheirSingleThreadedMasks)
{
    AppSettings settings;
    ResetSettings(settings);
    const char16_t* texts[2] = {u"2024-02-29", u"10:11:12"};
    MaskOwner references[2];
    for (int i = 0; i < 2; ++i)
        RasterizeStampText(references[i].mask, texts[i], settings.dateStamp);
    auto cellsOf = [](const StampMask& mask) {
        return std::vector<uint16_t>(mask.cells, mask.cells + mask.height * mask.rowLength);
    };
    bool same[2] = {false, false};
    auto rasterise = [&](int i) {
        MaskOwner owner;
        same[i] = true;
        for (int round = 0; round < 20; ++round) {
            RasterizeStampText(owner.mask, texts[i], settings.dateStamp);
            same[i] = same[i] && owner.mask.width == references[i].mask.width &&
                      cellsOf(owner.mask) == cellsOf(references[i].mask);
        }
    };
    std::thread preview(rasterise, 0);
    std::thread job(rasterise, 1);
    preview.join();
    job.join();
    EXPECT_TRUE(same[0]);
    EXPECT_TRUE(same[1]);
}
