// End-to-end: one fixture file through the whole job, its output checked
// with ffprobe and ffmpeg as a user's player would see it.
#include "engine/job/run_stamp_job.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <mutex>
#include <numeric>
#include <sstream>
#include <string_view>

#include <gtest/gtest.h>

#include "app/preview/preview_load.h"
#include "engine/mp4/parse_state.h"
#include "engine/mp4/reader.h"
#include "engine/pipeline/shared_objects.h"
#include "engine/pipeline/thread_state_setters.h"
#include "engine/settings/app_settings.h"
#include "engine/stamp/text_rasterizer.h"
#include "engine/text/format_tables.h"
#include "platform/text/utf.h"
#include "platform/threads/worker_thread.h"
#include "support/broken_down_time.h"
#include "support/damaged_copies.h"
#include "support/fake_text_renderer.h"
#include "support/ffprobe.h"
#include "support/fixtures.h"
#include "support/media_reference.h"
#include "support/mp4_builder.h"
#include "support/peak_memory.h"
#include "support/pipeline_harness.h"
#include "support/source_timing.h"

using namespace wuvo;
namespace fs = std::filesystem;

namespace {

// Small and fast: the suites also run under the sanitizers.
constexpr uint32_t kTestBitrate = 2'000'000;
// Stamp bands of the 320x240 fixtures: the date near the top, the time lower.
constexpr int kDateY = 10;
constexpr int kTimeY = 140;
constexpr int kBandRows = 80;

struct Recorder {
    std::mutex mutex;
    std::vector<float> progress;
    std::vector<std::u16string> messages;
    int failures = 0;
    // Runs on the encoder's thread at each progress report.
    std::function<void()> onProgress;

    bool Logged(const std::u16string& part)
    {
        std::lock_guard guard(mutex);
        for (const auto& m : messages)
            if (m.find(part) != std::u16string::npos)
                return true;
        return false;
    }
};
Recorder* gRecorder = nullptr;

// Receives what the engine reports, as the batch runner does: a failure
// stops the pipeline threads.
void RecordingCallback(uint32_t kind, void*, void* b, float percent)
{
    if (kind == kJobFailed) {
        {
            std::lock_guard guard(gRecorder->mutex);
            ++gRecorder->failures;
        }
        StopPipelineThreads();
        return;
    }
    if (kind == kJobProgress && gRecorder->onProgress)
        gRecorder->onProgress();
    std::lock_guard guard(gRecorder->mutex);
    if (kind == kJobProgress)
        gRecorder->progress.push_back(percent);
    else
        gRecorder->messages.emplace_back(static_cast<const char16_t*>(b));
}

struct Frames {
    int width = 0;
    int height = 0;
    std::string bytes;  // I420, frame after frame
    size_t FrameBytes() const { return size_t(width) * height * 3 / 2; }
    size_t Count() const { return FrameBytes() ? bytes.size() / FrameBytes() : 0; }
    const uint8_t* Frame(size_t i) const { return reinterpret_cast<const uint8_t*>(bytes.data()) + i * FrameBytes(); }
};

// The frames ffmpeg decodes from the file's first video stream (with
// `options` before the input) in the order players show them, by time: per
// shown frame, its place among the decoded ones. The decoder gives them in
// coding order, which composition offsets may contradict.
std::vector<size_t> ShownOrder(const std::string& path, const std::string& options)
{
    std::istringstream text(test::RunCommand("ffprobe -v error " + options + " -select_streams v:0 -show_entries "
                                             "frame=pts -of csv=p=0 " + test::Quoted(path)));
    std::vector<long long> times;
    // A frame with side data has a line of it after its own.
    for (std::string line; std::getline(text, line);)
        if (!line.empty())
            times.push_back(std::stoll(line));
    std::vector<size_t> order(times.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return times[a] < times[b]; });
    return order;
}

// Every frame upright, as ffmpeg shows the file, each once; or every coded
// picture once, edit list ignored; in the order of their times.
Frames DecodeWithFfmpeg(const std::string& path, bool everyPicture = false)
{
    Frames frames;
    auto size = test::Probe(path, "v:0", "stream=width,height");
    auto rotation = test::RunCommand("ffprobe -v error -select_streams v:0 -show_entries side_data=rotation "
                                     "-of csv=p=0 " + test::Quoted(path));
    bool quarter = rotation.find("90") != std::string::npos;
    int w = 0, h = 0;
    std::sscanf(size.at(0).c_str(), "%d,%d", &w, &h);
    frames.width = quarter ? h : w;
    frames.height = quarter ? w : h;
    std::string options = everyPicture ? "-ignore_editlist 1" : "";
    std::string decoded = test::RunCommand("ffmpeg -v error " + options + " -i " + test::Quoted(path) +
                                           " -fps_mode passthrough -map 0:v:0 -f rawvideo -pix_fmt yuv420p -");
    for (size_t frame : ShownOrder(path, options))
        if ((frame + 1) * frames.FrameBytes() <= decoded.size())
            frames.bytes.append(decoded, frame * frames.FrameBytes(), frames.FrameBytes());
    return frames;
}

bool InBand(int row)
{
    return (row >= kDateY && row < kDateY + kBandRows) || (row >= kTimeY && row < kTimeY + kBandRows);
}

double Psnr(double squaredError, size_t samples)
{
    if (samples == 0 || squaredError == 0)
        return 99.0;
    return 10.0 * std::log10(255.0 * 255.0 * samples / squaredError);
}

struct Comparison {
    double lumaOutsidePsnr = 0;
    double chromaPsnr = 0;
    size_t changedInside = 0;  // luma samples inside the bands that differ clearly
};

Comparison Compare(const Frames& a, const Frames& b, size_t frames)
{
    double outsideError = 0, chromaError = 0;
    size_t outsideSamples = 0, chromaSamples = 0;
    Comparison result;
    for (size_t f = 0; f < frames; ++f) {
        const uint8_t* x = a.Frame(f);
        const uint8_t* y = b.Frame(f);
        for (int row = 0; row < a.height; ++row) {
            for (int col = 0; col < a.width; ++col) {
                int d = int(x[row * a.width + col]) - int(y[row * a.width + col]);
                if (InBand(row)) {
                    result.changedInside += std::abs(d) > 40;
                } else {
                    outsideError += d * d;
                    ++outsideSamples;
                }
            }
        }
        size_t luma = size_t(a.width) * a.height;
        for (size_t k = luma; k < a.FrameBytes(); ++k) {
            int d = int(x[k]) - int(y[k]);
            chromaError += d * d;
            ++chromaSamples;
        }
    }
    result.lumaOutsidePsnr = Psnr(outsideError, outsideSamples);
    result.chromaPsnr = Psnr(chromaError, chromaSamples);
    return result;
}

void ExpectSameTime(const std::tm& actual, const std::tm& expected, const char* which)
{
    EXPECT_EQ(actual.tm_year, expected.tm_year) << which;
    EXPECT_EQ(actual.tm_mon, expected.tm_mon) << which;
    EXPECT_EQ(actual.tm_mday, expected.tm_mday) << which;
    EXPECT_EQ(actual.tm_hour, expected.tm_hour) << which;
    EXPECT_EQ(actual.tm_min, expected.tm_min) << which;
    EXPECT_EQ(actual.tm_sec, expected.tm_sec) << which;
}

