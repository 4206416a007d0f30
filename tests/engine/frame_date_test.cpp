#include "engine/dates/frame_date.h"

#include <ctime>

#include <gtest/gtest.h>

#include "engine/mp4/parse_state.h"
#include "engine/pipeline/shared_objects.h"
#include "engine/settings/app_settings.h"

using namespace wuvo;

namespace {

FrameDateTime Fields(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute, int32_t second)
{
    return FrameDateTime{year, month, day, hour, minute, second, 0};
}

::testing::AssertionResult IsDate(const FrameDateTime& date, const FrameDateTime& expected)
{
    bool same = date.year == expected.year && date.month == expected.month && date.day == expected.day &&
                date.hour == expected.hour && date.minute == expected.minute && date.second == expected.second;
    if (same)
        return ::testing::AssertionSuccess();
    char text[96];
    std::snprintf(text, sizeof text, "%d-%02d-%02d %02d:%02d:%02d", date.year, date.month, date.day, date.hour,
                  date.minute, date.second);
    return ::testing::AssertionFailure() << "got " << text;
}

FrameDateTime Plus(FrameDateTime date, const FrameDateTime& offset)
{
    AddDateOffset(date, offset);
    return date;
}

// The C library's UTC calendar, an independent reference for second offsets.
FrameDateTime ReferencePlusSeconds(const FrameDateTime& date, int64_t seconds)
{
    std::tm time{};
    time.tm_year = date.year - 1900;
    time.tm_mon = date.month - 1;
    time.tm_mday = date.day;
    time.tm_hour = date.hour;
    time.tm_min = date.minute;
    time.tm_sec = date.second;
    time_t instant = ::timegm(&time) + seconds;
    ::gmtime_r(&instant, &time);
    return Fields(time.tm_year + 1900, time.tm_mon + 1, time.tm_mday, time.tm_hour, time.tm_min, time.tm_sec);
}

}  // namespace

TEST(AddDateOffset, CarriesThroughTheYearEnd)
{
    EXPECT_TRUE(IsDate(Plus(Fields(2023, 12, 31, 23, 59, 59), Fields(0, 0, 0, 0, 0, 1)), Fields(2024, 1, 1, 0, 0, 0)));
    EXPECT_TRUE(IsDate(Plus(Fields(2024, 1, 1, 0, 0, 0), Fields(0, 0, 0, 0, 0, -1)), Fields(2023, 12, 31, 23, 59, 59)));
}

TEST(AddDateOffset, StepsBackIntoFebruaryByTheGregorianLeapRule)
{
    FrameDateTime minuteBack = Fields(0, 0, 0, 0, -1, 0);
    EXPECT_TRUE(IsDate(Plus(Fields(2024, 3, 1, 0, 0, 10), minuteBack), Fields(2024, 2, 29, 23, 59, 10)));
    EXPECT_TRUE(IsDate(Plus(Fields(2023, 3, 1, 0, 0, 10), minuteBack), Fields(2023, 2, 28, 23, 59, 10)));
    EXPECT_TRUE(IsDate(Plus(Fields(2100, 3, 1, 0, 0, 10), minuteBack), Fields(2100, 2, 28, 23, 59, 10)));
    EXPECT_TRUE(IsDate(Plus(Fields(2000, 3, 1, 0, 0, 10), minuteBack), Fields(2000, 2, 29, 23, 59, 10)));
}

TEST(AddDateOffset, AddsMonthsBeforeDays)
{
    EXPECT_TRUE(IsDate(Plus(Fields(2024, 1, 31, 8, 0, 0), Fields(0, 1, 0, 0, 0, 0)), Fields(2024, 3, 2, 8, 0, 0)))
        << "February 31 runs on into March";
    EXPECT_TRUE(IsDate(Plus(Fields(2024, 1, 10, 8, 0, 0), Fields(0, -1, -16, 0, 0, 0)), Fields(2023, 11, 24, 8, 0, 0)));
    EXPECT_TRUE(IsDate(Plus(Fields(2024, 2, 29, 0, 0, 0), Fields(-1, 0, 0, 0, 0, 0)), Fields(2023, 3, 1, 0, 0, 0)));
    EXPECT_TRUE(IsDate(Plus(Fields(2024, 6, 15, 0, 0, 0), Fields(0, -11, 0, -23, 0, 0)), Fields(2023, 7, 14, 1, 0, 0)));
}

TEST(AddDateOffset, LeavesTheFrameIndexAlone)
{
    FrameDateTime date = Fields(2024, 1, 1, 0, 0, 0);
    date.frameIndex = 17;
    FrameDateTime offset = Fields(0, 0, 0, 0, 0, 5);
    offset.frameIndex = 99;
    AddDateOffset(date, offset);
    EXPECT_EQ(date.frameIndex, 17);
}

