// The NVDEC file decode against the fake driver, whose pictures are
// FFmpeg's; its frames are compared with the ffmpeg command line's.
#include "nv/nvdecoder/nv_decode_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>

#include "nv/nvdecoder/cuda_decoder.h"
#include "nv/nvdecoder/nv12_copy.h"
#include "platform/text/utf.h"
#include "support/fake_nvidia.h"
#include "support/fixtures.h"
#include "support/media_reference.h"

using namespace wuvo;

namespace {

// What the decode handed to the engine's side.
struct Delivery {
    std::vector<std::pair<uint32_t, uint32_t>> sizes;
    std::map<uint32_t, std::vector<uint8_t>> frames;
    std::vector<uint32_t> done;
    uint32_t refuseFrame = UINT32_MAX;
    size_t frameBytes = 0;
};
Delivery* gDelivery = nullptr;

uint8_t* GetBuffer(uint32_t frame)
{
    if (frame == gDelivery->refuseFrame)
        return nullptr;
    // Exactly one frame: a write past it is caught by the sanitizers.
    auto& buffer = gDelivery->frames[frame];
    buffer.assign(gDelivery->frameBytes, 0);
    return buffer.data();
}

void SetSize(uint32_t width, uint32_t height)
{
    gDelivery->sizes.emplace_back(width, height);
    gDelivery->frameBytes = size_t{width} * height + 2 * size_t{width / 2} * (height / 2);
}

void FrameDone(uint32_t frame)
{
    gDelivery->done.push_back(frame);
}

class NvDecodeFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ResetFakeDrivers();
        gDelivery = &delivery;
        callbacks.getBuffer = GetBuffer;
        callbacks.setSize = SetSize;
        callbacks.frameDone = FrameDone;
    }
    void TearDown() override
    {
        gDelivery = nullptr;
        test::ExpectFakeDriversReleased();
        test::ResetFakeDrivers();
    }

    int Decode(const std::string& fixture, std::string* errors = nullptr)
    {
        path = test::FixturePath(fixture);
        testing::internal::CaptureStderr();
        int result = NvDecodeFile(platform::ToUtf16(path), callbacks);
        std::string printed = testing::internal::GetCapturedStderr();
        if (errors)
            *errors = printed;
        return result;
    }

    std::vector<std::string> ReferenceFrames(const std::string& scale = "")
    {
        std::string raw = test::RunCommand("ffmpeg -v error -i " + test::Quoted(path) + scale +
                                           " -f rawvideo -pix_fmt yuv420p -");
        std::vector<std::string> frames;
        for (size_t at = 0; delivery.frameBytes && at + delivery.frameBytes <= raw.size(); at += delivery.frameBytes)
            frames.push_back(raw.substr(at, delivery.frameBytes));
        return frames;
    }

    void ExpectFramesAsFfmpegDecodesThem()
    {
        auto reference = ReferenceFrames();
        ASSERT_EQ(delivery.done.size(), reference.size());
        for (uint32_t n = 0; n < reference.size(); ++n) {
            ASSERT_EQ(delivery.done[n], n);
            const auto& frame = delivery.frames.at(n);
            EXPECT_EQ(std::memcmp(frame.data(), reference[n].data(), frame.size()), 0) << "frame " << n;
        }
    }

    Delivery delivery;
    DecoderCallbacks callbacks;
    std::string path;
};

}  // namespace

TEST(NvdecSetUp, SurfaceCountsFollowTheLumaPictureSize)
{
    using NSNVDECODE::DecodeSurfaceCount;
    EXPECT_EQ(DecodeSurfaceCount(cudaVideoCodec_H264, 7680, 4320), 20u);
    EXPECT_EQ(DecodeSurfaceCount(cudaVideoCodec_HEVC, 3840, 2160), 20u);
    EXPECT_EQ(DecodeSurfaceCount(cudaVideoCodec_HEVC, 4096, 2176), 20u);
    EXPECT_EQ(DecodeSurfaceCount(cudaVideoCodec_HEVC, 4096, 2304), 16u);
    EXPECT_EQ(DecodeSurfaceCount(cudaVideoCodec_HEVC, 5120, 3840), 12u);
    EXPECT_EQ(DecodeSurfaceCount(cudaVideoCodec_HEVC, 7680, 4320), 10u);
}