// The creation time plus the whole seconds of the last sample's decode time.
std::tm ExpectedLastStamp(const std::string& path, const std::tm& creation)
{
    auto times = test::Probe(path, "v:0", "packet=dts_time");
    double last = 0;
    for (const auto& t : times)
        last = std::max(last, std::atof(t.c_str()));
    std::tm tm = creation;
    time_t seconds = timegm(&tm) + static_cast<time_t>(last);
    std::tm out{};
    gmtime_r(&seconds, &out);
    return out;
}

class RunStampJobTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gRecorder = &recorder;
        ResetSettings(gSettings);
        gSettings.idle = 0;  // as during a batch
        gSettings.dateStamp.y = kDateY;
        gSettings.timeStamp.y = kTimeY;
        gSettings.dateStamp.x = gSettings.timeStamp.x = 8;
        outputDir = test::TestOutputDir() + "/job";
        fs::create_directories(outputDir);
    }
    void TearDown() override
    {
        gRecorder = nullptr;
        ResetSettings(gSettings);
    }

    StampJob MakeJob(const std::string& fixture, const std::string& outputName)
    {
        return MakeJobOn(test::FixturePath(fixture), outputName);
    }

    // A job on any file, with no message from an earlier job.
    StampJob MakeJobOn(const std::string& path, const std::string& outputName)
    {
        recorder.messages.clear();
        input = platform::ToUtf16(path);
        output = outputDir + "/" + outputName;
        fs::remove(output);
        StampJob job{};
        job.callback = RecordingCallback;
        job.inputPath = input.c_str();
        platform::CopyToField(job.outputPath, kPathChars, platform::ToUtf16(output));
        OutputSize size = OutputSizeFor(kNativeOutputSize);
        job.targetWidth = size.width;
        job.targetHeight = size.height;
        job.aspectX = job.aspectY = 1;
        job.bitrate = kTestBitrate;
        return job;
    }

    std::vector<std::string> Streams() { return test::Probe(output, "", "stream=codec_type,codec_name"); }

    test::SharedObjectsScope shared;
    Recorder recorder;
    std::string outputDir;
    std::u16string input;
    std::string output;
};

// Records the time stamp of every frame as drawn: the time format with the
// frame index makes each frame's text new, and the date stamp is off.
class DrawnTimes {
public:
    DrawnTimes()
    {
        gSettings.dateStamp.enabled = 0;
        gSettings.timeStamp.formatIndex = kTimeWithFrameIndex;
        previous_ = ReplaceStampTextRenderer(&renderer_);
    }
    ~DrawnTimes() { ReplaceStampTextRenderer(previous_); }
    const std::vector<std::u16string>& Texts() const { return renderer_.drawn; }

private:
    static constexpr uint32_t kTimeWithFrameIndex = 10;  // "%H:%M:%S" and ":" with the index
    test::FakeTextRenderer renderer_;
    platform::TextRenderer* previous_ = nullptr;
};

// "HH:MM:SS:NN" of the time `seconds` after `start` and frame index `index`.
std::u16string TimeText(const std::tm& start, uint64_t seconds, uint64_t index)
{
    std::tm tm = start;
    time_t at = timegm(&tm) + static_cast<time_t>(seconds);
    std::tm out{};
    gmtime_r(&at, &out);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d:%02llu", out.tm_hour, out.tm_min, out.tm_sec,
                  static_cast<unsigned long long>(index));
    return platform::ToUtf16(text);
}

// What ffprobe says each frame a player shows is: per shown frame, the
// place of its sample among all the file's samples in presentation order,
// edit list ignored (samples are told apart by their file position).
std::vector<size_t> ShownFramePlaces(const std::string& path)
{
    auto lines = [&](const std::string& options, const char* entries) {
        std::istringstream text(test::RunCommand("ffprobe -v error " + options + " -select_streams v:0 -show_entries " +
                                                 entries + " -of csv=p=0 " + test::Quoted(path)));
        std::vector<std::string> found;
        for (std::string line; std::getline(text, line);)
            if (!line.empty())
                found.push_back(line);
        return found;
    };
    std::vector<std::string> decoded;
    for (const std::string& line : lines("", "frame=pkt_pos"))
        decoded.push_back(line.substr(0, line.find(',')));
    std::vector<std::string> shown;
    for (size_t frame : ShownOrder(path, ""))
        shown.push_back(decoded.at(frame));
    std::vector<std::pair<long long, std::string>> samples;
    for (const std::string& line : lines("-ignore_editlist 1", "packet=pts,pos"))
        samples.emplace_back(std::stoll(line), line.substr(line.find(',') + 1));
    std::stable_sort(samples.begin(), samples.end(), [](auto& a, auto& b) { return a.first < b.first; });
    std::vector<std::string> all;
    for (const auto& sample : samples)
        all.push_back(sample.second);
    std::vector<size_t> places;
    for (const auto& position : shown) {
        auto found = std::find(all.begin(), all.end(), position);
        EXPECT_NE(found, all.end()) << "frame at " << position;
        places.push_back(static_cast<size_t>(found - all.begin()));
    }
    return places;
}

// Every kept frame (every `keepEvery`-th shown one) carries the recording
// time of the source frame it shows, the one at its place in `places`: the
// creation time plus that frame's place in decode times, with the place as
// the frame index (the fixtures have a constant frame rate).
void ExpectStampTimesOf(const std::string& source, const std::vector<size_t>& places,
                        const std::vector<std::u16string>& drawn, const std::tm& creation, size_t keepEvery = 1)
{
    test::ProbedVideo probe = test::ProbeVideo(source);
    ASSERT_EQ(drawn.size(), (places.size() + keepEvery - 1) / keepEvery) << "one stamp per kept frame";
    for (size_t k = 0; k < drawn.size(); ++k) {
        size_t n = k * keepEvery;
        ASSERT_LT(places[n], probe.decodeTimes.size());
        uint64_t seconds = (probe.decodeTimes[places[n]] - probe.decodeTimes[0]) / probe.timescale;
        EXPECT_EQ(platform::ToUtf8(drawn[k]), platform::ToUtf8(TimeText(creation, seconds, places[n])))
            << "frame " << n;
    }
}

// The same for the frames ffprobe says players show.
void ExpectStampTimesFrameByFrame(const std::string& source, const std::vector<std::u16string>& drawn,
                                  const std::tm& creation, size_t keepEvery = 1)
{
    ExpectStampTimesOf(source, ShownFramePlaces(source), drawn, creation, keepEvery);
}

// The stamp language's custom date format for one test.
class CustomDateSlot {
public:
    explicit CustomDateSlot(std::u16string_view format)
        : slot_(DateFormatTable[DateFormatGroup(gSettings.language) * kDateFormatsPerGroup])
    {
        std::copy_n(slot_, kFormatChars, saved_.begin());
        std::fill_n(slot_, kFormatChars, u'\0');
        std::copy(format.begin(), format.end(), slot_);
    }
    ~CustomDateSlot() { std::copy(saved_.begin(), saved_.end(), slot_); }

private:
    char16_t* slot_;
    std::array<char16_t, kFormatChars> saved_{};
};

const std::tm kPlainCreation = test::BrokenDownTime(2024, 6, 15, 10, 20, 30);

// The job under ThreadSanitizer: the threads' hand-overs and stops.
using RunStampJobThreads = RunStampJobTest;

void ExpectNoThreadRunning()
{
    int index = 0;
    for (ThreadState* state : {gParseThreadState, gDecodeState, gStampState, gEncodeState})
        EXPECT_EQ(state->running.load(), 0) << "thread " << index++;
}

}  // namespace

