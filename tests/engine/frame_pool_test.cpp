#include "engine/pipeline/frame_pool.h"

#include <gtest/gtest.h>

#include <climits>

using namespace wuvo;

namespace {

class FramePoolTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(pool.Create()); }
    void TearDown() override { pool.Destroy(); }

    // Reserves and finishes frames first..first+count-1, oldest first.
    void Decode(uint32_t first, uint32_t count)
    {
        for (uint32_t n = first; n < first + count; ++n) {
            ASSERT_NE(pool.Reserve(n), nullptr) << "frame " << n;
            pool.SetDecoded(n, 1);
        }
    }

    FramePool pool;
};

}  // namespace

TEST_F(FramePoolTest, JobModeWaitsWhenFullUntilASlotIsFreed)
{
    pool.mode = kPoolModeJob;
    Decode(0, kFrameSlotCount);
    EXPECT_EQ(pool.Reserve(40), nullptr);
    uint8_t* freed = pool.GetBuffer(17);
    pool.SetDecoded(17, 0);
    EXPECT_EQ(pool.Reserve(40), freed);
}

TEST_F(FramePoolTest, PreviewReusesTheOldestUnlessItIsNextToTheShownFrame)
{
    pool.mode = kPoolModePreview;
    Decode(0, kFrameSlotCount);  // frame 0 is the oldest
    pool.shownFrame = 0;
    EXPECT_EQ(pool.Reserve(41), nullptr) << "frame 0 is on screen";

    pool.Reset();
    Decode(5, kFrameSlotCount);  // oldest holds 5
    pool.shownFrame = 3;
    EXPECT_EQ(pool.Reserve(100), nullptr) << "5 is shown + 2";
    pool.shownFrame = 2;
    uint8_t* reused = pool.Reserve(100);
    ASSERT_NE(reused, nullptr) << "5 is shown + 3";
    EXPECT_EQ(reused, pool.slots[0].buffer);
    EXPECT_FALSE(pool.IsDecoded(5));
}

TEST_F(FramePoolTest, ShownFrameAtTheEndsOfItsRangeDoesNotOverflow)
{
    pool.mode = kPoolModePreview;
    Decode(0, kFrameSlotCount);  // oldest holds frame 0
    pool.shownFrame = INT32_MAX;
    EXPECT_EQ(pool.Reserve(100), pool.slots[0].buffer);
    pool.SetDecoded(100, 1);  // slot 1 (frame 1) is now the oldest
    pool.shownFrame = INT32_MIN;
    EXPECT_EQ(pool.Reserve(101), pool.slots[1].buffer);
}

TEST_F(FramePoolTest, EqualSequencesReuseTheLowestSlot)
{
    pool.mode = kPoolModePreview;
    Decode(10, kFrameSlotCount);
    pool.slots[3].sequence = 0;
    pool.slots[0].sequence = 0;
    pool.shownFrame = 1000;
    EXPECT_EQ(pool.Reserve(1), pool.slots[0].buffer);
}

TEST_F(FramePoolTest, ProtectedShownFrameBecomesNewestSoTheNextTryMovesOn)
{
    pool.mode = kPoolModePreview;
    Decode(0, kFrameSlotCount);
    pool.shownFrame = 0;
    EXPECT_EQ(pool.Reserve(0), nullptr);
    EXPECT_EQ(pool.slots[0].sequence, kFrameSlotCount);
    // Oldest is now frame 1, still a neighbour; then 2; then 3 is free to go.
    EXPECT_EQ(pool.Reserve(0), nullptr);
    EXPECT_EQ(pool.Reserve(0), nullptr);
    EXPECT_NE(pool.Reserve(0), nullptr);
}

TEST_F(FramePoolTest, ResetRestoresRateDivisorAndSquarePixelsAndForgetsStamps)
{
    Decode(0, 3);
    pool.SetStamped(0, 1);
    pool.divisor = 5;
    pool.aspectX = 255;
    pool.aspectY = 1;
    EXPECT_FLOAT_EQ(pool.PixelAspect(), 4.0f) << "held to what cameras record";
    pool.Reset();
    EXPECT_FLOAT_EQ(pool.PixelAspect(), 1.0f);
    EXPECT_EQ(pool.divisor, 1u);
    EXPECT_EQ(pool.rateNumerator, 60000u);
    EXPECT_EQ(pool.rateDenominator, 2002u);
    EXPECT_FALSE(pool.IsStamped(0));
    EXPECT_FALSE(pool.IsDecoded(0));
}

TEST_F(FramePoolTest, ReleaseSkippedKeepsMultiplesOfTheDivisor)
{
    pool.mode = kPoolModeJob;
    pool.divisor = 5;
    Decode(0, 15);
    pool.ReleaseSkipped(10);
    for (uint32_t n = 0; n < 15; ++n) {
        bool kept = n % 5 == 0 || n >= 10;
        EXPECT_EQ(pool.IsDecoded(n), kept) << "frame " << n;
    }
}

TEST_F(FramePoolTest, FreeingClearsStampAndUnknownFramesChangeNothing)
{
    Decode(0, 2);
    pool.SetStamped(1, 1);
    EXPECT_TRUE(pool.IsStamped(1));
    pool.SetDecoded(1, 0);
    EXPECT_FALSE(pool.IsStamped(1));
    pool.SetStamped(99, 1);
    EXPECT_FALSE(pool.IsStamped(99));
    EXPECT_EQ(pool.GetBuffer(99), nullptr);
}
