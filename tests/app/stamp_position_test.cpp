#include "app/panels/stamp_position.h"

#include <gtest/gtest.h>

#include "app/layout/control_anchors.h"

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

TEST(ControlAnchors, ControlsFollowGrowthButNeverMoveAboveOrLeftOfTheTemplate)
{
    ControlAnchors anchors;
    EXPECT_FALSE(anchors.Resize(1000, 640).has_value()) << "the template's own size moves nothing";
    auto grown = anchors.Resize(1100, 640);
    ASSERT_TRUE(grown);
    EXPECT_EQ(grown->dx, 100);
    EXPECT_EQ(grown->dy, 0);
    auto shrunk = anchors.Resize(900, 600);
    EXPECT_EQ(shrunk->dx, -100) << "back to the template's place, not beyond";
    EXPECT_EQ(shrunk->dy, 0);
    auto minimised = anchors.Resize(0, 0);
    EXPECT_EQ(minimised->dx, 0);
    auto restored = anchors.Resize(1050, 700);
    EXPECT_EQ(restored->dx, 50);
    EXPECT_EQ(restored->dy, 60);
}