TEST_F(RunStampJobThreads, StampsAcrossMidnightAndNewYearAsAPlayerShowsIt)
{
    StampJob job = MakeJob("hevc_aac_newyear.mp4", "newyear.mp4");
    ASSERT_EQ(RunStampJob(job), kJobSucceeded);
    EXPECT_FALSE(recorder.Logged(u"Skip file"));
    ASSERT_FALSE(recorder.progress.empty());
    EXPECT_TRUE(std::is_sorted(recorder.progress.begin(), recorder.progress.end()));
    EXPECT_FLOAT_EQ(recorder.progress.back(), 100.0f);

    EXPECT_EQ(Streams(), (std::vector<std::string>{"hevc,video", "aac,audio"}));
    auto source = DecodeWithFfmpeg(platform::ToUtf8(input));
    auto stamped = DecodeWithFfmpeg(output);
    ASSERT_EQ(stamped.width, source.width);
    ASSERT_EQ(stamped.height, source.height);
    ASSERT_EQ(stamped.Count(), source.Count());
    Comparison c = Compare(source, stamped, source.Count());
    EXPECT_GT(c.lumaOutsidePsnr, 35.0);
    EXPECT_GT(c.chromaPsnr, 35.0) << "the stamp leaves the colour as it was";
    EXPECT_GT(c.changedInside, source.Count() * 500) << "every frame carries visible stamps";

    ExpectSameTime(job.firstStamped, test::BrokenDownTime(2023, 12, 31, 23, 59, 58), "first stamped frame");
    ExpectSameTime(job.lastStamped, ExpectedLastStamp(platform::ToUtf8(input), test::BrokenDownTime(2023, 12, 31, 23, 59, 58)),
                   "last stamped frame");
    EXPECT_EQ(job.lastStamped.tm_year, 2024 - 1900);

    // The project's own reader accepts what the job wrote.
    char16_t message[kReaderMessageLength] = {};
    EXPECT_EQ(OpenAndCheckVideo(platform::ToUtf16(output).c_str(), kReaderModeCheck, message), kReaderOk);
    EXPECT_EQ(gParseState->VideoTrack()->SizeTableEntries(), source.Count());
}

TEST_F(RunStampJobTest, QuickTimeFileAt29_97KeepsItsFrameTimes)
{
    StampJob job = MakeJob("hevc_newyear.mov", "newyear_mov.mp4");
    ASSERT_EQ(RunStampJob(job), kJobSucceeded);
    ExpectSameTime(job.firstStamped, test::BrokenDownTime(2023, 12, 31, 23, 59, 58), "first stamped frame");
    ExpectSameTime(job.lastStamped, ExpectedLastStamp(platform::ToUtf8(input), test::BrokenDownTime(2023, 12, 31, 23, 59, 58)),
                   "last stamped frame");
    auto frames = test::Probe(output, "v:0", "stream=nb_frames");
    auto sourceFrames = test::Probe(platform::ToUtf8(input), "v:0", "stream=nb_frames");
    EXPECT_EQ(frames, sourceFrames);
}

// Frames 0, n, 2n, ... are stamped, each with its own time, and written;
// a factor outside 2..10 is held to the nearer end.
TEST_F(RunStampJobTest, SpeedUpKeepsEveryNthFrameAndAudioOffLeavesNoAudio)
{
    gSettings.speedUp = 1;
    gSettings.disableAudio = 1;
    const struct {
        uint32_t factor;
        size_t kept;
    } cases[] = {{4, 4}, {1, 2}, {11, 10}};
    for (const auto& [factor, kept] : cases) {
        SCOPED_TRACE("factor " + std::to_string(factor));
        DrawnTimes drawn;
        gSettings.speedUpFactor = factor;
        StampJob job = MakeJob("fps25.mp4", "speedup.mp4");
        ASSERT_EQ(RunStampJob(job), kJobSucceeded);
        std::string source = platform::ToUtf8(input);
        auto sourceFrames = std::stoul(test::Probe(source, "v:0", "stream=nb_frames").at(0));
        auto frames = std::stoul(test::Probe(output, "v:0", "stream=nb_frames").at(0));
        EXPECT_EQ(frames, (sourceFrames + kept - 1) / kept);
        ExpectStampTimesFrameByFrame(source, drawn.Texts(), kPlainCreation, kept);
        EXPECT_EQ(Streams(), (std::vector<std::string>{"hevc,video"}));
    }
}

// The size is taken the way the source is shown, and holds it in its own
// shape: a portrait clip stored upright (144x256, as editors export them)
// gets its portrait form; a 4:3 one, DVD's 720x480 of narrow pixels, and
// 3:4 phone clips stored upright or turned keep their shape.
TEST_F(RunStampJobTest, OutputSizeFromTheTableKeepsTheSourcesShapeAndNoAudioInput)
{
    const struct {
        const char* fixture;
        uint32_t outputSize;  // 0: 480x270, 1: 640x360
        const char* written;
    } cases[] = {{"portrait_main10_5994.mp4", 0, "270,480,1:1"},
                 {"rotate90.mp4", 1, "360,480,1:1"},
                 {"sd_narrow_pixels.mp4", 1, "480,360,1:1"},
                 {"portrait_3x4.mp4", 1, "360,480,1:1"},
                 {"no_audio.mp4", 0, "360,270,1:1"}};
    for (const auto& c : cases) {
        StampJob job = MakeJob(c.fixture, "resized.mp4");
        OutputSize size = OutputSizeFor(c.outputSize);
        job.targetWidth = size.width;
        job.targetHeight = size.height;
        ASSERT_EQ(RunStampJob(job), kJobSucceeded) << c.fixture;
        EXPECT_EQ(test::Probe(output, "v:0", "stream=width,height,sample_aspect_ratio"),
                  std::vector<std::string>{c.written})
            << c.fixture;
    }
    EXPECT_EQ(Streams(), (std::vector<std::string>{"hevc,video"}));
}

TEST_F(RunStampJobTest, QuarterTurnedPhoneVideoPlaysTheSameWayUp)
{
    StampJob job = MakeJob("rotate90.mp4", "rotate90.mp4");
    ASSERT_EQ(RunStampJob(job), kJobSucceeded);
    auto source = DecodeWithFfmpeg(platform::ToUtf8(input));
    auto stamped = DecodeWithFfmpeg(output);
    ASSERT_EQ(stamped.width, source.width) << "shown as wide as the input";
    ASSERT_EQ(stamped.height, source.height);
    ASSERT_EQ(stamped.Count(), source.Count());
    Comparison c = Compare(source, stamped, source.Count());
    EXPECT_GT(c.lumaOutsidePsnr, 35.0) << "same picture, same way up";
    EXPECT_GT(c.changedInside, source.Count() * 500);
}

// Columns the date stamp spans in frame 0 of `stamped` (stored w x h) as
// players show them: between the first and the last sample of the date's
// rows that differ clearly from `source` scaled to that size.
double ShownDateWidth(const std::string& source, const std::string& stamped, unsigned w, unsigned h, double aspect)
{
    auto luma = [&](const std::string& path) {
        return test::RunCommand("ffmpeg -v error -i " + test::Quoted(path) + " -frames:v 1 -vf scale=" +
                                std::to_string(w) + ":" + std::to_string(h) + " -f rawvideo -pix_fmt gray -");
    };
    const std::string a = luma(source), b = luma(stamped);
    unsigned first = w, last = 0;
    for (size_t i = 0; i < std::min<size_t>(a.size(), size_t{w} * (kTimeY * h / 1080)); ++i)
        if (std::abs(int(uint8_t(a[i])) - int(uint8_t(b[i]))) > 40) {
            first = std::min<unsigned>(first, i % w);
            last = std::max<unsigned>(last, i % w);
        }
    return last >= first ? (last - first + 1) * aspect : 0;
}

