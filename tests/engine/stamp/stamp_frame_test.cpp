#include "engine/stamp/stamp_frame.h"

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "engine/settings/app_settings.h"
#include "engine/stamp/stamp_visibility.h"
#include "engine/stamp/text_rasterizer.h"
#include "support/fake_text_renderer.h"

using namespace wuvo;
using wuvo::test::FakeTextRenderer;

namespace {

constexpr int32_t kWidth = 320;
constexpr int32_t kHeight = 240;
constexpr uint32_t kFps = 30;

FrameClock Clock(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute, int32_t second,
                 int32_t frameIndex = 0)
{
    FrameClock clock;
    clock.date = {year, month, day, hour, minute, second, frameIndex};
    clock.timescale = 30000;
    clock.averageDelta = 1001;
    return clock;
}

// Runs a batch's stamping over a fake renderer with the default stamps, and
// puts the settings and the renderer back afterwards.
class StampFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = gSettings;
        ResetSettings(gSettings);
        gSettings.idle = 0;
        gSettings.dateStamp.x = gSettings.dateStamp.y = 10;
        gSettings.timeStamp.x = 10;
        gSettings.timeStamp.y = 120;
        previous_ = ReplaceStampTextRenderer(&renderer);
        context = CreateStampContext();
        ASSERT_NE(context, nullptr);
        SetBaseWeights(*context);
        MarkNoPreviousFrame(*context);
        MakeSchedules();
    }
    void TearDown() override
    {
        FreeStampContext(context);
        ReplaceStampTextRenderer(previous_);
        gSettings = saved_;
    }
    void MakeSchedules()
    {
        dateSchedule = MakeStampSchedule(gSettings.dateStamp, kFps);
        timeSchedule = MakeStampSchedule(gSettings.timeStamp, kFps);
    }
    void Stamp(uint32_t n, const FrameClock& clock, float scaleX = 1.0f, float scaleY = 1.0f)
    {
        StampFrameAt(*context, dateSchedule, timeSchedule, plane.data(), kWidth, kHeight, n, clock, scaleX, scaleY);
        CarryToPreviousFrame(*context);
    }
    // Frames of `seconds` whole seconds from 10:00:00, kFps per second.
    void StampSeconds(uint32_t seconds, uint32_t firstFrame = 0)
    {
        for (uint32_t n = firstFrame; n < firstFrame + seconds * kFps; ++n)
            Stamp(n, Clock(2024, 5, 17, 10, 0, static_cast<int32_t>(n / kFps), static_cast<int32_t>(n)));
    }
    size_t Distinct() const { return std::set<std::u16string>(renderer.drawn.begin(), renderer.drawn.end()).size(); }

    FakeTextRenderer renderer;
    StampContext* context = nullptr;
    StampSchedule dateSchedule;
    StampSchedule timeSchedule;
    std::vector<uint8_t> plane = std::vector<uint8_t>(kWidth * kHeight, 128);

private:
    AppSettings saved_;
    platform::TextRenderer* previous_ = nullptr;
};

}  // namespace

TEST_F(StampFrameTest, DuringABatchTextIsRasterisedOnceASecond)
{
    gSettings.timeStamp.formatIndex = 5;
    StampSeconds(3);
    // One date text for the day, one time text for each second.
    EXPECT_EQ(renderer.drawn.size(), 1u + 3);
    EXPECT_EQ(Distinct(), 4u);
}

TEST_F(StampFrameTest, WhileIdleEveryFrameIsRasterised)
{
    gSettings.idle = 1;
    StampSeconds(1);
    EXPECT_EQ(renderer.drawn.size(), 2u * kFps);
}

TEST_F(StampFrameTest, SubSecondTimeFormatsAreRasterisedEveryFrame)
{
    gSettings.timeStamp.formatIndex = 9;
    gSettings.dateStamp.enabled = 0;
    StampSeconds(1);
    EXPECT_EQ(renderer.drawn.size(), size_t{kFps});
    EXPECT_EQ(Distinct(), size_t{kFps}) << "the frame index is part of the text";
}

// Custom formats may show the time or the date through conversions the
// stored flags do not name (%T, %F, %c, ...), and files from elsewhere keep
// such flags: the texts follow the clock whatever the flags say.
TEST_F(StampFrameTest, CustomFormatsFollowTheClockWhateverTheirFlags)
{
    gSettings.dateStamp.formatIndex = gSettings.timeStamp.formatIndex = 0;
    for (uint32_t flag : {0u, 1u}) {
        renderer.drawn.clear();
        MarkNoPreviousFrame(*context);
        gSettings.dateStamp.hasTime = gSettings.timeStamp.hasDate = flag;
        StampSeconds(2);
        EXPECT_EQ(renderer.drawn.size(), 2u + 2) << "each stamp once a second, flag " << flag;
        EXPECT_NE(renderer.drawn[0].find(u'\r'), std::u16string::npos) << "a two-line custom date";
        // The next day at the same second: both texts are made again.
        Stamp(2 * kFps, Clock(2024, 5, 18, 10, 0, 1, 2 * kFps));
        EXPECT_EQ(renderer.drawn.size(), 2u + 2 + 2) << "flag " << flag;
    }
}

TEST_F(StampFrameTest, AStampShownAgainIsRasterisedAgain)
{
    gSettings.timeStamp.enabled = 0;
    gSettings.dateStamp.showMode = kShowPeriodically;
    gSettings.dateStamp.periodSeconds = 2;
    gSettings.dateStamp.periodicSeconds = 1;
    MakeSchedules();
    StampSeconds(4);
    // Shown in seconds 0 and 2 of the same day: the second showing follows a
    // hidden frame, so its mask is made again.
    EXPECT_EQ(renderer.drawn.size(), 2u);
}