TEST(NvdecSetUp, TheTargetSizeIsTheRequestedOneOnlyWhenBothSidesAreGiven)
{
    CUVIDEOFORMAT format{};
    format.codec = cudaVideoCodec_HEVC;
    format.coded_width = 1920;
    format.coded_height = 1088;
    format.display_area.right = 1920;
    format.display_area.bottom = 1080;
    auto lock = reinterpret_cast<CUvideoctxlock>(0x10);
    CUVIDDECODECREATEINFO scaled = NSNVDECODE::MakeDecoderCreateInfo(format, lock, 1280, 720);
    EXPECT_EQ(scaled.ulWidth, 1920u);
    EXPECT_EQ(scaled.ulHeight, 1088u);
    EXPECT_EQ(scaled.ulTargetWidth, 1280u);
    EXPECT_EQ(scaled.ulTargetHeight, 720u);
    EXPECT_EQ(scaled.target_rect.right, 1280);
    EXPECT_EQ(scaled.target_rect.bottom, 720);
    EXPECT_EQ(scaled.display_area.bottom, 1080);
    EXPECT_EQ(scaled.vidLock, lock);
    EXPECT_EQ(scaled.bitDepthMinus8, 0u);
    for (auto [w, h] : {std::pair{0, 0}, {1280, 0}, {-5, 720}}) {
        CUVIDDECODECREATEINFO native = NSNVDECODE::MakeDecoderCreateInfo(format, lock, w, h);
        EXPECT_EQ(native.ulTargetWidth, 1920u);
        EXPECT_EQ(native.ulTargetHeight, 1080u);
    }
    // An odd display size takes in the coded column and row beyond it.
    format.display_area.right = 1919;
    format.display_area.bottom = 1079;
    CUVIDDECODECREATEINFO odd = NSNVDECODE::MakeDecoderCreateInfo(format, lock, 0, 0);
    EXPECT_EQ(odd.ulTargetWidth, 1920u);
    EXPECT_EQ(odd.ulTargetHeight, 1080u);
    EXPECT_EQ(odd.display_area.right, 1920);
    EXPECT_EQ(odd.display_area.bottom, 1080);
}

TEST(NvdecSetUp, Nv12BecomesPackedI420AtAnOddWidth)
{
    // 5 x 2 in rows of 8: Y, then one chroma row U0 V0 U1 V1 and padding.
    const uint8_t nv12[] = {1, 2, 3, 4, 5, 0, 0, 0, 6, 7, 8, 9, 10, 0, 0, 0, 20, 30, 21, 31, 99, 99, 0, 0};
    std::vector<uint8_t> i420(5 * 2 + 2 * 2, 0xEE);
    nv::CopyNv12ToI420(nv12, 8, 2, 5, 2, i420.data());
    EXPECT_EQ(i420, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 20, 21, 30, 31}));
}

TEST_F(NvDecodeFileTest, DecodesEveryPictureAtTheDisplaySizeAsFfmpegDoes)
{
    ASSERT_EQ(Decode("hd1080.mp4"), kNvDecodeOk);
    EXPECT_EQ(delivery.sizes, (std::vector<std::pair<uint32_t, uint32_t>>{{1920, 1080}}));
    EXPECT_EQ(callbacks.targetWidth, 1920u);
    EXPECT_EQ(callbacks.targetHeight, 1080u);
    EXPECT_EQ(delivery.frameBytes, 3'110'400u);
    EXPECT_EQ(test::FakeCuvid().surfaces.load(), 20u);
    EXPECT_GT(test::FakeCuvid().pitch.load(), 1920u) << "rows are pitched, so the copy must use the pitch";
    ExpectFramesAsFfmpegDecodesThem();
}

TEST_F(NvDecodeFileTest, ScalesToARequestedTargetWithAnOddWidth)
{
    callbacks.targetWidth = 319;
    callbacks.targetHeight = 180;
    ASSERT_EQ(Decode("fps25.mp4"), kNvDecodeOk);
    EXPECT_EQ(delivery.sizes, (std::vector<std::pair<uint32_t, uint32_t>>{{319, 180}}));
    EXPECT_EQ(test::FakeCuvid().targetWidth.load(), 320u) << "NV12 surfaces have even sides";
    auto frames = test::Probe(path, "v:0", "stream=nb_frames");
    EXPECT_EQ(std::to_string(delivery.done.size()), frames.at(0));
    EXPECT_EQ(delivery.frameBytes, size_t{319} * 180 + 2 * 159 * 90);
}

