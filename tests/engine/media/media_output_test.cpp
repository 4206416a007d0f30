#include "engine/media/media_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>
#include <utility>

#include "engine/media/media_input.h"
#include "engine/pipeline/shared_objects.h"
#include "platform/media/hevc_encoder_settings.h"
#include "platform/media/media_status.h"
#include "platform/text/utf.h"
#include "platform/threads/worker_thread.h"
#include "support/fixtures.h"
#include "support/media_reference.h"
#include "support/pipeline_harness.h"
#include "support/source_timing.h"

using namespace wuvo;
namespace fs = std::filesystem;

namespace {

constexpr uint32_t kBitrate = 500000;
// One AAC frame: 1024 samples at the fixtures' 48 kHz.
constexpr double kAacFrameSeconds = 1024.0 / 48000.0;

double Number(const std::string& text)
{
    return std::stod(text);
}

// How long a frame of the input lasts: the sixth, as the probe measures it.
double SourceFrameSeconds(const std::string& input)
{
    constexpr size_t kSampledFrame = 5;
    auto durations = test::Probe(input, "v:0", "packet=duration_time");
    EXPECT_GT(durations.size(), kSampledFrame);
    return durations.size() > kSampledFrame ? Number(durations[kSampledFrame]) : 0;
}

// The rate libx265 was handed, as it writes it into the stream's timing:
// units in a tick, and the time scale.
std::pair<uint64_t, uint64_t> StreamTimingTerms(const std::string& path)
{
    std::string trace = test::RunCommand("ffmpeg -nostdin -hide_banner -i " + test::Quoted(path) +
                                         " -c copy -bsf:v trace_headers -frames:v 1 -f null - 2>&1");
    auto term = [&](const std::string& name) {
        size_t at = trace.find("= ", trace.find(name));
        return at == std::string::npos ? 0 : std::stoull(trace.substr(at + 2));
    };
    return {term("vui_num_units_in_tick"), term("vui_time_scale")};
}

size_t FilesIn(const fs::path& folder)
{
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

class MediaOutputThreads : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetSettings(gSettings);
        gSettings.disableAudio = 0;
    }

    // Encodes `fixture` into folder/out.mp4; the output's path.
    std::string Encode(const std::string& fixture, const std::string& folderName, uint32_t width,
                       uint32_t height, uint32_t divisor)
    {
        input = test::FixturePath(fixture);
        inputText = platform::ToUtf16(input);
        std::string output = (fs::path(test::FreshOutputFolder(folderName)) / "out.mp4").string();
        test::LoadVideoTrack(input);
        job = test::MakeJob(inputText, output, width, height, bitrate);
        exitCode = test::RunEncodePipeline(job, divisor, &log);
        return output;
    }

    void ExpectCleanOutput(const std::string& output)
    {
        EXPECT_EQ(exitCode, 0u);
        std::string errors;
        EXPECT_TRUE(test::DecodesCleanly(output, &errors)) << errors;
    }

    test::SharedObjectsScope shared;
    std::string input;
    std::u16string inputText;
    StampJob job;
    test::CallbackLog log;
    uint32_t exitCode = 0;
    uint32_t bitrate = kBitrate;
};

}  // namespace

TEST_F(MediaOutputThreads, WritesEveryFrameWithItsAudio)
{
    std::string output = Encode("hevc_aac_newyear.mp4", "out_every", 480, 270, 1);
    ExpectCleanOutput(output);
    auto sourceFrames = test::Probe(input, "v:0", "stream=nb_frames");
    auto video = test::Probe(output, "v:0", "stream=codec_name,codec_tag_string,width,height,nb_frames");
    EXPECT_EQ(video, std::vector<std::string>{"hevc,hvc1,360,270," + sourceFrames.at(0)});
    double frameSeconds = SourceFrameSeconds(input);
    for (const auto& duration : test::Probe(output, "v:0", "packet=duration_time"))
        ASSERT_NEAR(Number(duration), frameSeconds, 1e-6);

    auto audio = test::Probe(output, "a", "stream=codec_name,sample_rate,channels");
    EXPECT_EQ(audio, std::vector<std::string>{"aac,48000,2"});
    double videoSeconds = Number(test::Probe(output, "v:0", "stream=duration").at(0));
    double audioSeconds = Number(test::Probe(output, "a:0", "stream=duration").at(0));
    EXPECT_NEAR(audioSeconds, videoSeconds, frameSeconds + 2 * kAacFrameSeconds);

    // Progress climbs in tenths of a percent to 100.0 and never past it.
    ASSERT_FALSE(log.progress.empty());
    for (size_t i = 1; i < log.progress.size(); ++i)
        EXPECT_GE(log.progress[i], log.progress[i - 1]);
    EXPECT_FLOAT_EQ(log.progress.back(), 100.0f);
    EXPECT_TRUE(log.messages.empty());
}

