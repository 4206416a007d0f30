// The NVENC encode driver against the fake driver, whose bitstreams are
// libx265's; they are checked by decoding them with ffmpeg.
#include "nv/nvencoder/nv_encoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
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
    uint32_t handedOut = 0;
    std::vector<uint8_t> stream;
    std::vector<uint32_t> written;  // frame index of each bitstream
    std::vector<uint32_t> done;
};
EncodeRecord* gRecord = nullptr;

uint8_t* GetFrame(uint32_t frame)
{
    if (frame >= gRecord->nullFrom || frame >= gRecord->frames.size())
        return nullptr;
    gRecord->handedOut = std::max(gRecord->handedOut, frame + 1);
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

    // A fresh run's record, the frames kept.
    int32_t Encode()
    {
        record.handedOut = 0;
        record.stream.clear();
        record.written.clear();
        record.done.clear();
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        CNvEncoder encoder;
        int32_t result = encoder.EncodeMain(config);
        testing::internal::GetCapturedStdout();
        testing::internal::GetCapturedStderr();
        failure = encoder.Failure();
        return result;
    }

    std::string StreamFile()
    {
        std::string path = test::TestOutputDir() + "/nvenc_" +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".hevc";
        std::filesystem::create_directories(test::TestOutputDir());
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(record.stream.data()),
                                                    static_cast<std::streamsize>(record.stream.size()));
        return path;
    }

    // How many pictures ffmpeg decodes from the written stream.
    size_t DecodedPictures()
    {
        std::string path = StreamFile();
        EXPECT_TRUE(test::DecodesCleanly(path));
        std::string raw = test::RunCommand("ffmpeg -v error -f hevc -i " + test::Quoted(path) +
                                           " -f rawvideo -pix_fmt yuv420p -");
        return raw.size() / (kWidth * kHeight * 3 / 2);
    }

    // The most B pictures in a row in display order, as ffprobe reads them.
    size_t LongestBRun()
    {
        size_t longest = 0, run = 0;
        for (const std::string& type : test::Probe(StreamFile(), "", "frame=pict_type")) {
            run = type == "B" ? run + 1 : 0;
            longest = std::max(longest, run);
        }
        return longest;
    }

    // Each frame handed out is freed once, whatever the output order.
    void ExpectEveryFrameOnce()
    {
        std::vector<uint32_t> done = record.done;
        std::sort(done.begin(), done.end());
        std::vector<uint32_t> all(record.handedOut);
        for (uint32_t n = 0; n < record.handedOut; ++n)
            all[n] = n;
        EXPECT_EQ(done, all);
    }

    EncodeRecord record;
    EncodeJobConfig config;
    std::string failure;
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
    ASSERT_EQ(Encode(), kEncodeOk) << failure;
    EXPECT_EQ(record.written, record.done);
    EXPECT_EQ(test::FakeNvenc().frameRateNum.load(), 30000u) << "the exact rate, not 29";
    EXPECT_EQ(test::FakeNvenc().frameRateDen.load(), 1001u);
    EXPECT_EQ(test::FakeNvenc().parameterSetPictures.load(), 3) << "pictures 0, 8 and 16";
    EXPECT_EQ(DecodedPictures(), record.frames.size());
    ExpectEveryFrameOnce();
}

// Cards before Turing encode HEVC without B pictures: each card gets as
// many as it supports, up to two, which come out of it reordered.
TEST_F(NvEncoderTest, BPicturesAreAsManyAsTheCardSupportsUpToTwo)
{
    for (int card : {0, 1, fake::NvencControl::kRecentMaxBFrames}) {
        SCOPED_TRACE(card);
        test::FakeNvenc().maxBFrames = card;
        ASSERT_EQ(Encode(), kEncodeOk) << failure;
        size_t expected = std::min<size_t>(size_t(card), kEncodeBFrames);
        EXPECT_EQ(test::FakeNvenc().bFrames.load(), expected);
        EXPECT_EQ(LongestBRun(), expected);
        EXPECT_EQ(std::is_sorted(record.written.begin(), record.written.end()), expected == 0);
        EXPECT_EQ(DecodedPictures(), record.frames.size());
        EXPECT_EQ(record.written, record.done) << "each frame released right after its own bitstream";
    }
}