// An anamorphic camera clip, 1440x1080 shown 16:9 by its track header or by
// its pixel-aspect box alone, is shown 16:9 at its own size and scaled to
// another, with every frame at its time and its sound in place; its date
// stamp is as wide in a player as on a clip of square pixels.
TEST_F(RunStampJobTest, AnamorphicClipIsShownAtItsAspectAtItsOwnSizeAndAnother)
{
    StampJob square = MakeJob("hd1080.mp4", "square_out.mp4");
    ASSERT_EQ(RunStampJob(square), kJobSucceeded);
    const double squareWidth = ShownDateWidth(platform::ToUtf8(input), output, 1920, 1080, 1.0);
    ASSERT_GT(squareWidth, 200.0);
    const struct {
        const char* fixture;
        uint32_t width, height;  // 1 x 1: its own size
        const char* written;
    } cases[] = {{"anamorphic.mp4", 1, 1, "1440,1080"},
                 {"anamorphic.mp4", 1280, 720, "1280,720"},
                 {"anamorphic_pasp.mp4", 1, 1, "1440,1080"},
                 {"anamorphic_pasp.mp4", 1920, 1080, "1920,1080"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.fixture) + " at " + c.written);
        StampJob job = MakeJob(c.fixture, "anamorphic_out.mp4");
        job.targetWidth = c.width;
        job.targetHeight = c.height;
        ASSERT_EQ(RunStampJob(job), kJobSucceeded);
        auto shape = test::Probe(output, "v:0", "stream=width,height,sample_aspect_ratio").at(0);
        unsigned width = 0, height = 0, aspectX = 0, aspectY = 0;
        ASSERT_EQ(std::sscanf(shape.c_str(), "%u,%u,%u:%u", &width, &height, &aspectX, &aspectY), 4) << shape;
        EXPECT_EQ(std::to_string(width) + "," + std::to_string(height), c.written);
        EXPECT_NEAR(double(width) * aspectX / (double(height) * aspectY), 16.0 / 9.0, 0.002) << shape;
        const double shownWidth = double(width) * aspectX / aspectY;
        EXPECT_NEAR(ShownDateWidth(platform::ToUtf8(input), output, width, height, double(aspectX) / aspectY),
                    squareWidth * shownWidth / 1920, squareWidth * shownWidth / 1920 * 0.03);
        test::ExpectSourceTiming(platform::ToUtf8(input), output);
    }
}

// A custom date format that shows the time through conversions the format
// list's token rule does not name, stored with the flags that rule gives
// it (no date, no time): the output's last frame carries its own second,
// as the preview draws that frame, not the first frame's.
TEST_F(RunStampJobTest, CustomFormatShowingTheTimeOtherwiseFollowsEachSecond)
{
    // The seconds first: the 320 pixel wide frame cuts off what follows them.
    CustomDateSlot slot(u"%T %F");
    gSettings.dateStamp.formatIndex = kCustomFormat;
    gSettings.dateStamp.hasDate = gSettings.dateStamp.hasTime = 0;
    gSettings.timeStamp.enabled = 0;
    StampJob job = MakeJob("no_audio.mp4", "custom_clock.mp4");
    ASSERT_EQ(RunStampJob(job), kJobSucceeded);
    std::string source = platform::ToUtf8(input);
    Frames plain = DecodeWithFfmpeg(source);
    Frames stamped = DecodeWithFfmpeg(output);
    ASSERT_EQ(stamped.Count(), plain.Count());
    const size_t last = plain.Count() - 1;
    ASSERT_NE(ExpectedLastStamp(source, kPlainCreation).tm_sec, kPlainCreation.tm_sec) << "a clip of two seconds";

    char16_t message[kReaderMessageLength] = {};
    ASSERT_EQ(PreviewOpenJob(input, message), kReaderOk);
    gSettings.idle = 1;
    // Samples of the date band where the output differs clearly from the
    // last frame's picture with the stamp of frame `shown`'s time.
    auto differing = [&](uint32_t shown) {
        std::vector<uint8_t> preview(plain.Frame(last), plain.Frame(last) + size_t(plain.width) * plain.height);
        DrawPreviewStamps(preview.data(), plain.width, plain.height, shown, 1.0f);
        size_t count = 0;
        for (size_t i = size_t(kDateY) * plain.width; i < size_t(kDateY + kBandRows) * plain.width; ++i)
            count += std::abs(int(preview[i]) - int(stamped.Frame(last)[i])) > 40;
        return count;
    };
    const size_t ownTime = differing(static_cast<uint32_t>(last));
    const size_t firstTime = differing(0);
    EXPECT_LT(ownTime * 10, firstTime) << ownTime << " samples differ from the last frame's own time, " << firstTime
                                       << " from the first frame's";
}

TEST_F(RunStampJobTest, BothStampsOffPassFramesThroughAndLeaveNoStampTimes)
{
    gSettings.dateStamp.enabled = 0;
    gSettings.timeStamp.enabled = 0;
    StampJob job = MakeJob("no_audio.mp4", "unstamped.mp4");
    ASSERT_EQ(RunStampJob(job), kJobSucceeded);
    EXPECT_EQ(job.firstStamped.tm_year, 0);
    EXPECT_EQ(job.lastStamped.tm_mday, 0);
    auto source = DecodeWithFfmpeg(platform::ToUtf8(input));
    auto copy = DecodeWithFfmpeg(output);
    ASSERT_EQ(copy.Count(), source.Count());
    EXPECT_LT(Compare(source, copy, source.Count()).changedInside, source.Count() * 50);
}

TEST_F(RunStampJobTest, H264IsRefusedWithTheReadersMessageOnly)
{
    StampJob job = MakeJob("h264.mp4", "h264.mp4");
    EXPECT_EQ(RunStampJob(job), kJobFailedResult);
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0], u"<" + input + u"> is not HEVC format video file\n");
    EXPECT_FALSE(fs::exists(output));
}

// A camera file copied part way: its tables list every frame, its data
// breaks off after a frame, inside one (also the last), or before the
// first. Each fails, saying how many frames are there (as ffprobe finds
// them), and leaves no output.
TEST_F(RunStampJobTest, FileCopiedPartWayFailsSayingHowMuchIsThere)
{
    // moov first, so that the tables survive the cut.
    std::string whole = test::FixturePath("hevc_faststart.mp4");
    std::vector<test::PacketSpan> packets = test::VideoPackets(whole);
    ASSERT_EQ(packets.size(), 60u);
    const test::PacketSpan& lastWhole = packets[28];
    const test::PacketSpan& broken = packets[29];
    std::string copy = outputDir + "/part_way.mp4";
    gSettings.disableAudio = 1;  // the sound, cut too, must not be what fails the file
    for (uint64_t length : {lastWhole.position + lastWhole.size, broken.position + broken.size / 2,
                            packets.back().position + packets.back().size / 2, packets[0].position}) {
        test::CutCopy(whole, length, copy);
        auto present = std::count_if(packets.begin(), packets.end(),
                                     [&](const test::PacketSpan& p) { return p.position + p.size <= length; });
        StampJob job = MakeJobOn(copy, "part_way_out.mp4");
        EXPECT_EQ(RunStampJob(job), kJobFailedResult) << length;
        std::string said = std::to_string(present) + " of the 60 frames listed could be read from <";
        EXPECT_EQ(recorder.messages, std::vector<std::u16string>{platform::ToUtf16(said) + input + u">\n"}) << length;
        EXPECT_FALSE(fs::exists(output)) << "no short file passed off as the output";
    }
}

