#include "engine/stamp/stamp_context.h"

#include <cstring>

#include <gtest/gtest.h>

#include "engine/stamp/text_rasterizer.h"
#include "support/fake_text_renderer.h"

using namespace wuvo;

TEST(StampContext, NewContextIsZeroButForTheUnknownDayOfYearAndDaylightFlag)
{
    StampContext* context = CreateStampContext();
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(context->tm.tm_yday, -1);
    EXPECT_EQ(context->tm.tm_isdst, -1);
    StampContext expected{};
    expected.tm.tm_yday = expected.tm.tm_isdst = -1;
    EXPECT_EQ(context->dateMask.cells, nullptr);
    EXPECT_EQ(context->curDate, 0u);
    EXPECT_EQ(context->prevSeconds, 0u);
    EXPECT_EQ(context->timeShown, 0);
    EXPECT_EQ(context->frameIndexByTime, 0u);
    EXPECT_EQ(context->tm.tm_year, 0);
    EXPECT_EQ(context->dateWeights.baseFirst, expected.dateWeights.baseFirst);
    EXPECT_EQ(context->timeWeights.second, expected.timeWeights.second);
    FreeStampContext(context);
}

// The sanitizer build reports the masks' cells if they were not released.
TEST(StampContext, FreeingReleasesTheMasksAndIgnoresNull)
{
    FreeStampContext(nullptr);
    StampContext* context = CreateStampContext();
    ASSERT_NE(context, nullptr);
    wuvo::test::FakeTextRenderer renderer;
    AppSettings settings;
    ResetSettings(settings);
    RasterizeStampText(context->dateMask, u"12", settings.dateStamp, renderer);
    RasterizeStampText(context->timeMask, u"34", settings.timeStamp, renderer);
    EXPECT_NE(context->dateMask.cells, nullptr);
    FreeStampContext(context);
}

TEST(StampContext, BaseWeightsAndPreviousFrame)
{
    StampContext context{};
    SetBaseWeights(context);
    const std::array<uint32_t, 6> first{1000, 1000, 1000, 1000, 1000, 1000};
    const std::array<uint32_t, 6> second{0, 0, 800, 2000, 4000, 7000};
    EXPECT_EQ(context.dateWeights.baseFirst, first);
    EXPECT_EQ(context.timeWeights.baseSecond, second);

    MarkNoPreviousFrame(context);
    EXPECT_EQ(context.prevDate, 0xFFFFFFFFu);
    EXPECT_EQ(context.prevSeconds, 0xFFFFFFFFu);
    context.curDate = 7;
    context.curSeconds = 9;
    context.dateShown = 1;
    CarryToPreviousFrame(context);
    EXPECT_EQ(context.prevDate, 7u);
    EXPECT_EQ(context.prevSeconds, 9u);
    EXPECT_EQ(context.datePrevShown, 1);
    EXPECT_EQ(context.timePrevShown, 0);
}

TEST(StampContext, ScheduleCountsFramesAndSaturates)
{
    AppSettings settings;
    ResetSettings(settings);
    StampStyle style = settings.dateStamp;
    style.fadeSeconds = 2;
    const StampSchedule schedule = MakeStampSchedule(style, 30);
    EXPECT_EQ(schedule.sceneFrames, 90u);
    EXPECT_EQ(schedule.periodFrames, 1800u);
    EXPECT_EQ(schedule.fadeFrames, 60u);
    EXPECT_EQ(schedule.fadeFramesSquared, 3600u);
    EXPECT_EQ(schedule.delayFrames, 90u);
    EXPECT_EQ(schedule.start, 0u);
    EXPECT_EQ(schedule.step, 0u);

    style.periodSeconds = 0xFFFFFFFF;
    style.fadeSeconds = 100000;
    const StampSchedule huge = MakeStampSchedule(style, 60);
    EXPECT_EQ(huge.periodFrames, 0xFFFFFFFFu);
    EXPECT_EQ(huge.fadeFrames, 0xFFFFu) << "its square still fits";
    EXPECT_EQ(huge.fadeFramesSquared, 0xFFFFu * 0xFFFFu);
}