TEST_F(NvDecodeFileTest, AFrameWithoutABufferIsDroppedAndTheNumberingGoesOn)
{
    delivery.refuseFrame = 5;
    ASSERT_EQ(Decode("no_audio.mp4"), kNvDecodeOk);
    ASSERT_GT(delivery.done.size(), 7u);
    EXPECT_EQ(delivery.done[4], 4u);
    EXPECT_EQ(delivery.done[5], 6u);
}

TEST_F(NvDecodeFileTest, BadInputIsRefusedAtSetUpWithEverythingReleased)
{
    std::string errors;
    path = "/nonexistent/clip.mp4";
    testing::internal::CaptureStderr();
    EXPECT_EQ(NvDecodeFile(platform::ToUtf16(path), callbacks), kNvDecodeFailed);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "cuvidCreateVideoSource failed\n"
              "Please check if the path exists, or the video is a valid H264 file\n");
    EXPECT_EQ(Decode("main10.mp4", &errors), kNvDecodeFailed);
    EXPECT_NE(errors.find("8-bit"), std::string::npos) << errors;
    // 4352 x 2176 does not fit a pool slot; nothing is written anywhere.
    EXPECT_EQ(Decode("oversize.mp4", &errors), kNvDecodeFailed);
    EXPECT_EQ(errors, "Video resolution too large: width = 4352, height = 2176\n");
    EXPECT_TRUE(delivery.sizes.empty()) << "set-size is never called";
    EXPECT_TRUE(delivery.done.empty());
}

TEST_F(NvDecodeFileTest, ADriverThatFailsEndsTheDecodeInOrder)
{
    std::string errors;
    test::FakeCuda().initResult = 100;
    EXPECT_EQ(Decode("no_audio.mp4", &errors), kNvDecodeFailed);
    EXPECT_EQ(errors, "cuInit(0, __CUDA_API_VERSION, hHandleDriver) has returned CUDA error 100\n");
    test::ResetFakeDrivers();

    test::FakeCuda().failHostAllocation = true;
    EXPECT_EQ(Decode("no_audio.mp4"), kNvDecodeFailed);
    EXPECT_TRUE(delivery.done.empty());
    test::ResetFakeDrivers();

    // The third map and, in the next decode, the fifth copy fail: the
    // frames before arrive, the failing one is dropped, and the source
    // stops with pictures still on their way.
    test::FakeCuvid().failMapAtCall = 3;
    EXPECT_EQ(Decode("long.mp4"), kNvDecodeFailed);
    EXPECT_EQ(delivery.done, (std::vector<uint32_t>{0, 1}));
    test::ResetFakeDrivers();
    delivery.done.clear();
    test::FakeCuda().failCopyAtCall = 5;
    EXPECT_EQ(Decode("long.mp4"), kNvDecodeFailed);
    EXPECT_EQ(delivery.done, (std::vector<uint32_t>{0, 1, 2, 3}));
    EXPECT_LT(test::FakeCuvid().picturesDecoded.load(), 600) << "the source did not run to the end";
}

// A stopped job must not wait for the source to read to the end of the file.
TEST_F(NvDecodeFileTest, AStopEndsTheDecodeAtTheNextPicture)
{
    callbacks.stopRequested = [] { return gDelivery->done.size() >= 3; };
    EXPECT_EQ(Decode("long.mp4"), kNvDecodeFailed);
    EXPECT_EQ(delivery.done, (std::vector<uint32_t>{0, 1, 2}));
    EXPECT_EQ(test::FakeCuvid().maps.load(), 3);
    EXPECT_LT(test::FakeCuvid().picturesDecoded.load(), 600) << "the source did not run to the end";
}

TEST_F(NvDecodeFileTest, APictureIndexOutOfRangeIsNeverUsed)
{
    test::FakeCuvid().badPictureIndexAt = 3;
    ASSERT_EQ(Decode("no_audio.mp4"), kNvDecodeOk);
    auto frames = std::stoul(test::Probe(path, "v:0", "stream=nb_frames").at(0));
    EXPECT_EQ(delivery.done.size(), frames - 1);
}