// All the data is there, but the decoder fails in mid-file, finds no
// picture in it at all, or gives pictures too far from the order of their
// times for the frames to wait for them: the file fails with a line that
// says so and leaves no output.
TEST_F(RunStampJobTest, DataTheDecoderCannotShowFailsTheFile)
{
    std::string source = test::FixturePath("no_audio.mp4");
    // Past the frames the pool holds, so that the decoder fails once the
    // job watches its threads, not while it starts them.
    constexpr size_t kFirstDamaged = kFrameSlotCount + 5;
    std::string copy = test::DamagedVideoCopy(source, test::VideoDamage::Zeroed, kFirstDamaged,
                                              outputDir + "/undecodable.mp4");
    StampJob job = MakeJobOn(copy, "undecodable_out.mp4");
    EXPECT_EQ(RunStampJob(job), kJobFailedResult);
    EXPECT_TRUE(recorder.Logged(u"Cannot decode video file <" + input + u">\n"));
    EXPECT_TRUE(recorder.Logged(u"Skip file: i 1,")) << "the decoder failed in mid-file";
    EXPECT_FALSE(fs::exists(output)) << "no short file passed off as the output";

    copy = test::DamagedVideoCopy(source, test::VideoDamage::Unshowable, 0, outputDir + "/pictureless.mp4");
    job = MakeJobOn(copy, "pictureless_out.mp4");
    EXPECT_EQ(RunStampJob(job), kJobFailedResult);
    EXPECT_EQ(recorder.messages, std::vector<std::u16string>{u"Cannot decode video file <" + input + u">\n"});
    EXPECT_FALSE(fs::exists(output));

    job = MakeJob("offsets_too_far.mp4", "too_far_out.mp4");
    EXPECT_EQ(RunStampJob(job), kJobFailedResult);
    EXPECT_TRUE(recorder.Logged(u"Cannot decode video file <" + input +
                                u">: its pictures come too far out of the order of their times\n"));
    EXPECT_FALSE(fs::exists(output));
}

// Open-GOP cuts copied and joined without decoding: at each join the
// decoder refuses pictures it holds already, as ffmpeg's does, and two
// samples share a time. The file is stamped with every other picture, each
// in the order of its time, the one before a picture left out shown longer,
// and every frame after a join at its own time.
TEST_F(RunStampJobTest, PicturesTheDecoderRefusesAtAJoinAreLeftOut)
{
    StampJob job = MakeJob("joined_open_gop.mp4", "joined.mp4");
    ASSERT_EQ(RunStampJob(job), kJobSucceeded);
    std::string source = platform::ToUtf8(input);
    Frames pictures = DecodeWithFfmpeg(source, true);
    ASSERT_LT(pictures.Count(), std::stoul(test::Probe(source, "v:0", "stream=nb_frames").at(0)));
    Frames stamped = DecodeWithFfmpeg(output);
    ASSERT_EQ(stamped.Count(), pictures.Count());
    EXPECT_GT(Compare(pictures, stamped, pictures.Count()).lumaOutsidePsnr, 35.0);

    std::vector<double> sourceTimes;
    for (const std::string& time : test::Probe(source, "v:0", "packet=pts_time"))
        sourceTimes.push_back(std::stod(time));
    std::sort(sourceTimes.begin(), sourceTimes.end());
    constexpr double kTickSeconds = 0.001;
    for (const std::string& time : test::Probe(output, "v:0", "frame=pts_time")) {
        double shown = std::stod(time);
        auto near = std::lower_bound(sourceTimes.begin(), sourceTimes.end(), shown - kTickSeconds);
        EXPECT_TRUE(near != sourceTimes.end() && *near <= shown + kTickSeconds) << shown << " s is no source time";
    }
}

// A sound track whose data cannot be read fails the file with a line that
// says so and leaves no output, unless audio is off: then the picture alone
// is stamped, every frame of it.
TEST_F(RunStampJobTest, UnreadableSoundFailsTheFileUnlessAudioIsOff)
{
    std::string whole = test::FixturePath("hevc_faststart.mp4");
    std::string copy = outputDir + "/sound_damaged.mp4";
    auto frames = test::Probe(whole, "v:0", "stream=nb_frames");
    for (auto damage : {test::SoundDamage::ChunksPastTheEnd, test::SoundDamage::AbsurdSizes,
                        test::SoundDamage::NoTimeScale}) {
        test::DamagedSoundCopy(whole, damage, copy);
        gSettings.disableAudio = 0;
        StampJob job = MakeJobOn(copy, "sound_damaged_out.mp4");
        EXPECT_EQ(RunStampJob(job), kJobFailedResult) << int(damage);
        EXPECT_EQ(recorder.messages, std::vector<std::u16string>{u"The sound of <" + input +
                                                                 u"> could not be read; tick \"Disable audio.\" to "
                                                                 u"stamp the picture alone\n"});
        EXPECT_FALSE(fs::exists(output)) << int(damage);

        gSettings.disableAudio = 1;
        job = MakeJobOn(copy, "sound_damaged_out.mp4");
        ASSERT_EQ(RunStampJob(job), kJobSucceeded) << int(damage);
        EXPECT_EQ(Streams(), (std::vector<std::string>{"hevc,video"}));
        EXPECT_EQ(test::Probe(output, "v:0", "stream=nb_frames"), frames);
    }
}

// Sound at a rate AAC does not carry is stamped at the nearest one it does,
// a field recorder's 16 channels as they are; 22.2 sound, more than AAC
// holds, fails the file, saying so and what to do.
TEST_F(RunStampJobTest, SoundAtAnyRateIsStampedAndSoundAacCannotHoldFailsNamingIt)
{
    for (const auto& [fixture, written] :
         {std::pair{"pcm_192k.mov", "aac,96000,2"}, std::pair{"pcm_16ch.mov", "aac,48000,16"}}) {
        StampJob job = MakeJob(fixture, "pcm_out.mp4");
        ASSERT_EQ(RunStampJob(job), kJobSucceeded) << fixture;
        EXPECT_EQ(test::Probe(output, "a", "stream=codec_name,sample_rate,channels"),
                  std::vector<std::string>{written});
        test::ExpectSourceTiming(platform::ToUtf8(input), output);
    }

    StampJob job = MakeJob("pcm_24ch.mov", "pcm_out.mp4");
    EXPECT_EQ(RunStampJob(job), kJobFailedResult);
    ASSERT_FALSE(recorder.messages.empty());
    EXPECT_EQ(recorder.messages[0], u"The sound of <" + input +
                                        u"> could not be written; tick \"Disable audio.\" to stamp the picture "
                                        u"alone\n");
    EXPECT_FALSE(fs::exists(output));
    gSettings.disableAudio = 1;
    job = MakeJob("pcm_24ch.mov", "pcm_out.mp4");
    ASSERT_EQ(RunStampJob(job), kJobSucceeded);
    EXPECT_EQ(Streams(), (std::vector<std::string>{"hevc,video"}));
}

