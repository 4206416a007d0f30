// Time from a slider request to the painted preview: the frame driver seeks
// to the requested frame and decodes it, stamps and converts it, and the
// view is composed for the window's 640 x 360 picture. A 1080p and a 4K HEVC
// clip with one-second GOPs, random positions, every frame decoded afresh.
// Prints the median and 95th percentile, each stage's median, and the ffmpeg
// command line's time to seek to and decode the same frames.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "app/preview/preview_load.h"
#include "engine/pipeline/shared_objects.h"
#include "engine/settings/app_settings.h"
#include "platform/text/utf.h"
#include "support/bench_tools.h"

using namespace wuvo;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRequests = 40;
constexpr int kClipSeconds = 8;
constexpr int kFramesPerSecond = 30;
constexpr uint32_t kViewWidth = 640;
constexpr uint32_t kViewHeight = 360;
constexpr uint32_t kFitView = 2;
constexpr double kHighPercentile = 0.95;

struct Clip {
    const char* name;
    int width;
    int height;
};

// A clip with a sync frame every second, as cameras write them.
std::string MakeGopClip(const fs::path& folder, const Clip& clip)
{
    fs::path path = folder / clip.name;
    const int seconds = bench::CountFor(kClipSeconds);
    if (!fs::exists(path))
        std::printf("making the %d s clip %s\n", seconds, path.c_str());
    const std::string size = std::to_string(clip.width) + "x" + std::to_string(clip.height);
    const std::string gop = std::to_string(kFramesPerSecond);
    if (!bench::MakeOnce(path, "-f lavfi -i testsrc2=size=" + size + ":rate=" + gop + " -t " +
                                   std::to_string(seconds) +
                                   " -c:v libx265 -preset ultrafast -x265-params log-level=error:keyint=" + gop +
                                   ":min-keyint=" + gop + ":scenecut=0 -pix_fmt yuv420p -tag:v hvc1"
                                   " -metadata creation_time=" + bench::CreationTimeText()))
        return {};
    return path.string();
}

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Percentile(std::vector<double> values, double share)
{
    std::sort(values.begin(), values.end());
    size_t index = static_cast<size_t>(share * static_cast<double>(values.size()) + 0.5);
    return values[std::min(index == 0 ? 0 : index - 1, values.size() - 1)];
}

void ForgetDecodedFrames()
{
    std::lock_guard guard(gFramePool->lock);
    gFramePool->Reset();
}

RgbPicture ComposeFit(const RgbPicture& picture)
{
    return ComposeView(picture, PlanView({kFitView, picture.width, picture.height, kViewWidth, kViewHeight, 0, 0}),
                       kViewWidth, kViewHeight);
}

// Request to composed view, through the driver as the window uses it.
std::vector<double> RequestTimes(const std::u16string& path, const std::vector<uint32_t>& frames)
{
    std::mutex mutex;
    std::condition_variable arrived;
    std::optional<PreviewResult> result;
    PreviewDriver driver(
        PreviewLoadProc,
        [&](PreviewResult delivered) {
            std::lock_guard lock(mutex);
            result = std::move(delivered);
            arrived.notify_one();
        },
        InterruptPreviewDecode);
    std::vector<double> times;
    for (uint32_t frame : frames) {
        ForgetDecodedFrames();
        const Clock::time_point start = Clock::now();
        driver.Request(path, frame);
        std::unique_lock lock(mutex);
        arrived.wait(lock, [&] { return result.has_value(); });
        if (result->outcome == PreviewOutcome::Converted)
            ComposeFit(*result->picture);
        times.push_back(MsSince(start));
        result.reset();
    }
    return times;
}

struct Stages {
    std::vector<double> decode, convert, compose;
};

Stages StageTimes(const std::u16string& path, const std::vector<uint32_t>& frames, uint32_t width, uint32_t height)
{
    Stages stages;
    for (uint32_t frame : frames) {
        ForgetDecodedFrames();
        Clock::time_point start = Clock::now();
        PreviewDecodeJob(path, frame);
        stages.decode.push_back(MsSince(start));
        start = Clock::now();
        auto picture = ConvertPreviewFrame(frame, width, height);
        stages.convert.push_back(MsSince(start));
        start = Clock::now();
        if (picture)
            ComposeFit(*picture);
        stages.compose.push_back(MsSince(start));
    }
    return stages;
}

std::vector<double> CommandLineTimes(const std::string& path, const std::vector<uint32_t>& frames)
{
    std::vector<double> times;
    for (uint32_t frame : frames) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.4f", static_cast<double>(frame) / kFramesPerSecond);
        const Clock::time_point start = Clock::now();
        bench::Shell("ffmpeg -nostdin -v error -ss " + std::string(seconds) + " -i " + bench::Quoted(path) +
                     " -frames:v 1 -f null -");
        times.push_back(MsSince(start));
    }
    return times;
}

bool Measure(const fs::path& folder, const Clip& clip)
{
    std::string path = MakeGopClip(folder, clip);
    if (path.empty())
        return false;
    const std::u16string widePath = platform::ToUtf16(path);
    char16_t message[kReaderMessageLength] = {};
    ForgetDecodedFrames();
    if (PreviewOpenJob(widePath, message) != kReaderOk) {
        std::fprintf(stderr, "cannot open %s: %s\n", path.c_str(), platform::ToUtf8(message).c_str());
        return false;
    }
    std::mt19937 random(1);
    std::vector<uint32_t> frames;
    const int requestCount = bench::CountFor(kRequests);
    for (int i = 0; i < requestCount; ++i)
        frames.push_back(random() % (bench::CountFor(kClipSeconds) * kFramesPerSecond));
    RequestTimes(widePath, {frames.front()});  // decoder libraries and fonts loaded
    std::vector<double> requests = RequestTimes(widePath, frames);
    Stages stages = StageTimes(widePath, frames, static_cast<uint32_t>(clip.width), static_cast<uint32_t>(clip.height));
    std::vector<double> command = CommandLineTimes(path, frames);
    std::printf("preview %dx%d, %d random frames, GOP %d: request to composed view median %.0f ms, 95th "
                "percentile %.0f ms\n",
                clip.width, clip.height, requestCount, kFramesPerSecond, Percentile(requests, 0.5),
                Percentile(requests, kHighPercentile));
    std::printf("  stage medians: seek and decode %.0f ms, stamp and convert %.0f ms, compose %.0f ms; "
                "ffmpeg -ss seek and decode (with its start-up) %.0f ms\n",
                Percentile(stages.decode, 0.5), Percentile(stages.convert, 0.5), Percentile(stages.compose, 0.5),
                Percentile(command, 0.5));
    return true;
}

}  // namespace

int main()
{
    if (!CreateSharedObjects()) {
        std::fprintf(stderr, "cannot allocate the frame pool\n");
        return 1;
    }
    ResetSettings(gSettings);
    gSettings.idle = 1;
    const fs::path folder = bench::DataFolder();
    bool ok = true;
    for (const Clip& clip : {Clip{"preview1080_gop30.mp4", 1920, 1080}, Clip{"preview2160_gop30.mp4", 3840, 2160}})
        ok = Measure(folder, clip) && ok;
    DestroySharedObjects();
    return ok ? 0 : 1;
}
