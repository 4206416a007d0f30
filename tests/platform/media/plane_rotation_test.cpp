#include "platform/media/plane_rotation.h"

#include <gtest/gtest.h>

#include <vector>

using namespace wuvo::platform;

// A 3 x 2 plane
//   1 2 3
//   4 5 6
// turned clockwise, and mirrored left to right before the turn.
TEST(PlaneRotation, TurnsClockwiseAfterTheMirror)
{
    const uint8_t source[] = {1, 2, 3, 0, 4, 5, 6, 0};  // pitch 4
    std::vector<uint8_t> out(6);
    TurnPlane(source, 4, 3, 2, out.data(), 2, {90, false});
    EXPECT_EQ(out, (std::vector<uint8_t>{4, 1, 5, 2, 6, 3}));
    TurnPlane(source, 4, 3, 2, out.data(), 3, {180, false});
    EXPECT_EQ(out, (std::vector<uint8_t>{6, 5, 4, 3, 2, 1}));
    TurnPlane(source, 4, 3, 2, out.data(), 2, {270, false});
    EXPECT_EQ(out, (std::vector<uint8_t>{3, 6, 2, 5, 1, 4}));
    TurnPlane(source, 4, 3, 2, out.data(), 3, {0, true});
    EXPECT_EQ(out, (std::vector<uint8_t>{3, 2, 1, 6, 5, 4}));
    TurnPlane(source, 4, 3, 2, out.data(), 2, {90, true});
    EXPECT_EQ(out, (std::vector<uint8_t>{6, 3, 5, 2, 4, 1}));
}