TEST_F(RunStampJobTest, MissingFileFailsWithTheReadersMessage)
{
    StampJob job = MakeJob("no_audio.mp4", "missing_out.mp4");
    input = u"/nonexistent/clip.mp4";
    job.inputPath = input.c_str();
    EXPECT_EQ(RunStampJob(job), kJobFailedResult);
    EXPECT_TRUE(recorder.Logged(u"Cannot open video file </nonexistent/clip.mp4>"));

    // The reader's message is logged as it stands, not used as a format.
    input = u"/nonexistent/100%s %d%%.mp4";
    job.inputPath = input.c_str();
    EXPECT_EQ(RunStampJob(job), kJobFailedResult);
    ASSERT_FALSE(recorder.messages.empty());
    EXPECT_EQ(recorder.messages.back(), u"Cannot open video file </nonexistent/100%s %d%%.mp4>\n");
}

TEST_F(RunStampJobThreads, StopInTheMiddleEndsWithinASecondAndLeavesNoOutput)
{
    StampJob job = MakeJob("long.mp4", "stopped.mp4");
    platform::WorkerThread runner;
    std::atomic<uint32_t> result{0};
    ASSERT_TRUE(runner.Start([&] { return result = RunStampJob(job), 0u; }));
    // Wait for the encoder to be under way, then raise every abort flag.
    for (int i = 0; i < 3000 && !runner.Finished(); ++i) {
        {
            std::lock_guard guard(recorder.mutex);
            if (!recorder.progress.empty())
                break;
        }
        platform::SleepMs(5);
    }
    ASSERT_FALSE(runner.Finished()) << "the job ended before it could be stopped";
    auto stop = std::chrono::steady_clock::now();
    for (ThreadState* state : {gParseThreadState, gDecodeState, gStampState, gEncodeState})
        RequestAbort(*state);
    while (!runner.Finished())
        platform::SleepMs(5);
    runner.Join();
    EXPECT_LT(std::chrono::steady_clock::now() - stop, std::chrono::seconds(1));
    EXPECT_EQ(result.load(), kJobFailedResult);
    EXPECT_FALSE(fs::exists(output));
    ExpectNoThreadRunning();
}

TEST_F(RunStampJobThreads, EncoderThatCannotWriteFailsTheFileAndStopsTheRest)
{
    StampJob job = MakeJob("hevc_aac_newyear.mp4", "unused.mp4");
    platform::CopyToField(job.outputPath, kPathChars, u"/nonexistent/folder/out.mp4");
    EXPECT_EQ(RunStampJob(job), kJobFailedResult);
    EXPECT_TRUE(recorder.Logged(u"Skip file: i 3, poll 0x"));
    EXPECT_TRUE(recorder.Logged(u"Cannot write output file /nonexistent/folder/out.mp4: No such file or directory"));
    EXPECT_GE(recorder.failures, 1);
    ExpectNoThreadRunning();
}

// The finished output cannot take its name (something took the name while
// it was written): the file fails, and nothing of it is left.
TEST_F(RunStampJobTest, OutputThatCannotBeFinishedFailsTheFile)
{
    outputDir = test::FreshOutputFolder("job_unfinished");
    StampJob job = MakeJob("no_audio.mp4", "out.mp4");
    recorder.onProgress = [&] {
        std::error_code ignored;
        fs::create_directory(output, ignored);
    };
    EXPECT_EQ(RunStampJob(job), kJobFailedResult);
    EXPECT_TRUE(recorder.Logged(u"Skip file: i 3, poll 0x"));
    EXPECT_TRUE(fs::is_directory(output));
    EXPECT_EQ(std::distance(fs::directory_iterator(outputDir), fs::directory_iterator()), 1)
        << "no file of the job is left";
}

TEST_F(RunStampJobTest, FrameTooLargeForThePoolFailsWithOneMessage)
{
    StampJob job = MakeJob("oversize.mp4", "oversize.mp4");
    EXPECT_EQ(RunStampJob(job), kJobFailedResult);
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].rfind(u"Video resolution too large: width = ", 0), 0u);
    EXPECT_FALSE(fs::exists(output));
}

// A motion photo: the first video track and the first sound track, not the
// still frames of the second video track, are stamped with their own times.
TEST_F(RunStampJobTest, MotionPhotoIsStampedFromItsFirstVideoTrack)
{
    DrawnTimes drawn;
    StampJob job = MakeJob("two_video_tracks.mp4", "motion_photo.mp4");
    ASSERT_EQ(RunStampJob(job), kJobSucceeded);
    EXPECT_EQ(Streams(), (std::vector<std::string>{"hevc,video", "aac,audio"}));
    std::string source = platform::ToUtf8(input);
    EXPECT_EQ(test::Probe(output, "v:0", "stream=width,height,nb_frames"),
              test::Probe(source, "v:0", "stream=width,height,nb_frames"));
    auto shown = DecodeWithFfmpeg(source);
    auto stamped = DecodeWithFfmpeg(output);
    ASSERT_EQ(stamped.Count(), shown.Count());
    EXPECT_GT(Compare(shown, stamped, shown.Count()).lumaOutsidePsnr, 35.0);
    ExpectStampTimesFrameByFrame(source, drawn.Texts(), kPlainCreation);
}

// A clip trimmed by an edit list that starts on a non-sync frame: the output
// shows what players show, each frame with the time of its own sample, and
// the progress runs evenly to the end.
TEST_F(RunStampJobTest, TrimmedClipKeepsItsTrimAndEachFramesOwnTime)
{
    DrawnTimes drawn;
    StampJob job = MakeJob("edit_list.mp4", "trimmed.mp4");
    ASSERT_EQ(RunStampJob(job), kJobSucceeded);
    std::string source = platform::ToUtf8(input);
    auto shown = DecodeWithFfmpeg(source);
    auto stamped = DecodeWithFfmpeg(output);
    ASSERT_EQ(stamped.Count(), shown.Count());
    EXPECT_LT(shown.Count(), std::stoul(test::Probe(source, "v:0", "stream=nb_frames").at(0))) << "frames dropped";
    EXPECT_GT(Compare(shown, stamped, shown.Count()).lumaOutsidePsnr, 35.0);
    ExpectStampTimesFrameByFrame(source, drawn.Texts(), kPlainCreation);
    ASSERT_FALSE(drawn.Texts().empty());
    EXPECT_EQ(platform::ToUtf8(drawn.Texts()[0]), "10:20:30:09") << "the ninth frame of the recording comes first";

    ASSERT_GE(recorder.progress.size(), 2u);
    EXPECT_TRUE(std::is_sorted(recorder.progress.begin(), recorder.progress.end()));
    EXPECT_GT(recorder.progress[recorder.progress.size() - 2], 95.0f) << "no jump at the end";
    EXPECT_FLOAT_EQ(recorder.progress.back(), 100.0f);
}

