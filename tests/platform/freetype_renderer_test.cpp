#include "platform/gdi/freetype_renderer.h"

#include <gtest/gtest.h>

using namespace wuvo::platform;

namespace {

constexpr int32_t kSurfaceWidth = 512;
constexpr int32_t kSurfaceHeight = 256;

FontDescription Font(const char16_t* face, int32_t height = -48, int32_t weight = 400)
{
    FontDescription font;
    font.faceName = face;
    font.height = height;
    font.weight = weight;
    return font;
}

// Inked samples in rows [top, bottom) and columns [left, right).
int InkIn(const TextRenderer& renderer, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    int ink = 0;
    for (int32_t y = top; y < bottom; ++y)
        for (int32_t x = left; x < right; ++x)
            ink += renderer.Row(y)[x] != 0;
    return ink;
}

int32_t Width(FreeTypeTextRenderer& renderer, const FontDescription& font, std::u16string_view text)
{
    EXPECT_TRUE(renderer.SelectFont(font));
    return renderer.Measure(text).width;
}

class FreeTypeRenderer : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(renderer.Ready()); }
    void DrawFresh(const FontDescription& font, std::u16string_view text)
    {
        ASSERT_TRUE(renderer.SelectFont(font));
        renderer.Clear(0, 0, kSurfaceWidth, kSurfaceHeight);
        renderer.Draw(text, 10, 10);
    }
    // How far a vertical stem's left edge lies further right near the top of
    // the glyph than near the baseline: 0 for upright text.
    int32_t Lean(const FontDescription& font, std::u16string_view stem)
    {
        DrawFresh(font, stem);
        const int32_t baseline = 10 + renderer.Metrics().ascent;
        // Rows on the stem, clear of serifs.
        return FirstInk(baseline - 24) - FirstInk(baseline - 8);
    }
    int32_t FirstInk(int32_t y) const
    {
        for (int32_t x = 0; x < kSurfaceWidth; ++x)
            if (renderer.Row(y)[x] > 128)
                return x;
        return -1;
    }
    FreeTypeTextRenderer renderer{kSurfaceWidth, kSurfaceHeight};
};

}  // namespace

TEST(GdiHeights, TenthsOfAPointBecomePixelsAtNinetySixDotsPerInch)
{
    EXPECT_EQ(EmHeightForTenthsOfPoint(360), -48);
    EXPECT_EQ(EmHeightForTenthsOfPoint(100), -13);
    EXPECT_EQ(EmHeightForTenthsOfPoint(105), -14) << "13.99 rounds up";
    EXPECT_EQ(EmHeightForTenthsOfPoint(0), 0);
}

// Liberation Sans carries Arial's metrics: 2048 units per em, Windows ascent
// 1854 and descent 434, so a 48-pixel em gives 43 + 10 and a 53-pixel cell
// the same em.
TEST_F(FreeTypeRenderer, HeightsFollowTheEmAndCellRules)
{
    ASSERT_TRUE(renderer.SelectFont(Font(u"Arial", -48)));
    const TextMetrics em = renderer.Metrics();
    EXPECT_EQ(em.ascent, 43);
    EXPECT_EQ(em.descent, 10);
    EXPECT_EQ(em.height, 53);

    ASSERT_TRUE(renderer.SelectFont(Font(u"Arial", 53)));
    EXPECT_EQ(renderer.Metrics().height, 53);
    EXPECT_EQ(renderer.Metrics().ascent, 43);

    ASSERT_TRUE(renderer.SelectFont(Font(u"Arial", -96)));
    EXPECT_EQ(renderer.Metrics().ascent, 87);
}

TEST_F(FreeTypeRenderer, MissingFaceFallsBackAsFontconfigSays)
{
    const std::u16string text = u"Hello 2024";
    const int32_t arial = Width(renderer, Font(u"Arial"), text);
    EXPECT_EQ(arial, Width(renderer, Font(u"Liberation Sans"), text));
    EXPECT_NE(arial, Width(renderer, Font(u"DejaVu Sans"), text));
    EXPECT_EQ(Width(renderer, Font(u"Courier New"), text), Width(renderer, Font(u"Liberation Mono"), text));
    EXPECT_GT(Width(renderer, Font(u"No Such Face At All"), text), 0);
    EXPECT_GT(Width(renderer, Font(u""), text), 0);
}

TEST_F(FreeTypeRenderer, CharacterMissingFromTheFaceComesFromAnother)
{
    // The snowman is in DejaVu Sans but not in Liberation Sans.
    const std::u16string snowman = u"\u2603";
    EXPECT_EQ(Width(renderer, Font(u"Arial"), snowman), Width(renderer, Font(u"DejaVu Sans"), snowman));
    DrawFresh(Font(u"Arial"), snowman);
    EXPECT_GT(InkIn(renderer, 0, 0, kSurfaceWidth, kSurfaceHeight), 100);
}

