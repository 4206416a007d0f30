// The NVENC encode driver against the fake driver, whose bitstreams are
// libx265's; they are checked by decoding them with ffmpeg.
#include "nv/nvencoder/nv_encoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "support/fake_nvidia.h"
#include "support/fixtures.h"
#include "support/media_reference.h"

using namespace wuvo;
using namespace wuvo::NVENCODER;

namespace {

constexpr uint32_t kWidth = 64;
constexpr uint32_t kHeight = 48;

// Frames to hand out and what came back.
struct EncodeRecord {
    std::vector<std::vector<uint8_t>> frames;
    uint32_t nullFrom = UINT32_MAX;
    std::vector<uint8_t> stream;
    std::vector<uint32_t> written;  // frame index of each bitstream
    std::vector<uint32_t> done;
};
EncodeRecord* gRecord = nullptr;

uint8_t* GetFrame(uint32_t frame)
{
    if (frame >= gRecord->nullFrom || frame >= gRecord->frames.size())
        return nullptr;
    return gRecord->frames[frame].data();
}

void Write(uint32_t size, const uint8_t* data, uint32_t frameIndex, void* context)
{
    EXPECT_EQ(context, gRecord);
    gRecord->stream.insert(gRecord->stream.end(), data, data + size);
    gRecord->written.push_back(frameIndex);
}

void Done(uint32_t frameIndex, void*)
{
    gRecord->done.push_back(frameIndex);
}

class NvEncoderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ResetFakeDrivers();
        gRecord = &record;
        // A bright square moving across grey: frames that differ.
        for (uint32_t n = 0; n < 20; ++n) {
            std::vector<uint8_t> frame(kWidth * kHeight * 3 / 2, 128);
            for (uint32_t y = 8; y < 24; ++y)
                for (uint32_t x = n; x < n + 16; ++x)
                    frame[y * kWidth + x] = 235;
            record.frames.push_back(frame);
        }
        config.frameCount = static_cast<uint32_t>(record.frames.size());
        config.getFrame = GetFrame;
        config.writePacket = Write;
        config.frameDone = Done;
        config.context = &record;
        config.gopLength = 8;
        config.bitrate = 500'000;
        config.rateNumerator = 30000;
        config.rateDenominator = 1001;
        config.encodeWidth = kWidth;
        config.encodeHeight = kHeight;
    }
    void TearDown() override
    {
        gRecord = nullptr;
        test::ExpectFakeDriversReleased();
        test::ResetFakeDrivers();
    }

    int32_t Encode()
    {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        CNvEncoder encoder;
        int32_t result = encoder.EncodeMain(config);
        testing::internal::GetCapturedStdout();
        errors = testing::internal::GetCapturedStderr();
        return result;
    }

    // How many pictures ffmpeg decodes from the written stream.
    size_t DecodedPictures()
    {
        std::string path = test::TestOutputDir() + "/nvenc_" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".hevc";
        std::filesystem::create_directories(test::TestOutputDir());
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(record.stream.data()),
                                                    static_cast<std::streamsize>(record.stream.size()));
        EXPECT_TRUE(test::DecodesCleanly(path));
        std::string raw = test::RunCommand("ffmpeg -v error -f hevc -i " + test::Quoted(path) +
                                           " -f rawvideo -pix_fmt yuv420p -");
        return raw.size() / (kWidth * kHeight * 3 / 2);
    }

    void ExpectEveryFrameOnce(uint32_t frames)
    {
        std::vector<uint32_t> done = record.done;
        std::sort(done.begin(), done.end());
        std::vector<uint32_t> all(frames);
        for (uint32_t n = 0; n < frames; ++n)
            all[n] = n;
        EXPECT_EQ(done, all) << "each frame's slot freed once, whatever the output order";
    }

    EncodeRecord record;
    EncodeJobConfig config;
    std::string errors;
};

}  // namespace

TEST(NvEncoderParts, BufferCountsFollowTheFrameSize)
{
    EXPECT_EQ(EncodeBufferCount(1920, 1080, 2), 6u);
    EXPECT_EQ(EncodeBufferCount(1920, 1080, 0), 16u);
    EXPECT_EQ(EncodeBufferCount(3840, 2160, 0), 8u);
    EXPECT_EQ(EncodeBufferCount(4096, 2160, 0), 4u);
    EXPECT_EQ(EncodeBufferCount(1280, 720, 0), 32u);
}