// Sources as cameras and tools leave them: split at a CRA picture without
// re-encoding (its leading pictures, which the edit list shows, cannot be
// decoded), cut without an edit list after a CRA picture or an IDR picture
// whose leading pictures come first (decoders show only the IDR's), ten
// samples in a row that hold no picture in the middle and ten at the end,
// and a disabled first video track beside the one players show. Each output
// shows what players show, frame by frame: its own picture at its own time,
// as far from the sound as in the source, stamped with its own recording
// time, a picture left out leaving the one before it shown longer, the last
// to the track's end; and keeps the recording date.
TEST_F(RunStampJobTest, EveryPictureKeepsItsOwnTimeAndTheFileItsRecordingDate)
{
    std::string pictureless = test::DamagedVideoCopy(test::FixturePath("all_sync.mp4"), test::VideoDamage::Unshowable,
                                                     30, outputDir + "/pictureless_samples.mp4", 10);
    const size_t samples = test::VideoPackets(pictureless).size();
    ASSERT_GT(samples, 50u);
    test::DamagedVideoCopy(pictureless, test::VideoDamage::Unshowable, samples - 10, pictureless);
    std::string twoTracks = test::FixturePath("first_track_disabled.mp4");
    std::string shownTrack = outputDir + "/shown_track.mp4";
    test::RunCommand("ffmpeg -v error -y -i " + test::Quoted(twoTracks) + " -map 0:v:1 -c copy " +
                     test::Quoted(shownTrack));
    using test::SourceTimes;
    const struct {
        std::string source;
        std::string shown;  // what players show of it, as its first video track
        SourceTimes times = SourceTimes::kEditList;
    } cases[] = {{test::FixturePath("cra_split.mp4"), test::FixturePath("cra_split.mp4")},
                 {test::FixturePath("cut_leading_rasl.mp4"), test::FixturePath("cut_leading_rasl.mp4"),
                  SourceTimes::kOwnTimes},
                 {test::FixturePath("cut_leading_radl.mp4"), test::FixturePath("cut_leading_radl.mp4"),
                  SourceTimes::kOwnTimes},
                 {pictureless, pictureless},
                 {twoTracks, shownTrack},
                 // The same with both tracks of one ID; trimmed before the
                 // first sync sample the table lists; pictures shown out of
                 // their coded order by their composition offsets.
                 {test::FixturePath("same_track_id.mp4"), shownTrack},
                 {test::FixturePath("trimmed_unlisted_idr.mp4"), test::FixturePath("trimmed_unlisted_idr.mp4")},
                 {test::FixturePath("offsets_out_of_order.mp4"), test::FixturePath("offsets_out_of_order.mp4")}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        DrawnTimes drawn;
        StampJob job = MakeJobOn(c.source, "own_times.mp4");
        ASSERT_EQ(RunStampJob(job), kJobSucceeded);
        Frames shown = DecodeWithFfmpeg(c.shown);
        Frames stamped = DecodeWithFfmpeg(output);
        ASSERT_EQ(stamped.width, shown.width);
        ASSERT_EQ(stamped.Count(), shown.Count());
        EXPECT_GT(Compare(shown, stamped, shown.Count()).lumaOutsidePsnr, 35.0);
        test::ExpectSourceTiming(c.shown, output, 1, c.times);
        ExpectStampTimesFrameByFrame(c.shown, drawn.Texts(), kPlainCreation);
        test::ExpectRecordingDateKept(c.source, output);
    }
}

