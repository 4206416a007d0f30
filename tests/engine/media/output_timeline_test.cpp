#include "engine/media/output_timeline.h"

#include <gtest/gtest.h>

using namespace wuvo;

namespace {

// 100 ns units of a 90 kHz track time.
constexpr int64_t Units(int64_t ticks)
{
    return (ticks * 10'000'000 + 45'000) / 90'000;
}

}  // namespace

// Frames of 3000, 3000, 9000 and 9000 ticks, the last to the track's end.
TEST(OutputTimeline, FramesKeepTheirTimesAndSpeedUpDividesThem)
{
    Mp4ParseState state;
    state.timescale = 90'000;
    state.sampleTimes = {0, 3000, 6000, 15000};
    state.shownEnd = 24000;
    constexpr int64_t kFallback = 400'000;
    OutputTimeline timeline(state, 1, kFallback);
    EXPECT_EQ(timeline.StartOf(2), Units(6000));
    EXPECT_EQ(timeline.EndOf(3), Units(24000));
    EXPECT_EQ(timeline.StartOf(5), Units(24000) + kFallback) << "frames past the table";
    EXPECT_EQ(timeline.LongestFrame(), Units(9000));
    EXPECT_EQ(timeline.ClosingFrames(2), (std::vector<int64_t>{Units(6000) - Units(3000), Units(9000)}));
    EXPECT_EQ(timeline.RateNumerator(), 15u) << "4 frames in 24000 ticks";
    EXPECT_EQ(timeline.RateDenominator(), 1u);

    // Frames 0 and 2 are kept; the last shows to the end.
    OutputTimeline faster(state, 2, kFallback);
    EXPECT_EQ(faster.StartOf(1), Units(6000) / 2);
    EXPECT_EQ(faster.EndOf(1), Units(24000) / 2);
    EXPECT_EQ(faster.ClosingFrames(4), (std::vector<int64_t>{Units(6000) / 2}));
}