TEST_F(StampFrameTest, HiddenStampsDrawNothing)
{
    gSettings.dateStamp.enabled = 0;
    gSettings.timeStamp.showMode = kShowOnDateChange;
    gSettings.timeStamp.delayOn = 1;
    MakeSchedules();
    Stamp(0, Clock(2024, 5, 17, 10, 0, 0));
    EXPECT_FALSE(context->dateShown);
    EXPECT_FALSE(context->timeShown);
    EXPECT_TRUE(renderer.drawn.empty());
    EXPECT_EQ(context->tm.tm_year, 0) << "the frame's time is only taken for a stamped frame";
    for (uint8_t sample : plane)
        ASSERT_EQ(sample, 128);
    EXPECT_EQ(dateSchedule.start, 0u) << "a disabled stamp's schedule is not touched";
}

TEST_F(StampFrameTest, FrameTimeIsHandedToTheTextFormatting)
{
    Stamp(45, Clock(2024, 2, 29, 23, 59, 58, 45));
    EXPECT_EQ(context->tm.tm_year, 124);
    EXPECT_EQ(context->tm.tm_mon, 1);
    EXPECT_EQ(context->tm.tm_mday, 29);
    EXPECT_EQ(context->tm.tm_hour, 23);
    EXPECT_EQ(context->tm.tm_sec, 58);
    EXPECT_EQ(context->tm.tm_wday, 4);
    EXPECT_EQ(context->tm.tm_yday, -1);
    EXPECT_EQ(context->frameIndexByTime, 45u);
    EXPECT_EQ(context->timescale, 30000u);
    EXPECT_EQ(context->curDate, PackDate(2024, 2, 29));
    EXPECT_EQ(context->curSeconds, 86398u);
}

TEST_F(StampFrameTest, TransparencyAppliesToTheBlend)
{
    gSettings.timeStamp.enabled = 0;
    gSettings.dateStamp.transparency = 50;
    gSettings.dateStamp.outline = 0;
    gSettings.dateStamp.fontBrightness = 228;
    Stamp(0, Clock(2024, 5, 17, 10, 0, 0));
    EXPECT_EQ(context->dateWeights.first[0], 500u);
    // First glyph's full-ink column: 3 columns of slant room, then one edge column.
    EXPECT_EQ(plane[(10 + 0) * kWidth + 10 + 5], (128 + 228) / 2);
}

TEST_F(StampFrameTest, TimeStampLiesOverTheDateStamp)
{
    gSettings.timeStamp.y = gSettings.dateStamp.y;
    gSettings.dateStamp.outline = gSettings.timeStamp.outline = 0;
    gSettings.dateStamp.fontBrightness = 40;
    gSettings.timeStamp.fontBrightness = 240;
    Stamp(0, Clock(2024, 5, 17, 10, 0, 0));
    EXPECT_EQ(plane[10 * kWidth + 10 + 5], 240);
}

TEST_F(StampFrameTest, ScaledFramesGetScaledPositionsAndSizes)
{
    gSettings.timeStamp.enabled = 0;
    gSettings.dateStamp.x = 100;
    gSettings.dateStamp.y = 60;
    gSettings.dateStamp.outline = 0;
    gSettings.dateStamp.fontBrightness = 255;
    Stamp(0, Clock(2024, 5, 17, 10, 0, 0), 0.5f, 0.25f);
    EXPECT_EQ(renderer.font_.height, -24) << "raster height scaled by x";
    EXPECT_EQ(plane[15 * kWidth + 50 + 5], 255);
    EXPECT_EQ(plane[14 * kWidth + 50 + 5], 128);
    EXPECT_EQ(plane[15 * kWidth + 50 + 3], 128);
}

// On wide pixels the letters are drawn narrower, or shorter when the text is
// turned by a quarter and its height runs across the frame.
TEST_F(StampFrameTest, WidePixelsNarrowTheLettersAcrossTheFrame)
{
    gSettings.idle = 1;
    context->pixelAspect = 4.0f / 3;
    for (auto [rotation, height, widthScale] : {std::tuple{0u, -48, 0.75f}, {90u, -36, 4.0f / 3}}) {
        gSettings.dateStamp.rotation = gSettings.timeStamp.rotation = rotation;
        Stamp(0, Clock(2024, 5, 17, 10, 0, 0));
        EXPECT_EQ(renderer.font_.height, height) << rotation;
        EXPECT_FLOAT_EQ(renderer.font_.widthScale, widthScale) << rotation;
    }
}

TEST_F(StampFrameTest, FadeAndDateChangeDriveTheWeights)
{
    gSettings.timeStamp.enabled = 0;
    gSettings.dateStamp.showMode = kShowOnDateChange;
    gSettings.dateStamp.fadeOn = 1;
    gSettings.dateStamp.transparency = 10;
    MakeSchedules();
    Stamp(0, Clock(2024, 12, 31, 23, 59, 59));
    EXPECT_EQ(context->dateWeights.baseFirst[0], 1u);
    EXPECT_EQ(context->dateWeights.first[0], 1u) << "1 - 1 * 10 / 100";
    EXPECT_EQ(context->dateWeights.second[0], 899u);
    for (uint32_t n = 1; n < 90; ++n)
        Stamp(n, Clock(2024, 12, 31, 23, 59, 59));
    Stamp(90, Clock(2024, 12, 31, 23, 59, 59));
    EXPECT_FALSE(context->dateShown);
    Stamp(91, Clock(2025, 1, 1, 0, 0, 0));
    EXPECT_TRUE(context->dateShown) << "the new year opens a showing";
}