// QuickTime at 30000/1001, uncompressed and mono audio, 10-bit video, a
// last sample the time table gives no duration.
TEST_F(MediaOutputThreads, WritesOtherKindsOfInput)
{
    for (const char* fixture :
         {"hevc_newyear.mov", "lpcm.mov", "fps25.mp4", "main10.mp4", "last_sample_no_duration.mp4"}) {
        std::string output = Encode(fixture, "out_kinds", 1, 1, 1);
        ExpectCleanOutput(output);
        EXPECT_EQ(test::Probe(output, "v:0", "stream=codec_tag_string,nb_frames"),
                  std::vector<std::string>{"hvc1," + test::Probe(input, "v:0", "stream=nb_frames").at(0)})
            << fixture;
        EXPECT_EQ(test::Probe(output, "a", "stream=codec_name,channels"),
                  std::vector<std::string>{"aac," + test::Probe(input, "a:0", "stream=channels").at(0)})
            << fixture;
        double frameSeconds = SourceFrameSeconds(input);
        for (const auto& duration : test::Probe(output, "v:0", "packet=duration_time"))
            ASSERT_NEAR(Number(duration), frameSeconds, 1e-6) << fixture;
        double frames = Number(test::Probe(output, "v:0", "stream=nb_frames").at(0));
        EXPECT_NEAR(Number(test::Probe(output, "v:0", "stream=duration").at(0)), frames * frameSeconds,
                    frameSeconds / 2)
            << fixture << ": every frame shown";
    }
}

// Speed-up keeps frames 0, d, 2d, ... each lasting one source frame, and
// every d-th piece of audio, so both play d times faster together.
TEST_F(MediaOutputThreads, SpeedUpKeepsEveryNthFrameAndAudioPiece)
{
    constexpr uint32_t kDivisor = 7;
    std::string output = Encode("hevc_aac_newyear.mp4", "out_speedup", 1, 1, kDivisor);
    ExpectCleanOutput(output);
    uint32_t sourceFrames = std::stoul(test::Probe(input, "v:0", "stream=nb_frames").at(0));
    uint32_t kept = (sourceFrames + kDivisor - 1) / kDivisor;
    EXPECT_EQ(test::Probe(output, "v:0", "stream=width,height,nb_frames"),
              std::vector<std::string>{"320,240," + std::to_string(kept)});
    double frameSeconds = SourceFrameSeconds(input);
    for (const auto& duration : test::Probe(output, "v:0", "packet=duration_time"))
        ASSERT_NEAR(Number(duration), frameSeconds, 1e-6);
    double videoSeconds = Number(test::Probe(output, "v:0", "stream=duration").at(0));
    double audioSeconds = Number(test::Probe(output, "a:0", "stream=duration").at(0));
    EXPECT_NEAR(videoSeconds, kept * frameSeconds, frameSeconds);
    EXPECT_NEAR(audioSeconds, videoSeconds, frameSeconds + 2 * kAacFrameSeconds);

    // Sound that starts late, and 300 frames: the last kept frame shows to
    // the track's end, to the millisecond.
    output = Encode("vfr_b_frames.mp4", "out_speedup_late", 1, 1, kDivisor);
    ExpectCleanOutput(output);
    test::ExpectSourceTiming(input, output, kDivisor);
    EXPECT_NEAR(Number(test::Probe(output, "v:0", "stream=duration").at(0)),
                Number(test::Probe(input, "v:0", "stream=duration").at(0)) / kDivisor, 1e-3);
}

