#include "platform/media/decode_times.h"

#include <gtest/gtest.h>

#include <vector>

using namespace wuvo::platform;

// Frames at 3 units, then at 9 (a 30 fps start, then 10 fps), coded as
// libx265 orders them with B-pyramids, two places of reordering.
TEST(DecodeTimes, AreRealIncreasingAndNeverAfterTheirPicture)
{
    const std::vector<int64_t> times = {0, 3, 6, 9, 18, 27, 36, 45, 54};
    const std::vector<size_t> decodeOrder = {0, 4, 2, 1, 3, 8, 6, 5, 7};
    constexpr int64_t kLastLength = 9;
    DecodeTimes decode(2, {9, 9});
    for (size_t n = 0; n < times.size(); ++n)
        decode.Presented(times[n], n + 1 < times.size() ? times[n + 1] - times[n] : kLastLength);

    std::vector<int64_t> decodeTimes;
    for (size_t picture : decodeOrder) {
        auto time = decode.Next();
        ASSERT_TRUE(time);
        EXPECT_LE(*time, times[picture]) << "picture " << picture;
        if (!decodeTimes.empty()) {
            EXPECT_GT(*time, decodeTimes.back());
        }
        decodeTimes.push_back(*time);
    }
    EXPECT_FALSE(decode.Next()) << "more packets than pictures";
    EXPECT_EQ(decodeTimes.front(), -18) << "two closing lengths before the first picture";
    // The sample durations, decode steps and the last picture's length, add
    // up to the time the pictures show.
    EXPECT_EQ(decodeTimes.back() - decodeTimes.front() + kLastLength, times.back() + kLastLength - times.front());
}

// Without closing lengths the early packets are a first picture apart.
TEST(DecodeTimes, OnePictureStillGetsItsEarlyTimes)
{
    DecodeTimes decode(2);
    decode.Presented(100, 40);
    EXPECT_EQ(decode.Next(), 20);
    EXPECT_FALSE(decode.Next());
}
