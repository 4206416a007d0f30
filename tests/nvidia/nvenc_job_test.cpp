// Whole jobs with the NVIDIA encoder selected, through the fake driver and
// the mux thread, checked with ffprobe and ffmpeg.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "engine/job/run_stamp_job.h"
#include "engine/settings/app_settings.h"
#include "platform/text/utf.h"
#include "support/fake_nvidia.h"
#include "support/fixture_job.h"
#include "support/fixtures.h"
#include "support/media_reference.h"
#include "support/pipeline_harness.h"
#include "support/source_timing.h"

using namespace wuvo;
namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
// The stamps' rows; the picture elsewhere must be the source's.
constexpr int kFirstStampRow = 10;
constexpr int kLastStampRow = 220;

class NvencJobTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ResetFakeDrivers();
        test::PrepareJobSettings();
        gSettings.nvEncoderSelected = 1;
        gSettings.decoderKind = 3;
        outputDir = test::TestOutputDir() + "/nvenc";
        fs::create_directories(outputDir);
    }
    void TearDown() override
    {
        ResetSettings(gSettings);
        test::ExpectFakeDriversReleased();
    }

    uint32_t RunJob(const std::string& fixture, const std::string& name)
    {
        input = test::FixturePath(fixture);
        output = name.starts_with("/") ? name : outputDir + "/" + name;
        return test::RunFixtureJob(fixture, output, &messages, targetWidth, targetHeight);
    }

    bool Logged(const std::u16string& text) const
    {
        return std::find(messages.begin(), messages.end(), text) != messages.end();
    }

    // Rows outside the stamps as PSNR against the source, frame by frame in
    // display order, in each of the three planes: a chroma plane out of
    // place shows there only.
    void ExpectSourcePictureInDisplayOrder()
    {
        auto decode = [](const std::string& path) {
            return test::RunCommand("ffmpeg -v error -i " + test::Quoted(path) + " -f rawvideo -pix_fmt yuv420p -");
        };
        std::string source = decode(input);
        std::string stamped = decode(output);
        ASSERT_EQ(stamped.size(), source.size());
        const size_t frameBytes = size_t{kWidth} * kHeight * 3 / 2;
        for (size_t frame = 0; frame < source.size() / frameBytes; ++frame) {
            size_t at = frame * frameBytes;
            for (int plane = 0; plane < 3; ++plane) {
                int scale = plane == 0 ? 1 : 2;
                int width = kWidth / scale, height = kHeight / scale;
                double error = 0;
                size_t samples = 0;
                for (int row = 0; row < height; ++row, at += size_t(width)) {
                    if (row >= kFirstStampRow / scale && row < kLastStampRow / scale)
                        continue;
                    for (int col = 0; col < width; ++col, ++samples) {
                        double d = double(uint8_t(source[at + col])) - double(uint8_t(stamped[at + col]));
                        error += d * d;
                    }
                }
                double psnr = error == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * samples / error);
                EXPECT_GT(psnr, 30) << "frame " << frame << " plane " << plane;
            }
        }
    }

    test::SharedObjectsScope shared;
    std::string outputDir;
    std::string input;
    std::string output;
    std::vector<std::u16string> messages;
    uint32_t targetWidth = 1;  // the source's own size
    uint32_t targetHeight = 1;
};

}  // namespace

TEST_F(NvencJobTest, WritesAnHevcAacFileWithEveryFrameInPlace)
{
    ASSERT_EQ(RunJob("hevc_aac_newyear.mp4", "nvenc.mp4"), kJobSucceeded);
    EXPECT_EQ(test::Probe(output, "", "stream=codec_type,codec_name,codec_tag_string"),
              (std::vector<std::string>{"hevc,video,hvc1", "aac,audio,mp4a"}));
    EXPECT_EQ(test::Probe(output, "v:0", "stream=nb_frames"), test::Probe(input, "v:0", "stream=nb_frames"));
    double duration = std::stod(test::Probe(output, "v:0", "stream=duration").at(0));
    double sourceDuration = std::stod(test::Probe(input, "v:0", "stream=duration").at(0));
    EXPECT_NEAR(duration, sourceDuration, 0.05);
    EXPECT_TRUE(test::DecodesCleanly(output));
    EXPECT_GT(test::FakeNvenc().pictures.load(), 0);
    ExpectSourcePictureInDisplayOrder();
}

TEST_F(NvencJobTest, PicturesThatArriveInDecodeOrderPlayInDisplayOrder)
{
    test::FakeNvenc().holdBFrames = true;
    // Sync samples far apart: NVENC gets a GOP long enough for B pictures.
    ASSERT_EQ(RunJob("open_gop.mp4", "nvenc_b.mp4"), kJobSucceeded);
    EXPECT_GT(test::FakeNvenc().gopLength.load(), 3u);
    EXPECT_GT(test::FakeNvenc().needMoreInput.load(), 0);
    EXPECT_EQ(test::Probe(output, "", "stream=codec_type"), std::vector<std::string>{"video"});
    EXPECT_EQ(test::Probe(output, "v:0", "stream=nb_frames"), test::Probe(input, "v:0", "stream=nb_frames"));
    EXPECT_TRUE(test::DecodesCleanly(output));
    ExpectSourcePictureInDisplayOrder();
}