TEST_F(MediaOutputThreads, WritesNoAudioWhenItIsOffOrMissing)
{
    gSettings.disableAudio = 1;
    std::string off = Encode("hevc_aac_newyear.mp4", "out_audio_off", 1, 1, 4);
    ExpectCleanOutput(off);
    EXPECT_EQ(test::Probe(off, "", "stream=codec_type"), std::vector<std::string>{"video"});

    gSettings.disableAudio = 0;
    std::string missing = Encode("no_audio.mp4", "out_no_audio", 1, 1, 4);
    ExpectCleanOutput(missing);
    EXPECT_EQ(test::Probe(missing, "", "stream=codec_type"), std::vector<std::string>{"video"});
}

// A phone's portrait video comes out portrait and upright, and a front
// camera's mirrored one mirrored, as a player shows the input, without a
// display matrix left to apply.
TEST_F(MediaOutputThreads, TurnedAndMirroredVideoComesOutAsPlayersShowIt)
{
    for (const auto& [fixture, size] : {std::pair{"rotate90.mp4", "240,320"}, std::pair{"mirror_left_right.mp4", "320,240"},
                                        std::pair{"mirror_top_bottom.mp4", "320,240"}}) {
        SCOPED_TRACE(fixture);
        std::string output = Encode(fixture, "out_turned", 320, 240, 1);
        ExpectCleanOutput(output);
        EXPECT_EQ(test::Probe(output, "v:0", "stream=width,height"), std::vector<std::string>{size});
        EXPECT_EQ(test::Probe(output, "v:0", "stream_side_data=rotation"), std::vector<std::string>{});

        auto shown = test::RunCommand("ffmpeg -nostdin -v error -i " + test::Quoted(input) +
                                      " -frames:v 1 -f rawvideo -pix_fmt gray -");
        auto written = test::RunCommand("ffmpeg -nostdin -v error -i " + test::Quoted(output) +
                                        " -frames:v 1 -f rawvideo -pix_fmt gray -");
        ASSERT_EQ(shown.size(), 240u * 320u);
        ASSERT_EQ(written.size(), shown.size());
        double difference = 0;
        for (size_t i = 0; i < shown.size(); ++i)
            difference += std::abs(static_cast<uint8_t>(shown[i]) - static_cast<uint8_t>(written[i]));
        EXPECT_LT(difference / shown.size(), 4.0) << "mean difference per sample";
    }
}

// A stop leaves no output, and the earlier file of the same name intact.
TEST_F(MediaOutputThreads, AStopKeepsTheEarlierOutput)
{
    input = test::FixturePath("hevc_aac_newyear.mp4");
    inputText = platform::ToUtf16(input);
    fs::path folder = test::FreshOutputFolder("out_stopped");
    fs::path output = folder / "out.mp4";
    std::ofstream(output) << "earlier good file";
    test::LoadVideoTrack(input);
    job = test::MakeJob(inputText, output.string(), 1, 1, kBitrate);
    gEncodeState->abort = 1;
    exitCode = test::RunEncodePipeline(job, 1, &log);
    InitThreadState(*gEncodeState);
    EXPECT_EQ(exitCode, kEncodeStoppedBetweenFrames);
    EXPECT_EQ(FilesIn(folder), 1u);
    std::ifstream kept(output);
    std::string text;
    std::getline(kept, text);
    EXPECT_EQ(text, "earlier good file");
}

// Stopped while no stamped frame comes: 13. Nothing tells from outside when
// the encoder has opened and begun to wait, which takes long on a busy
// machine: a stop that came before is one between frames (12), and the
// stop is tried again later.
TEST_F(MediaOutputThreads, AStopWhileWaitingForAFrameEndsWith13)
{
    input = test::FixturePath("no_audio.mp4");
    inputText = platform::ToUtf16(input);
    test::LoadVideoTrack(input);
    job = test::MakeJob(inputText, (fs::path(test::FreshOutputFolder("out_waiting")) / "out.mp4").string(), 1, 1, kBitrate);
    ProbeInputWithMf(job);
    uint32_t result = 0;
    for (uint32_t delayMs = 200; delayMs <= 12800 && result != kEncodeStoppedWaitingForFrame; delayMs *= 4) {
        SetRunning(*gStampState, true);  // a stamp thread that never delivers
        std::thread stopper([delayMs] {
            platform::SleepMs(delayMs);
            RequestAbort(*gEncodeState);
        });
        result = MfEncodeThreadProc(job);
        stopper.join();
        EXPECT_TRUE(result == kEncodeStoppedWaitingForFrame || result == kEncodeStoppedBetweenFrames) << result;
        EXPECT_FALSE(IsRunning(*gEncodeState));
        InitThreadState(*gEncodeState);
        InitThreadState(*gStampState);
    }
    EXPECT_EQ(result, kEncodeStoppedWaitingForFrame);
}