// Tables no camera writes, which would cost far more memory or work than
// the file's size, or hold frames longer than an output can time: refused
// at once, in little memory, and the log says why. An edit list that
// repeats the clip 200,000 times; ten million samples of a byte in a file
// of 10 MB, most of it a hole; a frame of 2^31 - 1 units of 1/600 s (41
// days), and one shown 2^31 units before its place.
TEST_F(RunStampJobTest, HostileTablesAreRefusedSayingWhy)
{
    test::VideoTrackSpec tiny;
    tiny.times = {{10'000'000, 20}};
    tiny.constantSize = 1;
    std::string tinySamples = test::WriteTestFile("tiny_samples.mp4", test::SimpleMovie(tiny));
    fs::resize_file(tinySamples, 10'001'000);
    test::VideoTrackSpec longFrame;
    longFrame.times = {{4, 20}, {1, 0x7FFFFFFF}};
    test::VideoTrackSpec early;
    early.offsets = {{1, INT32_MIN}, {4, 0}};
    const struct {
        std::string path;
        std::u16string box;
        std::u16string before, after;  // the reason, around the path
    } cases[] = {
        {test::FixturePath("repeated_edits.mp4"), u"elst", u"The edit list of <",
         u"> shows more frames than a day holds at 30 frames a second\n"},
        {tinySamples, u"stsz", u"The video of <", u"> lists more samples than the file has room for\n"},
        {test::WriteTestFile("long_frame.mp4", test::SimpleMovie(longFrame)), u"stts", u"A frame of <",
         u"> lasts more than an hour\n"},
        {test::WriteTestFile("early_frame.mp4", test::SimpleMovie(early)), u"ctts", u"A frame of <",
         u"> is shown more than an hour away from its decoding\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::u16string path = platform::ToUtf16(c.path);
        char16_t message[kReaderMessageLength] = {};
        long before = test::PeakMemoryKb();
        ASSERT_EQ(OpenAndCheckVideo(path.c_str(), kReaderModeCheck, message), kReaderMoovError);
        EXPECT_LT(test::PeakMemoryKb() - before, 64 * 1024) << "KiB taken";
        StampJob job = MakeJobOn(c.path, "refused.mp4");
        EXPECT_EQ(RunStampJob(job), kJobFailedResult);
        EXPECT_EQ(recorder.messages, (std::vector<std::u16string>{u"Parsing moov: <" + c.box + u"> in file <" + path +
                                                                       u">\n",
                                                                   c.before + path + c.after}));
        EXPECT_FALSE(fs::exists(output));
    }
    // So is an edit list that steps back through a long GOP frame by frame,
    // each frame decoded from the GOP's start.
    StampJob job = MakeJob("reversed_frames.mp4", "reversed_frames.mp4");
    EXPECT_EQ(RunStampJob(job), kJobFailedResult);
    EXPECT_EQ(recorder.messages, std::vector<std::u16string>{u"The edit list of <" + input +
                                                              u"> goes back over its pictures too often to be "
                                                              u"decoded\n"});
    EXPECT_FALSE(fs::exists(output));
}

// Cut out of the middle by a trimming tool, with B pictures: the frames
// the edits show (source frames 0-14 and 30-59), each with its own picture
// and recording time, placed as the edits place them: after a pause, when
// an empty edit makes one; the sound cut alike, silent in the pause.
// Halves shown in swapped order come out so too, and so do pieces that
// overlap or come in reverse order, starting between sync samples, a clip
// looped six times with its sound, and a still picture shown five times
// with pauses. Edits with negative media times other than an empty edit's
// show nothing.
TEST_F(RunStampJobTest, MiddleCutShowsTheFramesTheEditsShowEachWithItsOwnTime)
{
    auto run = [](size_t first, size_t count) {
        std::vector<size_t> places(count);
        std::iota(places.begin(), places.end(), first);
        return places;
    };
    auto join = [](std::vector<size_t> a, const std::vector<size_t>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    std::vector<size_t> looped;
    for (int showing = 0; showing < 6; ++showing)
        looped = join(looped, run(15, 45));
    struct Case {
        const char* fixture;
        std::vector<size_t> places;
        double pause;  // before frame 15
        double period = 1 / 30.0;  // from one frame to the next
    };
    for (const Case& cut : {Case{"middle_cut.mp4", join(run(0, 15), run(30, 30)), 0.0},
                            Case{"cut_with_pause.mp4", join(run(0, 15), run(30, 30)), 0.5},
                            Case{"halves_swapped.mp4", join(run(30, 30), run(0, 30)), 0.0},
                            Case{"overlapping_pieces.mp4", join(run(0, 45), run(15, 45)), 0.0},
                            Case{"reversed_pieces.mp4", join(run(36, 24), run(6, 30)), 0.0},
                            Case{"negative_media_time.mp4", run(0, 60), 0.0},
                            Case{"negative_between.mp4", run(0, 60), 0.0},
                            Case{"looped_six_times.mp4", looped, 0.0},
                            Case{"still_shown_five_times.mp4", std::vector<size_t>(5, 0), 0.0, 2.0}}) {
        DrawnTimes drawn;
        StampJob job = MakeJob(cut.fixture, std::string("out_") + cut.fixture);
        ASSERT_EQ(RunStampJob(job), kJobSucceeded) << cut.fixture;
        std::string source = platform::ToUtf8(input);
        Frames all = DecodeWithFfmpeg(source, true);
        Frames shown = all;
        shown.bytes.clear();
        for (size_t place : cut.places)
            shown.bytes.append(reinterpret_cast<const char*>(all.Frame(place)), all.FrameBytes());
        Frames stamped = DecodeWithFfmpeg(output, true);
        ASSERT_EQ(stamped.Count(), cut.places.size()) << cut.fixture;
        EXPECT_GT(Compare(shown, stamped, shown.Count()).lumaOutsidePsnr, 35.0) << cut.fixture;
        ExpectStampTimesOf(source, cut.places, drawn.Texts(), kPlainCreation);

        std::vector<long> shownMs, expectedMs;
        for (const auto& time : test::Probe(output, "v:0", "frame=best_effort_timestamp_time"))
            shownMs.push_back(std::lround(std::stod(time) * 1000));
        for (size_t k = 0; k < cut.places.size(); ++k)
            expectedMs.push_back(std::lround((k * cut.period + (k < 15 ? 0 : cut.pause)) * 1000));
        EXPECT_EQ(shownMs, expectedMs) << cut.fixture;
        if (!test::Probe(source, "a:0", "stream=index").empty()) {
            EXPECT_NEAR(std::stod(test::Probe(output, "a:0", "stream=duration").at(0)),
                        cut.places.size() * cut.period + cut.pause, 0.03)
                << cut.fixture << ": the sound cut as the picture";
        }
    }
}

// Each output shows the colours of its source as players show each: a
// 10-bit full-range ramp, and untagged clips written at a size that players
// would read by the other matrix, HD at an SD size and back, which say what
// they hold.
TEST_F(RunStampJobTest, ColoursAreShownAsTheSourcesAtAnySize)
{
    gSettings.dateStamp.enabled = gSettings.timeStamp.enabled = 0;
    const struct {
        const char* fixture;
        uint32_t width, height;  // chosen; 1 x 1: its own size
        double within;           // the share of samples within kNearLevels
    } cases[] = {{"full_range_10bit.mp4", 1, 1, 1.0},
                 {"hd1080.mp4", 640, 360, 0.9},
                 {"sd_narrow_pixels.mp4", 1280, 720, 0.9}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fixture);
        StampJob job = MakeJob(c.fixture, "colours.mp4");
        job.targetWidth = c.width;
        job.targetHeight = c.height;
        ASSERT_EQ(RunStampJob(job), kJobSucceeded);
        unsigned width = 0, height = 0;
        ASSERT_EQ(std::sscanf(test::Probe(output, "v:0", "stream=width,height").at(0).c_str(), "%u,%u", &width, &height),
                  2);
        EXPECT_GE(test::ShareWithin(test::ShownRgb(platform::ToUtf8(input), 0, width, height),
                                    test::ShownRgb(output, 0, width, height), test::kNearLevels),
                  c.within);
    }
}

// An HLG source comes out as BT.709 SDR and says so, so the stamp shows at
// its set brightness as in the preview, which shows the frames as SDR.
TEST_F(RunStampJobTest, HlgSourceComesOutAsBt709WithTheStampAtItsBrightness)
{
    StampJob job = MakeJob("hlg_bt2020.mp4", "hlg.mp4");
    ASSERT_EQ(RunStampJob(job), kJobSucceeded);
    EXPECT_EQ(test::Probe(output, "v:0", "stream=pix_fmt,color_range,color_space,color_transfer,color_primaries"),
              std::vector<std::string>{"yuv420p,tv,bt709,bt709,bt709"});

    // ffmpeg's own HDR to SDR conversion of the source, as a reference.
    std::string source = platform::ToUtf8(input);
    Frames sdr;
    sdr.width = 320;
    sdr.height = 240;
    sdr.bytes = test::RunCommand("ffmpeg -v error -i " + test::Quoted(source) +
                                 " -vf zscale=t=linear:npl=100,format=gbrpf32le,zscale=p=bt709,"
                                 "tonemap=mobius:desat=0,zscale=t=bt709:m=bt709:r=tv,format=yuv420p"
                                 " -f rawvideo -");
    auto stamped = DecodeWithFfmpeg(output);
    ASSERT_EQ(stamped.Count(), sdr.Count());
    EXPECT_GT(Compare(sdr, stamped, sdr.Count()).lumaOutsidePsnr, 35.0);

    // The glyphs' cores in the time band hold the stamp's brightness.
    const int brightness = static_cast<int>(gSettings.timeStamp.fontBrightness);
    const uint8_t* band = stamped.Frame(0) + kTimeY * stamped.width;
    std::vector<uint8_t> luma(band, band + kBandRows * stamped.width);
    EXPECT_GT(std::count_if(luma.begin(), luma.end(), [&](int y) { return std::abs(y - brightness) <= 6; }), 200);
    EXPECT_LE(*std::max_element(luma.begin(), luma.end()), brightness + 6);
}

// Frames shown for minutes each, and a single MPEG-4 Part 2 frame: valid
// files of as many frames, each as long as in the source and stamped.
TEST_F(RunStampJobTest, OneAndTwoFrameSourcesGiveOneAndTwoFrames)
{
    for (const char* fixture : {"one_frame.mp4", "two_frames.mp4", "mpeg4_one_frame.mp4"}) {
        DrawnTimes drawn;
        StampJob job = MakeJob(fixture, std::string("out_") + fixture);
        ASSERT_EQ(RunStampJob(job), kJobSucceeded) << fixture;
        std::string source = platform::ToUtf8(input);
        std::string errors;
        EXPECT_TRUE(test::DecodesCleanly(output, &errors)) << errors;
        EXPECT_EQ(test::Probe(output, "v:0", "stream=nb_frames"), test::Probe(source, "v:0", "stream=nb_frames"));
        EXPECT_EQ(test::Probe(output, "v:0", "packet=duration_time"), test::Probe(source, "v:0", "packet=duration_time"))
            << fixture;
        ExpectStampTimesFrameByFrame(source, drawn.Texts(), kPlainCreation);
    }
}

// Flagged interlaced, yet one picture per sample: each frame is stamped
// with its own sample's time, the last with the clip's end.
TEST_F(RunStampJobTest, InterlacedFlaggedSourceIsStampedAtItsRealRate)
{
    DrawnTimes drawn;
    StampJob job = MakeJob("interlaced_tt.mp4", "interlaced.mp4");
    ASSERT_EQ(RunStampJob(job), kJobSucceeded);
    std::string source = platform::ToUtf8(input);
    ExpectStampTimesFrameByFrame(source, drawn.Texts(), kPlainCreation);
    ExpectSameTime(job.lastStamped, ExpectedLastStamp(source, kPlainCreation), "last stamped frame");
    EXPECT_EQ(test::Probe(output, "v:0", "stream=nb_frames,r_frame_rate"),
              test::Probe(source, "v:0", "stream=nb_frames,r_frame_rate"));
}
