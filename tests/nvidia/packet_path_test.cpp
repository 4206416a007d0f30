#include "engine/nvidia/packet_path.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <mutex>

#include "engine/pipeline/shared_objects.h"
#include "platform/media/media_status.h"
#include "support/fixtures.h"
#include "support/pipeline_harness.h"
#include "support/temporary_file_fault.h"

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
    void TearDown() override
    {
        InitThreadState(*gStampState);
        InitThreadState(*gEncodeState);
    }

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

// The receiver of a failed file stops the encoder and waits for its flag to
// drop: an output the system reports in use drops it at once.
TEST_F(PacketPathTest, AnOutputInUseFailsTheFileAndDropsTheEncodersFlag)
{
    SetRunning(*gEncodeState, true);
    std::u16string input = u"in.mp4";
    test::CallbackLog log;
    job = test::MakeJob(input, test::TestOutputDir() + "/in_use.mp4", 320, 240, 1'000'000);
    {
        test::CallbackCapture capture(&log);
        test::TemporaryFilesFail busy(EBUSY);
        EXPECT_EQ(MfMuxThreadProc(job), platform::kMediaFileInUse);
    }
    EXPECT_FALSE(IsRunning(*gEncodeState));
    ASSERT_FALSE(log.messages.empty());
    EXPECT_EQ(log.messages.front(), u"Cannot open file for writing. The file is being used by another application");
    EXPECT_EQ(log.failures, 1);
}
