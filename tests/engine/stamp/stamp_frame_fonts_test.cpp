// Stamps with the installed fonts and the real stamp texts.
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "engine/settings/app_settings.h"
#include "engine/stamp/stamp_frame.h"
#include "engine/stamp/text_rasterizer.h"
#include "engine/text/format_tables.h"
#include "engine/text/stamp_text.h"
#include "platform/gdi/font_set.h"
#include "support/fixtures.h"
#include "support/png_writer.h"
#include "support/stamp_languages.h"

using namespace wuvo;

namespace {

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;
constexpr size_t kLumaSize = static_cast<size_t>(kWidth) * kHeight;
constexpr size_t kFrameSize = kLumaSize * 3 / 2;

// A frame with a luma ramp and chroma that varies, so a stamp has a picture
// to mix with and a wrong write into the chroma shows.
std::vector<uint8_t> SyntheticFrame()
{
    std::vector<uint8_t> frame(kFrameSize);
    for (int32_t y = 0; y < kHeight; ++y)
        for (int32_t x = 0; x < kWidth; ++x)
            frame[static_cast<size_t>(y) * kWidth + x] = static_cast<uint8_t>(16 + (x + y) % 200);
    for (size_t i = kLumaSize; i < kFrameSize; ++i)
        frame[i] = static_cast<uint8_t>(64 + i % 128);
    return frame;
}

struct Rect {
    int32_t left, top, right, bottom;
    bool Contains(int32_t x, int32_t y) const { return x >= left && x < right && y >= top && y < bottom; }
};

Rect StampRect(const StampStyle& style, const StampMask& mask)
{
    return {style.x, style.y, style.x + static_cast<int32_t>(mask.width), style.y + static_cast<int32_t>(mask.height)};
}

bool DiffersInside(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, const Rect& rect)
{
    for (int32_t y = rect.top; y < rect.bottom; ++y)
        for (int32_t x = rect.left; x < rect.right; ++x)
            if (a[static_cast<size_t>(y) * kWidth + x] != b[static_cast<size_t>(y) * kWidth + x])
                return true;
    return false;
}

class StampFrameFonts : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = gSettings;
        ResetSettings(gSettings);
        gSettings.idle = 0;
        context = CreateStampContext();
        ASSERT_NE(context, nullptr);
        SetBaseWeights(*context);
        MarkNoPreviousFrame(*context);
        dateSchedule = MakeStampSchedule(gSettings.dateStamp, 30);
        timeSchedule = MakeStampSchedule(gSettings.timeStamp, 30);
    }
    void TearDown() override
    {
        FreeStampContext(context);
        gSettings = saved_;
    }
    std::vector<uint8_t> StampAt(uint32_t n, int32_t second)
    {
        std::vector<uint8_t> frame = SyntheticFrame();
        FrameClock clock;
        clock.date = {2024, 2, 29, 10, 11, second, static_cast<int32_t>(n)};
        clock.timescale = 30000;
        clock.averageDelta = 1001;
        StampFrameAt(*context, dateSchedule, timeSchedule, frame.data(), kWidth, kHeight, n, clock, 1.0f, 1.0f);
        CarryToPreviousFrame(*context);
        return frame;
    }

    StampContext* context = nullptr;
    StampSchedule dateSchedule;
    StampSchedule timeSchedule;

private:
    AppSettings saved_;
};

}  // namespace

TEST_F(StampFrameFonts, DefaultStampsChangeOnlyTheirRectanglesOfLuma)
{
    const std::vector<uint8_t> original = SyntheticFrame();
    const std::vector<uint8_t> first = StampAt(0, 12);
    const Rect date = StampRect(gSettings.dateStamp, context->dateMask);
    const Rect time = StampRect(gSettings.timeStamp, context->timeMask);
    EXPECT_TRUE(wuvo::test::WriteI420AsPng(wuvo::test::TestOutputDir() + "/stamped_frame.png", first.data(), kWidth,
                                           kHeight));

    // 48-pixel bold digits with an outline: a mask much wider than tall, with
    // glyph rows between 5 free rows above and below.
    EXPECT_GT(context->dateMask.width, 200u);
    EXPECT_GT(context->dateMask.height, 40u + 10);
    EXPECT_LT(context->dateMask.height, 53u + 10);
    EXPECT_GT(context->timeMask.width, 150u);

    size_t changedInDate = 0;
    size_t changedInTime = 0;
    for (int32_t y = 0; y < kHeight; ++y)
        for (int32_t x = 0; x < kWidth; ++x) {
            const size_t i = static_cast<size_t>(y) * kWidth + x;
            if (first[i] == original[i])
                continue;
            changedInDate += date.Contains(x, y);
            changedInTime += time.Contains(x, y);
            ASSERT_TRUE(date.Contains(x, y) || time.Contains(x, y)) << "changed outside the stamps at " << x << "," << y;
        }
    EXPECT_GT(changedInDate, 2000u);
    EXPECT_GT(changedInTime, 2000u);
    EXPECT_EQ(std::memcmp(first.data() + kLumaSize, original.data() + kLumaSize, kFrameSize - kLumaSize), 0)
        << "chroma is left as decoded";

    // The same second: the same picture. The next second: a new time only.
    const std::vector<uint8_t> sameSecond = StampAt(1, 12);
    EXPECT_EQ(sameSecond, first);
    const std::vector<uint8_t> nextSecond = StampAt(30, 13);
    EXPECT_TRUE(DiffersInside(first, nextSecond, time));
    EXPECT_FALSE(DiffersInside(first, nextSecond, date));
}

// Every character of the stamp texts in these languages has a glyph of its
// own, in a bold face for the bold stamp font: none is a missing-glyph box.
TEST_F(StampFrameFonts, ChineseJapaneseAndKoreanStampsFindEveryGlyph)
{
    using namespace wuvo::test;
    FT_Library library = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    for (int32_t weight : {400, 700}) {
        platform::FontSet fonts(library);
        platform::FontDescription font = DescribeStampFont(gSettings.dateStamp.font, gSettings.dateStamp.rasterHeight);
        font.weight = weight;
        ASSERT_TRUE(fonts.Select(font));
        for (uint32_t language : {kChinese, kJapanese, kKorean}) {
            gSettings.language = language;
            size_t ideographic = 0;
            for (uint32_t index = 1; index < DateFormatCountTable[language]; ++index) {
                gSettings.dateStamp.formatIndex = index;
                char16_t text[kStampTextLength];
                FormatDateText(*context, text);
                for (const char16_t* c = text; *c != 0; ++c) {
                    if (*c == u' ')
                        continue;
                    ideographic += *c >= 0x1100;
                    platform::GlyphSource glyph = fonts.Find(*c);
                    EXPECT_NE(glyph.index, 0u) << "language " << language << " character " << int(*c);
                    EXPECT_FALSE(glyph.emboldened) << "language " << language << " character " << int(*c);
                }
            }
            EXPECT_GT(ideographic, 2u) << "language " << language;
        }
    }
    FT_Done_FreeType(library);
}