TEST(AddDateOffset, SpansOfWeeksAndYearsMatchTheCalendar)
{
    FrameDateTime start = Fields(2023, 12, 31, 22, 15, 30);
    for (int64_t seconds : {int64_t{40} * 86400 + 3661, int64_t{400} * 86400, int64_t{-45} * 86400 - 7,
                            int64_t{1000} * 86400 + 59, int64_t{-3000} * 86400}) {
        FrameDateTime offset = Fields(0, 0, 0, 0, 0, static_cast<int32_t>(seconds));
        EXPECT_TRUE(IsDate(Plus(start, offset), ReferencePlusSeconds(start, seconds))) << seconds << " s";
    }
    EXPECT_TRUE(IsDate(Plus(start, Fields(0, 0, 100, 0, 0, 0)), ReferencePlusSeconds(start, int64_t{100} * 86400)))
        << "days past one month";
    EXPECT_TRUE(IsDate(Plus(start, Fields(0, 30, 0, 0, 0, 0)), Fields(2026, 7, 1, 22, 15, 30)))
        << "months past a year, then June 31 runs on";
}

namespace {

class FrameDateTimeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CreateSharedObjects());
        ResetSettings(gSettings);
    }
    void TearDown() override
    {
        DestroySharedObjects();
        ResetSettings(gSettings);
    }

    // A video of `frames` samples of `delta` each, starting at `first`.
    void SetVideo(uint32_t frames, uint32_t timescale, uint32_t delta, const FrameDateTime& first)
    {
        gParseState->sampleTimes.clear();
        for (uint64_t n = 0; n < frames; ++n)
            gParseState->sampleTimes.push_back(n * delta);
        gParseState->timescale = timescale;
        gParseState->averageSampleDelta = delta;
        gParseState->firstDate = first;
    }

    FrameDateTime date{};
    uint32_t timescale = 0;
    uint32_t averageDelta = 0;
};

}  // namespace

TEST_F(FrameDateTimeTest, Frame45Of30000Over1001VideoIsOneSecondIn)
{
    SetVideo(100, 30000, 1001, Fields(2023, 12, 31, 23, 59, 59));
    EXPECT_TRUE(GetFrameDateTime(45, date, timescale, averageDelta));
    EXPECT_TRUE(IsDate(date, Fields(2024, 1, 1, 0, 0, 0)));
    EXPECT_EQ(date.frameIndex, 45);
    EXPECT_EQ(timescale, 30000u);
    EXPECT_EQ(averageDelta, 1001u);

    GetFrameDateTime(29, date, timescale, averageDelta);
    EXPECT_TRUE(IsDate(date, Fields(2023, 12, 31, 23, 59, 59))) << "29029/30000 is still second 0";
}

TEST_F(FrameDateTimeTest, ReadsTheTimeAdjustmentAtEveryCall)
{
    SetVideo(10, 600, 20, Fields(2024, 3, 1, 0, 30, 0));
    gSettings.adjustHours = -1;
    GetFrameDateTime(0, date, timescale, averageDelta);
    EXPECT_TRUE(IsDate(date, Fields(2024, 2, 29, 23, 30, 0)));

    gSettings.adjustHours = 0;
    gSettings.adjustYears = 1;
    gSettings.adjustSeconds = -59;
    GetFrameDateTime(0, date, timescale, averageDelta);
    EXPECT_TRUE(IsDate(date, Fields(2025, 3, 1, 0, 29, 1)));
}

TEST_F(FrameDateTimeTest, FramesPastTheTableRunOnByTheAverageDelta)
{
    SetVideo(10, 30000, 1001, Fields(2024, 1, 1, 0, 0, 0));
    GetFrameDateTime(75, date, timescale, averageDelta);
    EXPECT_TRUE(IsDate(date, Fields(2024, 1, 1, 0, 0, 2)));
    EXPECT_EQ(date.frameIndex, 75);

    // Ten days of a 60-per-second video, far past the table.
    SetVideo(1, 60, 1, Fields(2024, 12, 25, 12, 0, 0));
    GetFrameDateTime(60u * 86400 * 10, date, timescale, averageDelta);
    EXPECT_TRUE(IsDate(date, Fields(2025, 1, 4, 12, 0, 0)));
}

TEST_F(FrameDateTimeTest, ZeroTimescaleOrDeltaGivesTheFirstDateAndIndexZero)
{
    SetVideo(5, 0, 0, Fields(2024, 1, 1, 10, 0, 0));
    gParseState->sampleTimes = {0, 100, 200, 300, 400};
    EXPECT_TRUE(GetFrameDateTime(3, date, timescale, averageDelta));
    EXPECT_TRUE(IsDate(date, Fields(2024, 1, 1, 10, 0, 0)));
    EXPECT_EQ(date.frameIndex, 0);

    gParseState->sampleTimes.clear();
    EXPECT_TRUE(GetFrameDateTime(0xFFFFFFFFu, date, timescale, averageDelta)) << "an empty table";
}