TEST(NvEncoderParts, I420BecomesNv12WithUFirst)
{
    const uint8_t y[] = {1, 2, 3, 4, 5, 6, 7, 8};
    const uint8_t u[] = {10, 11};
    const uint8_t v[] = {20, 21};
    uint8_t luma[2 * 6] = {};
    uint8_t chroma[6] = {};
    ConvertI420ToNv12(y, u, v, luma, chroma, 4, 2, 0, 6);
    EXPECT_EQ(std::vector<uint8_t>(luma, luma + 12), (std::vector<uint8_t>{1, 2, 3, 4, 0, 0, 5, 6, 7, 8, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(chroma, chroma + 4), (std::vector<uint8_t>{10, 20, 11, 21}));
}

TEST(NvEncoderParts, TheRingCyclesInIndexOrder)
{
    int items[3] = {};
    BufferRing<int> ring;
    ring.Init({&items[0], &items[1], &items[2]});
    EXPECT_EQ(ring.TakeFree(), &items[0]);
    EXPECT_EQ(ring.TakeFree(), &items[1]);
    EXPECT_EQ(ring.TakeFree(), &items[2]);
    EXPECT_EQ(ring.TakeFree(), nullptr);
    EXPECT_EQ(ring.TakeOldestPending(), &items[0]);
    EXPECT_EQ(ring.TakeFree(), &items[0]);
    ring.ReturnLastTaken();
    EXPECT_EQ(ring.TakeFree(), &items[0]) << "a buffer given back is the next one taken";
    EXPECT_EQ(ring.Pending(), 3u);
}

TEST_F(NvEncoderTest, EncodesEveryFrameIntoAStreamFfmpegDecodes)
{
    ASSERT_EQ(Encode(), kEncodeOk) << errors;
    EXPECT_EQ(record.written, record.done);
    EXPECT_EQ(test::FakeNvenc().frameRateNum.load(), 30000u) << "the exact rate, not 29";
    EXPECT_EQ(test::FakeNvenc().frameRateDen.load(), 1001u);
    EXPECT_EQ(test::FakeNvenc().parameterSetPictures.load(), 3) << "pictures 0, 8 and 16";
    EXPECT_EQ(DecodedPictures(), record.frames.size());
    ExpectEveryFrameOnce(20);
}

TEST_F(NvEncoderTest, HeldBPicturesComeOutReorderedAndReleaseTheirOwnFrames)
{
    test::FakeNvenc().holdBFrames = true;
    ASSERT_EQ(Encode(), kEncodeOk) << errors;
    EXPECT_GT(test::FakeNvenc().needMoreInput.load(), 0);
    EXPECT_FALSE(std::is_sorted(record.written.begin(), record.written.end())) << "decode order differs";
    EXPECT_EQ(DecodedPictures(), record.frames.size());
    ExpectEveryFrameOnce(20);
    EXPECT_EQ(record.written, record.done) << "each frame released right after its own bitstream";
}

TEST_F(NvEncoderTest, AsynchronousEncodeWaitsOnItsEvents)
{
    test::FakeNvenc().asyncMode = true;
    test::FakeNvenc().holdBFrames = true;
    ASSERT_EQ(Encode(), kEncodeOk) << errors;
    EXPECT_EQ(DecodedPictures(), record.frames.size());
    ExpectEveryFrameOnce(20);
}

TEST_F(NvEncoderTest, NoFrameAtAllStillFlushesCleanly)
{
    record.nullFrom = 0;
    EXPECT_EQ(Encode(), kEncodeOk);
    EXPECT_TRUE(record.stream.empty());
    EXPECT_TRUE(record.done.empty());
}

TEST_F(NvEncoderTest, ARefusedPictureFreesItsFrameAndFailsTheEncode)
{
    test::FakeNvenc().failSubmitAt = 5;
    EXPECT_EQ(Encode(), kEncodeFailed);
    ExpectEveryFrameOnce(20);
    EXPECT_EQ(std::count(record.written.begin(), record.written.end(), 4u), 0) << "frame 4 never became a picture";
}

// With 6 buffers for 20 frames, the second picture's bitstream is taken
// while frames still come, the last one's in the flush.
TEST_F(NvEncoderTest, ABitstreamThatCannotBeLockedFailsTheEncode)
{
    for (int lock : {2, 20}) {
        record.done.clear();
        test::FakeNvenc().failLockAt = lock;
        test::FakeNvenc().locks = 0;
        EXPECT_EQ(Encode(), kEncodeFailed) << "lock " << lock;
        ExpectEveryFrameOnce(20);
    }
}

TEST_F(NvEncoderTest, ARateBelowOneFramePerSecondReachesNvencWhole)
{
    config.rateNumerator = 1;
    config.rateDenominator = 2;
    ASSERT_EQ(Encode(), kEncodeOk) << errors;
    EXPECT_EQ(test::FakeNvenc().frameRateNum.load(), 1u);
    EXPECT_EQ(test::FakeNvenc().frameRateDen.load(), 2u);
}

TEST_F(NvEncoderTest, BadSettingsFailBeforeAnyDriverObjectIsMade)
{
    config.encodeWidth = 63;
    EXPECT_EQ(Encode(), kEncodeFailed);
    EXPECT_NE(errors.find("Odd dimentions are not supported"), std::string::npos);
    config.encodeWidth = kWidth;
    config.rateDenominator = 0;
    EXPECT_EQ(Encode(), kEncodeFailed);
    config.rateDenominator = 1001;
    config.gopLength = 0;  // taken as 1: every picture an IDR picture
    EXPECT_EQ(Encode(), kEncodeOk);
    EXPECT_EQ(test::FakeNvenc().gopLength.load(), 1u);
    EXPECT_EQ(test::FakeNvenc().parameterSetPictures.load(), 20);
}

TEST_F(NvEncoderTest, AGpuWithoutHevcOrADriverThatFailsReleasesEverything)
{
    test::FakeNvenc().withoutHevc = true;
    EXPECT_EQ(Encode(), kEncodeFailed);
    EXPECT_NE(errors.find("codec not supported"), std::string::npos);
    test::ResetFakeDrivers();
    test::FakeCuda().computeMajor = 2;
    EXPECT_EQ(Encode(), kEncodeFailed);
    EXPECT_NE(errors.find("does not have NVENC capabilities"), std::string::npos);
    EXPECT_TRUE(record.done.empty());
}
