#include "app/panels/stamp_position.h"

#include <gtest/gtest.h>

using namespace wuvo;

TEST(StampPosition, NudgesStopAtZeroAndAtTheFramesLimits)
{
    PositionLimits limits = PositionLimitsFor(1920, 1080);
    EXPECT_EQ(limits.maxX, 1900u);
    EXPECT_EQ(limits.maxY, 1060u);
    EXPECT_EQ(PositionLimitsFor(1080, 1920).maxX, 1060u) << "an upright phone video";
    EXPECT_EQ(PositionLimitsFor(10, 10).maxX, 0u);

    EXPECT_EQ(NudgedTowardsLimit(1890, 10, 1900), 1900u);
    EXPECT_EQ(NudgedTowardsLimit(1900, 10, 1900), 1900u);
    EXPECT_EQ(NudgedTowardsLimit(1950, 1, 1900), 1950u) << "a value typed past the limit stays as typed";
    EXPECT_EQ(NudgedTowardsZero(2, 3), 0u);
    EXPECT_EQ(NudgedTowardsZero(0, 3), 0u);
    EXPECT_EQ(NudgedTowardsZero(10, 3), 7u);
}

TEST(StampPosition, FormatsShowADateOrATimeByTheirConversions)
{
    EXPECT_FALSE(FormatShowsDate(u"%H:%M"));
    EXPECT_TRUE(FormatShowsTime(u"%H:%M"));
    EXPECT_TRUE(FormatShowsDate(u"%c"));
    EXPECT_FALSE(FormatShowsTime(u"%c"));
    EXPECT_TRUE(FormatShowsTime(u"%I:%M %p")) << "through %M";
    EXPECT_FALSE(FormatShowsTime(u"%I %p"));
    EXPECT_TRUE(FormatShowsDate(u"day %#d"));
    EXPECT_FALSE(FormatShowsDate(u"plain text"));
}
