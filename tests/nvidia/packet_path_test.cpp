#include "engine/nvidia/packet_path.h"

#include <gtest/gtest.h>

#include <mutex>

#include "engine/pipeline/shared_objects.h"
#include "support/pipeline_harness.h"

using namespace wuvo;

namespace {

class PacketPathTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::lock_guard guard(gFramePool->lock);
        gFramePool->Reset();
        gFramePool->mode = kPoolModeJob;
        gFramePool->progressive = 1;
        for (uint32_t n = 0; n < 8; ++n) {
            gFramePool->Reserve(n);
            gFramePool->SetDecoded(n, 1);
            gFramePool->SetStamped(n, 1);
        }
        SetRunning(*gStampState, true);
    }
    void TearDown() override { InitThreadState(*gStampState); }

    test::SharedObjectsScope shared;
    StampJob job{};
};

}  // namespace

TEST_F(PacketPathTest, EncoderFramesMapToEveryDivisorthPoolFrame)
{
    gFramePool->divisor = 3;
    std::lock_guard poolGuard(gFramePool->lock);
    uint8_t* expected = gFramePool->GetBuffer(6);
    EXPECT_EQ(GetStampedFrame(2), expected);
    for (uint32_t skipped : {1u, 2u, 4u, 5u})
        EXPECT_FALSE(gFramePool->IsDecoded(skipped)) << skipped;
    EXPECT_TRUE(gFramePool->IsDecoded(0));
    ReleaseEncodedFrame(2, job);
    EXPECT_FALSE(gFramePool->IsDecoded(6));
    EXPECT_EQ(job.framesReleased, 1u);
}

// One picture per sample: an interlaced source must not play at half speed.
TEST_F(PacketPathTest, AnInterlacedSourceKeepsOneEncoderFramePerPoolFrame)
{
    gFramePool->progressive = 0;
    uint8_t* expected = nullptr;
    {
        std::lock_guard poolGuard(gFramePool->lock);
        expected = gFramePool->GetBuffer(5);
    }
    EXPECT_EQ(GetStampedFrame(5), expected);
    ReleaseEncodedFrame(4, job);
    std::lock_guard poolGuard(gFramePool->lock);
    EXPECT_FALSE(gFramePool->IsDecoded(4));
    EXPECT_TRUE(gFramePool->IsDecoded(2));
}

TEST_F(PacketPathTest, SkippedPacketsAreDroppedAndTheRestKeepTheirFrames)
{
    job.packetSkipCount = 2;
    const uint8_t bytes[] = {0, 0, 1, 0x26, 1};
    for (uint32_t frame = 0; frame < 4; ++frame)
        PushEncodedPacket(sizeof bytes, bytes, frame, job);
    std::lock_guard guard(gPacketQueue->lock);
    ASSERT_EQ(gPacketQueue->packets.size(), 2u);
    EXPECT_EQ(gPacketQueue->packets[0].frame, 2u);
    EXPECT_EQ(gPacketQueue->packets[1].data, std::vector<uint8_t>(bytes, bytes + sizeof bytes));
    EXPECT_EQ(gPacketQueue->pushedCount, 2u);
    EXPECT_EQ(job.packetsReceived, 4u);
}
