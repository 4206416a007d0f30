// Whole jobs with the NVIDIA encoder selected, through the fake driver and
// the mux thread, checked with ffprobe and ffmpeg.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>

#include "engine/job/run_stamp_job.h"
#include "engine/media/media_output.h"
#include "engine/settings/app_settings.h"
#include "nv/nvencoder/nv_encoder.h"
#include "platform/media/hevc_encoder_settings.h"
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
// How far the file's bitrate may stray from the one asked for.
constexpr double kBitrateSlack = 1.5;

struct Fraction {
    uint32_t num = 0;
    uint32_t den = 1;
};

// The frames whose packets ffprobe marks as key frames, by number.
std::vector<size_t> KeyPictures(const std::string& path)
{
    std::vector<size_t> keys;
    std::vector<std::string> flags = test::Probe(path, "v:0", "packet=flags");
    for (size_t n = 0; n < flags.size(); ++n)
        if (flags[n].find('K') != std::string::npos)
            keys.push_back(n);
    return keys;
}

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

    // The input's frame rate as ffprobe reads it.
    Fraction SourceRate() const
    {
        std::string rate = test::Probe(input, "v:0", "stream=r_frame_rate").at(0);
        size_t slash = rate.find('/');
        return {uint32_t(std::stoul(rate.substr(0, slash))), uint32_t(std::stoul(rate.substr(slash + 1)))};
    }

    // Rows outside the stamps as PSNR against the source, frame by frame in
    // display order, in each of the three planes: a chroma plane out of
    // place shows there only. With speed-up, frame k is source frame
    // divisor x k.
    void ExpectSourcePictureInDisplayOrder(uint32_t divisor = 1)
    {
        auto decode = [](const std::string& path) {
            return test::RunCommand("ffmpeg -v error -i " + test::Quoted(path) + " -f rawvideo -pix_fmt yuv420p -");
        };
        std::string source = decode(input);
        std::string stamped = decode(output);
        const size_t frameBytes = size_t{kWidth} * kHeight * 3 / 2;
        size_t frames = source.size() / frameBytes;
        ASSERT_EQ(stamped.size(), (frames + divisor - 1) / divisor * frameBytes);
        for (size_t frame = 0; frame < stamped.size() / frameBytes; ++frame) {
            size_t at = frame * frameBytes;
            size_t from = frame * divisor * frameBytes;
            for (int plane = 0; plane < 3; ++plane) {
                int scale = plane == 0 ? 1 : 2;
                int width = kWidth / scale, height = kHeight / scale;
                double error = 0;
                size_t samples = 0;
                for (int row = 0; row < height; ++row, at += size_t(width), from += size_t(width)) {
                    if (row >= kFirstStampRow / scale && row < kLastStampRow / scale)
                        continue;
                    for (int col = 0; col < width; ++col, ++samples) {
                        double d = double(uint8_t(source[from + col])) - double(uint8_t(stamped[at + col]));
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

// Rate control budgets each frame's bits by the frame rate NVENC is given:
// the source's, so that the file gets about the bitrate asked for. The file
// keeps the recording date.
TEST_F(NvencJobTest, WritesAnHevcAacFileWithEveryFrameInPlace)
{
    ASSERT_EQ(RunJob("hevc_aac_newyear.mp4", "nvenc.mp4"), kJobSucceeded);
    EXPECT_EQ(test::Probe(output, "", "stream=codec_type,codec_name,codec_tag_string"),
              (std::vector<std::string>{"hevc,video,hvc1", "aac,audio,mp4a"}));
    test::ExpectRecordingDateKept(input, output);
    EXPECT_EQ(test::Probe(output, "v:0", "stream=nb_frames"), test::Probe(input, "v:0", "stream=nb_frames"));
    double duration = std::stod(test::Probe(output, "v:0", "stream=duration").at(0));
    double sourceDuration = std::stod(test::Probe(input, "v:0", "stream=duration").at(0));
    EXPECT_NEAR(duration, sourceDuration, 0.05);
    EXPECT_TRUE(test::DecodesCleanly(output));
    EXPECT_GT(test::FakeNvenc().pictures.load(), 0);
    ExpectSourcePictureInDisplayOrder();

    Fraction rate = SourceRate();
    EXPECT_EQ(uint64_t{test::FakeNvenc().frameRateNum} * rate.den, uint64_t{rate.num} * test::FakeNvenc().frameRateDen);
    double bitrate = std::stod(test::Probe(output, "v:0", "stream=bit_rate").at(0));
    EXPECT_LT(bitrate, test::kJobBitrate * kBitrateSlack);
    EXPECT_GT(bitrate, test::kJobBitrate / kBitrateSlack);
}

TEST_F(NvencJobTest, PicturesThatArriveInDecodeOrderPlayInDisplayOrder)
{
    // Sync samples far apart: NVENC gets a GOP long enough for B pictures.
    ASSERT_EQ(RunJob("open_gop.mp4", "nvenc_b.mp4"), kJobSucceeded);
    EXPECT_GT(test::FakeNvenc().gopLength.load(), 3u);
    EXPECT_GT(test::FakeNvenc().needMoreInput.load(), 0);
    EXPECT_EQ(test::Probe(output, "", "stream=codec_type"), std::vector<std::string>{"video"});
    EXPECT_EQ(test::Probe(output, "v:0", "stream=nb_frames"), test::Probe(input, "v:0", "stream=nb_frames"));
    EXPECT_TRUE(test::DecodesCleanly(output));
    ExpectSourcePictureInDisplayOrder();
}

// Many phone clips hold a single sync sample, and their sound goes on after
// the last picture. On a card without HEVC B pictures, as before Turing:
// an IDR picture about every second, no B pictures, each frame at its time
// and the whole sound.
TEST_F(NvencJobTest, AClipWithOneSyncSampleOnACardWithoutBPictures)
{
    test::FakeNvenc().maxBFrames = 0;
    ASSERT_EQ(RunJob("one_sync_sample.mp4", "one_sync.mp4"), kJobSucceeded);
    ASSERT_EQ(KeyPictures(input), std::vector<size_t>{0});
    Fraction rate = SourceRate();
    size_t second = (rate.num + rate.den / 2) / rate.den;
    size_t frames = std::stoul(test::Probe(input, "v:0", "stream=nb_frames").at(0));
    std::vector<size_t> expected;
    for (size_t frame = 0; frame < frames; frame += second)
        expected.push_back(frame);
    EXPECT_EQ(KeyPictures(output), expected);
    auto types = test::Probe(output, "v:0", "frame=pict_type");
    EXPECT_EQ(std::count(types.begin(), types.end(), "B"), 0);
    EXPECT_TRUE(test::DecodesCleanly(output));
    test::ExpectSourceTiming(input, output);
}

// Speed-up keeps frames 0, n, 2n, ... and every n-th piece of sound, all
// played n times faster.
TEST_F(NvencJobTest, SpeedUpKeepsEveryNthFrameAndPieceOfSound)
{
    constexpr uint32_t kSpeedUp = 3;
    gSettings.speedUp = 1;
    gSettings.speedUpFactor = kSpeedUp;
    ASSERT_EQ(RunJob("hevc_aac_newyear.mp4", "speedup.mp4"), kJobSucceeded);
    EXPECT_TRUE(test::DecodesCleanly(output));
    test::ExpectSourceTiming(input, output, kSpeedUp);
    ExpectSourcePictureInDisplayOrder(kSpeedUp);
}

// Phones vary the frame rate, time B pictures in fine units, start their
// sound apart from the picture and trim their AAC padding; motion photos
// alternate frame lengths: each picture keeps its frame's time, also when it
// arrives out of display order, and the sound its place and length. NVENC
// budgets each picture's bits by the source's average rate, also where the
// sixth frame, which the probe samples, lasts two periods.
TEST_F(NvencJobTest, EveryFrameAndTheSoundKeepTheirTimes)
{
    for (const char* fixture : {"vfr_30_then_10.mp4", "vfr_alternating.mp4", "vfr_b_frames.mp4", "picture_late.mp4",
                                "doubled_rate.mp4"}) {
        SCOPED_TRACE(fixture);
        ASSERT_EQ(RunJob(fixture, "nvenc_vfr.mp4"), kJobSucceeded);
        EXPECT_TRUE(test::DecodesCleanly(output));
        test::ExpectSourceTiming(input, output);
        double frames = std::stod(test::Probe(input, "v:0", "stream=nb_frames").at(0));
        double rate = frames / std::stod(test::Probe(input, "v:0", "stream=duration").at(0));
        EXPECT_NEAR(double(test::FakeNvenc().frameRateNum) / test::FakeNvenc().frameRateDen, rate, rate * 1e-3);
        EXPECT_LE(std::max(test::FakeNvenc().frameRateNum.load(), test::FakeNvenc().frameRateDen.load()),
                  platform::kMaxRateTerm);
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

// HLG comes out of the decode as BT.709 SDR, and an untagged SD picture is
// read by BT.601; the output says so, as the FFmpeg path's does.
TEST_F(NvencJobTest, TheOutputCarriesTheColoursOfItsFrames)
{
    for (auto [fixture, colours] : {std::pair{"hlg_bt2020.mp4", "tv,bt709,bt709,bt709"},
                                    {"no_audio.mp4", "tv,smpte170m,smpte170m,smpte170m"}}) {
        ASSERT_EQ(RunJob(fixture, "colours.mp4"), kJobSucceeded) << fixture;
        EXPECT_EQ(test::Probe(output, "v:0", "stream=color_range,color_space,color_transfer,color_primaries"),
                  std::vector<std::string>{colours});
    }
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

// Each way the GPU or its driver can refuse the encode fails the file
// without an output, and the log says why in words.
TEST_F(NvencJobTest, AGpuThatCannotEncodeFailsTheFileAndTheLogSaysWhy)
{
    struct Case {
        std::function<void()> fault;
        std::u16string reason;  // how the line begins
    };
    const Case cases[] = {
        {[] { test::FakeCuda().deviceCount = 0; }, u"no NVIDIA GPU was found.\n"},
        {[] { test::FakeNvenc().withoutHevc = true; }, u"the GPU cannot encode HEVC.\n"},
        {[] { test::FakeNvenc().maxApiVersion = 9 << 4 | 1; }, u"the NVIDIA driver is too old for NVENC interface"},
        {[] { test::FakeNvenc().maxWidth = 256; }, u"the GPU refused to encode 320x240 at 2000000 bit/s"},
    };
    for (const Case& c : cases) {
        test::ResetFakeDrivers();
        messages.clear();
        c.fault();
        EXPECT_EQ(RunJob("no_audio.mp4", "refused.mp4"), kJobFailedResult);
        EXPECT_FALSE(fs::exists(output));
        std::u16string line = u"NVIDIA GPU encoder failed: " + c.reason;
        auto begins = [&line](const std::u16string& text) { return text.starts_with(line); };
        EXPECT_EQ(std::count_if(messages.begin(), messages.end(), begins), 1) << platform::ToUtf8(c.reason);
    }
}

// A picture lost in the encode fails the file: the mux must not finish a
// stream with a hole in it. Run without the job's watch, which would stop
// the mux as well, only the encoder's own stop can keep it from finishing.
using NvencMuxThreads = NvencJobTest;

TEST_F(NvencMuxThreads, ALostPictureStopsTheMuxBeforeItFinishesTheFile)
{
    test::FakeNvenc().failLockAt = 3;
    input = test::FixturePath("no_audio.mp4");
    output = outputDir + "/lost.mp4";
    fs::remove(output);
    std::u16string inputText = platform::ToUtf16(input);
    test::LoadVideoTrack(input);
    StampJob job = test::MakeJob(inputText, output, kWidth, kHeight, test::kJobBitrate);
    test::CallbackLog log;
    testing::internal::CaptureStdout();
    test::NvencExitCodes exits = test::RunNvencPipeline(job, &log);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(exits.encode, uint32_t{NVENCODER::kEncodeFailed});
    EXPECT_EQ(exits.mux, kEncodeStoppedBetweenFrames);
    EXPECT_FALSE(fs::exists(output));
    std::u16string lost = u"NVIDIA GPU encoder failed: 1 of the pictures could not be encoded.\n";
    EXPECT_EQ(log.messages, std::vector<std::u16string>{lost});
}

// Each way a file can fail on this path fails it with nothing left behind,
// and the log says why where the FFmpeg path does.
TEST_F(NvencJobTest, AFailedFileLeavesNoOutputAndSaysWhy)
{
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
    // A 3:4 picture stored upright in 640x360 would be scaled to 360x480.
    targetWidth = 640;
    targetHeight = 360;
    EXPECT_EQ(RunJob("portrait_3x4.mp4", "scaled.mp4"), kJobFailedResult);
    EXPECT_TRUE(Logged(u"The NVIDIA encoder cannot scale 240x320 video to 360x480: <" + platform::ToUtf16(input) +
                       u">\n"));
}