TEST_F(FreeTypeRenderer, WeightAndSlantChangeTheGlyphs)
{
    const std::u16string text = u"Stamp";
    EXPECT_GT(Width(renderer, Font(u"Arial", -48, 700), text), Width(renderer, Font(u"Arial", -48, 400), text));

    FontDescription italic = Font(u"Arial");
    italic.italic = true;
    ASSERT_TRUE(renderer.SelectFont(italic));
    EXPECT_TRUE(renderer.Metrics().italic);
    EXPECT_GE(Lean(italic, u"I"), 3);
    EXPECT_EQ(Lean(Font(u"Arial"), u"I"), 0);
}

// This face has neither a bold nor an italic variant: both are synthesised.
TEST_F(FreeTypeRenderer, MissingStylesAreSynthesised)
{
    const char16_t* face = u"DejaVu Math TeX Gyre";
    const std::u16string text = u"Stamp";
    EXPECT_GT(Width(renderer, Font(face, -48, 700), text), Width(renderer, Font(face, -48, 400), text));

    FontDescription upright = Font(face);
    FontDescription italic = upright;
    italic.italic = true;
    EXPECT_EQ(Lean(upright, u"I"), 0);
    EXPECT_GE(Lean(italic, u"I"), 3);
    EXPECT_EQ(Width(renderer, italic, text), Width(renderer, upright, text)) << "a slant keeps the advances";
}

TEST_F(FreeTypeRenderer, UnderlineAndStrikeOutDrawLines)
{
    FontDescription font = Font(u"Arial");
    DrawFresh(font, u"   ");
    EXPECT_EQ(InkIn(renderer, 0, 0, kSurfaceWidth, kSurfaceHeight), 0) << "spaces have no ink";

    const int32_t baseline = 10 + 43;
    font.underline = true;
    DrawFresh(font, u"   ");
    EXPECT_GT(InkIn(renderer, 10, baseline, kSurfaceWidth, baseline + 10), 20);
    EXPECT_EQ(InkIn(renderer, 0, 0, kSurfaceWidth, baseline), 0);

    font.underline = false;
    font.strikeOut = true;
    DrawFresh(font, u"   ");
    EXPECT_GT(InkIn(renderer, 10, baseline - 30, kSurfaceWidth, baseline - 5), 20);
    EXPECT_EQ(InkIn(renderer, 0, baseline, kSurfaceWidth, kSurfaceHeight), 0);
}

TEST_F(FreeTypeRenderer, LinesBreakAtCarriageReturnAndLineFeed)
{
    ASSERT_TRUE(renderer.SelectFont(Font(u"Arial")));
    const int32_t line = renderer.Metrics().height;
    const int32_t wide = renderer.Measure(u"WWWW").width;
    EXPECT_EQ(renderer.Measure(u"WWWW").height, line);
    EXPECT_EQ(renderer.Measure(u"WWWW\rW").height, 2 * line);
    EXPECT_EQ(renderer.Measure(u"W\r\nWWWW").height, 2 * line);
    EXPECT_EQ(renderer.Measure(u"W\nWWWW\rW").height, 3 * line);
    EXPECT_EQ(renderer.Measure(u"W\r\nWWWW").width, wide);

    DrawFresh(Font(u"Arial"), u"W\rW");
    EXPECT_GT(InkIn(renderer, 0, 10 + line, kSurfaceWidth, 10 + 2 * line), 100);
}

TEST_F(FreeTypeRenderer, AmpersandIsDrawnAsItStands)
{
    ASSERT_TRUE(renderer.SelectFont(Font(u"Arial")));
    const int32_t ampersand = renderer.Measure(u"&").width;
    EXPECT_GT(ampersand, 0);
    EXPECT_EQ(renderer.Measure(u"A&B").width,
              renderer.Measure(u"A").width + ampersand + renderer.Measure(u"B").width);
    DrawFresh(Font(u"Arial"), u"&");
    EXPECT_GT(InkIn(renderer, 0, 0, kSurfaceWidth, kSurfaceHeight), 100);
}

TEST_F(FreeTypeRenderer, DrawingPastTheSurfaceIsClipped)
{
    ASSERT_TRUE(renderer.SelectFont(Font(u"Arial", -200)));
    renderer.Draw(u"W\u2603 W\rWW", kSurfaceWidth - 60, kSurfaceHeight - 100);
    renderer.Draw(u"gW", -80, -150);
    renderer.Clear(-10, -10, kSurfaceWidth + 10, kSurfaceHeight + 10);
    EXPECT_EQ(InkIn(renderer, 0, 0, kSurfaceWidth, kSurfaceHeight), 0);
}

TEST_F(FreeTypeRenderer, UnpairedSurrogatesAreDrawnAsReplacements)
{
    ASSERT_TRUE(renderer.SelectFont(Font(u"Arial")));
    const std::u16string broken{u'A', char16_t(0xD800), u'B'};
    EXPECT_EQ(renderer.Measure(broken).width, renderer.Measure(u"A\uFFFDB").width);
}