// Phone clips often hold a single sync sample; an all-intra source gives
// no GOP either. The encoder then takes about a second of frames, and never
// more B pictures than a GOP holds.
TEST_F(NvEncoderTest, WithoutASourceGopTheGopIsAboutOneSecond)
{
    for (uint32_t source : {0u, 1u}) {
        config.gopLength = source;
        ASSERT_EQ(Encode(), kEncodeOk) << failure;
        EXPECT_EQ(test::FakeNvenc().gopLength.load(), 30u) << "30000/1001 frames per second";
        EXPECT_EQ(test::FakeNvenc().bFrames.load(), kEncodeBFrames);
    }
    config.rateNumerator = 1;
    config.rateDenominator = 2;
    ASSERT_EQ(Encode(), kEncodeOk) << failure;
    EXPECT_EQ(test::FakeNvenc().gopLength.load(), 1u) << "half a frame a second still gives a picture";
    EXPECT_EQ(test::FakeNvenc().bFrames.load(), 0u);
    EXPECT_EQ(test::FakeNvenc().frameRateNum.load(), 1u) << "the rate reaches NVENC whole";
    EXPECT_EQ(test::FakeNvenc().frameRateDen.load(), 2u);
}

TEST_F(NvEncoderTest, AsynchronousEncodeWaitsOnItsEvents)
{
    test::FakeNvenc().asyncMode = true;
    ASSERT_EQ(Encode(), kEncodeOk) << failure;
    EXPECT_EQ(DecodedPictures(), record.frames.size());
    ExpectEveryFrameOnce();
}

TEST_F(NvEncoderTest, NoFrameAtAllStillFlushesCleanly)
{
    record.nullFrom = 0;
    EXPECT_EQ(Encode(), kEncodeOk);
    EXPECT_TRUE(record.stream.empty());
    EXPECT_TRUE(record.done.empty());
}

// A picture the driver refuses, or whose input buffer it will not lock,
// never becomes a picture: the encode fails at once, every frame handed out
// freed once.
TEST_F(NvEncoderTest, APictureThatCannotBeSubmittedFreesItsFrameAndFailsTheEncode)
{
    for (std::atomic<int>* fault : {&test::FakeNvenc().failSubmitAt, &test::FakeNvenc().failInputLockAt}) {
        test::ResetFakeDrivers();
        *fault = 5;
        EXPECT_EQ(Encode(), kEncodeFailed);
        EXPECT_EQ(failure, "1 of the pictures could not be encoded");
        ExpectEveryFrameOnce();
        EXPECT_LT(record.handedOut, record.frames.size());
        EXPECT_EQ(std::count(record.written.begin(), record.written.end(), 4u), 0) << "frame 4 never became a picture";
    }
}

// With 6 buffers for 20 frames, the second picture's bitstream is taken
// while frames still come, the last one's in the flush. With B pictures a
// buffer holds another frame's picture than the one it was submitted with.
TEST_F(NvEncoderTest, ABitstreamThatCannotBeLockedFailsTheEncode)
{
    for (int lock : {2, 20}) {
        test::FakeNvenc().failLockAt = lock;
        test::FakeNvenc().locks = 0;
        EXPECT_EQ(Encode(), kEncodeFailed) << "lock " << lock;
        ExpectEveryFrameOnce();
    }
}

TEST_F(NvEncoderTest, BadSettingsFailBeforeAnyDriverObjectIsMade)
{
    config.encodeWidth = 63;
    EXPECT_EQ(Encode(), kEncodeFailed);
    EXPECT_EQ(failure, "a frame of 63x48 has an odd side");
    config.encodeWidth = kWidth;
    config.rateDenominator = 0;
    EXPECT_EQ(Encode(), kEncodeFailed);
    EXPECT_EQ(failure, "the video has no frame rate");
}

// Each set-up failure says why, in words for the log, and leaves nothing
// made behind.
TEST_F(NvEncoderTest, ASetUpTheDriverRefusesSaysWhyAndReleasesEverything)
{
    struct Case {
        std::function<void()> fault;
        std::string failure;
    };
    const Case cases[] = {
        {[] { test::FakeNvenc().withoutHevc = true; }, "the GPU cannot encode HEVC"},
        {[] { test::FakeNvenc().maxApiVersion = 9 << 4 | 1; },
         "the NVIDIA driver is too old for NVENC interface " + std::to_string(NVENCAPI_MAJOR_VERSION) + "." +
             std::to_string(NVENCAPI_MINOR_VERSION) + " (it has 9.1); a newer driver is needed"},
        {[] { test::FakeNvenc().maxWidth = 32; },
         "the GPU refused to encode 64x48 at 500000 bit/s with 2 B pictures (NVENC status 12)"},
        {[] { test::FakeCuda().computeMajor = 2; }, "GPU 0 has no video encoder (compute capability 2.5)"},
    };
    for (const Case& c : cases) {
        test::ResetFakeDrivers();
        c.fault();
        EXPECT_EQ(Encode(), kEncodeFailed);
        EXPECT_EQ(failure, c.failure);
        EXPECT_TRUE(record.done.empty());
        test::ExpectFakeDriversReleased();
    }
}