// Phones vary the frame rate, time B pictures in fine units, start their
// sound apart from the picture and trim their AAC padding; motion photos
// alternate frame lengths: each picture keeps its frame's time, also when it
// arrives out of display order, and the sound its place and length. NVENC
// budgets each picture's bits by the source's average rate, also where the
// sixth frame, which the probe samples, lasts two periods.
TEST_F(NvencJobTest, EveryFrameAndTheSoundKeepTheirTimes)
{
    test::FakeNvenc().holdBFrames = true;
    for (const char* fixture : {"vfr_30_then_10.mp4", "vfr_alternating.mp4", "vfr_b_frames.mp4", "picture_late.mp4",
                                "doubled_rate.mp4"}) {
        SCOPED_TRACE(fixture);
        ASSERT_EQ(RunJob(fixture, "nvenc_vfr.mp4"), kJobSucceeded);
        EXPECT_TRUE(test::DecodesCleanly(output));
        test::ExpectSourceTiming(input, output);
        double frames = std::stod(test::Probe(input, "v:0", "stream=nb_frames").at(0));
        double rate = frames / std::stod(test::Probe(input, "v:0", "stream=duration").at(0));
        EXPECT_NEAR(double(test::FakeNvenc().frameRateNum) / test::FakeNvenc().frameRateDen, rate, rate * 1e-3);
    }
}

// A front camera's mirrored picture comes out as players show it, through
// either decoder.
TEST_F(NvencJobTest, MirroredVideoComesOutAsPlayersShowIt)
{
    for (uint8_t nvdec : {0, 1}) {
        gSettings.nvDecoderAvailable = nvdec;
        for (const char* fixture : {"mirror_left_right.mp4", "mirror_top_bottom.mp4"}) {
            SCOPED_TRACE(std::string(fixture) + (nvdec ? " through NVDEC" : ""));
            ASSERT_EQ(RunJob(fixture, "nvenc_mirrored.mp4"), kJobSucceeded);
            EXPECT_EQ(test::Probe(output, "v:0", "stream=width,height"), std::vector<std::string>{"320,240"});
            ExpectSourcePictureInDisplayOrder();
        }
    }
}

// HLG comes out of the decode as BT.709 SDR; the output says so, as the
// FFmpeg path's does.
TEST_F(NvencJobTest, TheOutputCarriesTheColoursOfItsFrames)
{
    ASSERT_EQ(RunJob("hlg_bt2020.mp4", "hlg.mp4"), kJobSucceeded);
    EXPECT_EQ(test::Probe(output, "v:0", "stream=color_range,color_space,color_transfer,color_primaries"),
              std::vector<std::string>{"tv,bt709,bt709,bt709"});
}

// Both NVIDIA halves at once under ThreadSanitizer: the source's, the
// watch's, the decode, encode and mux threads.
using NvidiaJobThreads = NvencJobTest;

TEST_F(NvidiaJobThreads, DecodesWithNvdecAndEncodesWithNvenc)
{
    gSettings.nvDecoderAvailable = 1;
    test::FakeNvenc().asyncMode = true;
    ASSERT_EQ(RunJob("hevc_newyear.mov", "nvdec_nvenc.mp4"), kJobSucceeded);
    EXPECT_EQ(test::Probe(output, "v:0", "stream=nb_frames"), test::Probe(input, "v:0", "stream=nb_frames"));
    EXPECT_GT(test::FakeCuvid().picturesDecoded.load(), 0);
    ExpectSourcePictureInDisplayOrder();
}

TEST_F(NvencJobTest, NoGpuFailsTheFileWithoutAnOutput)
{
    test::FakeCuda().deviceCount = 0;
    EXPECT_EQ(RunJob("no_audio.mp4", "nogpu.mp4"), kJobFailedResult);
    EXPECT_FALSE(fs::exists(output));
}

// Each way a file can fail on this path fails it with nothing left behind,
// and the log says why where the FFmpeg path does.
TEST_F(NvencJobTest, AFailedFileLeavesNoOutputAndSaysWhy)
{
    test::FakeNvenc().failLockAt = 3;
    EXPECT_EQ(RunJob("no_audio.mp4", "lost.mp4"), kJobFailedResult) << "a picture lost";
    EXPECT_FALSE(fs::exists(output));

    test::ResetFakeDrivers();
    EXPECT_EQ(RunJob("no_audio.mp4", "/nonexistent/folder/out.mp4"), kJobFailedResult);
    EXPECT_TRUE(Logged(u"Cannot write output file /nonexistent/folder/out.mp4: No such file or directory"));

    test::ResetFakeDrivers();
    targetWidth = 640;
    targetHeight = 480;
    EXPECT_EQ(RunJob("no_audio.mp4", "scaled.mp4"), kJobFailedResult);
    EXPECT_FALSE(fs::exists(output));
    EXPECT_TRUE(Logged(u"The NVIDIA encoder cannot scale 320x240 video to 640x480: <" + platform::ToUtf16(input) +
                       u">\n"));
    EXPECT_EQ(test::FakeNvenc().pictures.load(), 0);
}
