// Whole jobs with the NVIDIA encoder selected, through the fake driver and
// the mux thread, checked with ffprobe and ffmpeg.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "engine/job/run_stamp_job.h"
#include "engine/settings/app_settings.h"
#include "support/fake_nvidia.h"
#include "support/fixture_job.h"
#include "support/fixtures.h"
#include "support/media_reference.h"
#include "support/pipeline_harness.h"

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
        output = outputDir + "/" + name;
        return test::RunFixtureJob(fixture, output);
    }

    // Rows outside the stamps as PSNR against the source, frame by frame in
    // display order.
    void ExpectSourcePictureInDisplayOrder()
    {
        auto decode = [](const std::string& path) {
            return test::RunCommand("ffmpeg -v error -i " + test::Quoted(path) + " -f rawvideo -pix_fmt gray -");
        };
        std::string source = decode(input);
        std::string stamped = decode(output);
        ASSERT_EQ(stamped.size(), source.size());
        size_t frameBytes = size_t{kWidth} * kHeight;
        for (size_t f = 0; f < source.size() / frameBytes; ++f) {
            double error = 0;
            size_t samples = 0;
            for (int row = 0; row < kHeight; ++row) {
                if (row >= kFirstStampRow && row < kLastStampRow)
                    continue;
                for (int col = 0; col < kWidth; ++col) {
                    size_t at = f * frameBytes + size_t(row) * kWidth + col;
                    double d = double(uint8_t(source[at])) - double(uint8_t(stamped[at]));
                    error += d * d;
                    ++samples;
                }
            }
            double psnr = error == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * samples / error);
            EXPECT_GT(psnr, 30) << "frame " << f;
        }
    }

    test::SharedObjectsScope shared;
    std::string outputDir;
    std::string input;
    std::string output;
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
