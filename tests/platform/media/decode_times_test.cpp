#include "platform/media/decode_times.h"

#include <gtest/gtest.h>

// Frames at 3 units, then at 9 (30 fps, then 10 fps), in libx265's order
// with B-pyramids: two places of reordering.
TEST(DecodeTimes, AreIncreasingNeverAfterTheirPictureAndAddUpToItsLength)
{
    const std::vector<int64_t> times = {0, 3, 6, 9, 18, 27, 36, 45, 54, 63};
    wuvo::platform::DecodeTimes decode(2, {9, 9});
    for (size_t n = 0; n + 1 < times.size(); ++n)
        decode.Presented(times[n], times[n + 1] - times[n]);
    std::vector<int64_t> decoded;
    for (size_t picture : {0, 4, 2, 1, 3, 8, 6, 5, 7}) {
        decoded.push_back(decode.Next().value_or(INT64_MAX));
        EXPECT_LE(decoded.back(), times[picture]) << picture;
        EXPECT_TRUE(decoded.size() == 1 || decoded.back() > decoded[decoded.size() - 2]);
    }
    EXPECT_FALSE(decode.Next()) << "more packets than pictures";
    // Sample durations: the steps, then the last picture's length of 9.
    EXPECT_EQ(decoded.back() + 9 - decoded.front(), times.back() - times.front());
}