TEST_F(MediaOutputThreads, AnUnwritableOutputFailsTheThread)
{
    input = test::FixturePath("no_audio.mp4");
    inputText = platform::ToUtf16(input);
    test::LoadVideoTrack(input);
    job = test::MakeJob(inputText, test::TestOutputDir() + "/no/such/folder/out.mp4", 1, 1, kBitrate);
    exitCode = test::RunEncodePipeline(job, 1, &log);
    EXPECT_EQ(exitCode, platform::kMediaFailed);
    EXPECT_FALSE(IsRunning(*gEncodeState));
}

// Phones vary the frame rate with the light, have B pictures and time
// them in fine units, start their sound apart from the picture and trim
// their AAC padding; motion photos alternate frame lengths: each frame
// keeps its time, the sound its place and length, and the bitrate is met
// over the real length.
TEST_F(MediaOutputThreads, EveryFrameAndTheSoundKeepTheirTimesAndTheBitrateIsMet)
{
    bitrate = 250'000;  // the noisy clips need every bit, so rate control settles
    for (const char* fixture :
         {"vfr_30_then_10.mp4", "vfr_alternating.mp4", "vfr_still.mp4", "vfr_b_frames.mp4", "picture_late.mp4",
          "negative_cts.mp4"}) {
        SCOPED_TRACE(fixture);
        std::string output = Encode(fixture, "out_vfr", 1, 1, 1);
        ExpectCleanOutput(output);
        test::ExpectSourceTiming(input, output);
        EXPECT_NEAR(Number(test::Probe(output, "v:0", "stream=bit_rate").at(0)), bitrate, bitrate * 0.1);
        auto [tick, scale] = StreamTimingTerms(output);
        EXPECT_GT(tick, 0u);
        EXPECT_LE(std::max(tick, scale), platform::kMaxRateTerm) << "the rate's terms handed to the encoder";
    }
}

// Sound at a rate AAC does not carry comes out at the nearest one it does,
// as long as it was and where it was beside the picture.
TEST_F(MediaOutputThreads, SoundAtARateAacCannotCarryIsResampledInPlace)
{
    for (const auto& [fixture, rate] : {std::pair{"pcm_192k.mov", "96000"}, std::pair{"pcm_47952.mov", "48000"}}) {
        SCOPED_TRACE(fixture);
        std::string output = Encode(fixture, "out_resampled", 1, 1, 1);
        ExpectCleanOutput(output);
        EXPECT_EQ(test::Probe(output, "a", "stream=codec_name,sample_rate,channels"),
                  std::vector<std::string>{std::string("aac,") + rate + ",2"});
        test::ExpectSourceTiming(input, output);
    }
}

// A constant rate stays the exact fraction it is in the source.
TEST_F(MediaOutputThreads, ConstantRateKeepsItsExactFraction)
{
    auto rates = [](const std::string& path) { return test::Probe(path, "v:0", "stream=r_frame_rate,avg_frame_rate"); };
    for (const auto& [fixture, rate] : {std::pair{"fps2997.mp4", "30000/1001"}, std::pair{"fps25.mp4", "25/1"}}) {
        std::string output = Encode(fixture, "out_rate", 1, 1, 1);
        ExpectCleanOutput(output);
        std::vector<std::string> expected{std::string(rate) + "," + rate};
        EXPECT_EQ(rates(input), expected) << "the source";
        EXPECT_EQ(rates(output), expected);
    }
}
