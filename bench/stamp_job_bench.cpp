// Stamps the 1 s and the 10 s 1920x1080 bench clips with the default
// settings through the per-file job and, in the same run, does the same with
// the ffmpeg command line: HEVC decode, the date and the time drawn with
// drawtext in the same font, size, shade and place, libx265 at the media
// layer's preset, bitrate and thread settings, AAC audio. Prints for each
// clip the time ratio (ffmpeg / job), each output's PSNR against the source
// outside the stamp bands, the CPU time and the peak resident memory of each
// side. The sides take turns, three rounds unless the first argument says
// otherwise, and each side's fastest run counts.
//
// The clip is made once with the ffmpeg command line in build/bench-data.

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "engine/job/run_stamp_job.h"
#include "engine/pipeline/shared_objects.h"
#include "engine/pipeline/thread_state_setters.h"
#include "engine/settings/app_settings.h"
#include "platform/gdi/text_renderer.h"
#include "platform/media/hevc_encoder_settings.h"
#include "platform/text/utf.h"
#include "support/bench_tools.h"

namespace {

namespace fs = std::filesystem;
using namespace wuvo;
using bench::Quoted;

// The settings keep the bitrate in units of 100 kbit/s.
constexpr uint32_t kBitrateUnit = 100'000;
// What the layer gives a stereo track: 96 kbit/s a channel.
constexpr const char* kAudioArguments = "-c:a aac -b:a 192k";
// Rows each stamp may cover, from a little above its place: the em height,
// the outline and drawtext's line spacing, with room to spare.
constexpr int kBandAbove = 8;
constexpr int kBandRows = 80;
// drawtext's border comes closest to the engine's five fading outline rings.
constexpr int kDrawtextBorder = 3;
// strftime texts that give what the default date and time formats show.
constexpr const char* kDateText = "%A, %B %d, %Y";
constexpr const char* kTimeText = "%T";
// The machine may be shared: each side runs this often, alternating, and its
// fastest run counts, as the one least disturbed by other work.
constexpr int kDefaultRounds = 3;
// Phones shoot short clips most: the per-file cost shows there.
constexpr int kShortClipSeconds = 1;
constexpr double kKibPerMib = 1024.0;

std::mutex gMessagesLock;
std::vector<std::u16string> gMessages;

// Receives what the job reports, as the batch does: a failure stops the
// pipeline threads.
void BenchCallback(uint32_t kind, void*, void* b, float)
{
    if (kind == kJobFailed) {
        StopPipelineThreads();
    } else if (kind == kJobMessage) {
        std::lock_guard guard(gMessagesLock);
        gMessages.emplace_back(static_cast<const char16_t*>(b));
    }
}

uint32_t JobBitrate()
{
    return gSettings.bitrate * kBitrateUnit;
}

bool StampWithJob(const std::string& clip, const std::string& output)
{
    std::u16string input = platform::ToUtf16(clip);
    StampJob job{};
    job.callback = BenchCallback;
    job.inputPath = input.c_str();
    platform::CopyToField(job.outputPath, kPathChars, platform::ToUtf16(output));
    OutputSize size = OutputSizeFor(gSettings.outputSize);
    job.targetWidth = static_cast<uint32_t>(size.width);
    job.targetHeight = static_cast<uint32_t>(size.height);
    job.aspectX = job.aspectY = 1;
    job.bitrate = JobBitrate();
    return RunStampJob(job) == kJobSucceeded;
}

// User and system CPU seconds of this process (RUSAGE_SELF) or of its
// finished children (RUSAGE_CHILDREN).
double CpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Run {
    bool ok = false;
    double seconds = 0;
    double cpuSeconds = 0;
    long peakKib = 0;
};

// `who` says whose CPU time the work spends: this process's or its children's.
Run Measure(const std::function<bool()>& work, int who)
{
    Run run;
    double cpuBefore = CpuSeconds(who);
    run.seconds = bench::SecondsOf(work, &run.ok);
    run.cpuSeconds = CpuSeconds(who) - cpuBefore;
    return run;
}

// The faster of two runs of one side, with the higher peak memory of the
// two; failed when either failed.
Run Faster(const Run& a, const Run& b)
{
    if (!a.ok || !b.ok)
        return {};
    Run faster = b.seconds < a.seconds ? b : a;
    faster.peakKib = std::max(a.peakKib, b.peakKib);
    return faster;
}

std::string ShadeOf(uint32_t brightness)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%02x%02x%02x", brightness, brightness, brightness);
    return hex;
}

// The file fontconfig picks for the stamp's face and weight, as the engine's
// text renderer asks for it.
std::string FontFileOf(const StampStyle& style)
{
    std::string face = platform::ToUtf8(
        std::u16string_view(style.font.faceName, platform::FieldLength(style.font.faceName, kFaceNameChars)));
    std::string pattern = face + ":weight=" + (style.font.weight >= 700 ? "bold" : "regular");
    return bench::CommandOutput("fc-match -f '%{file}' " + Quoted(pattern));
}

std::string DrawtextOf(const StampStyle& style, const char* strftimeText)
{
    int emPixels = -platform::EmHeightForTenthsOfPoint(style.rasterHeight);
    return "drawtext=fontfile=" + FontFileOf(style) + ":fontsize=" + std::to_string(emPixels) +
           ":fontcolor=" + ShadeOf(style.fontBrightness) + ":borderw=" +
           std::to_string(style.outline ? kDrawtextBorder : 0) + ":bordercolor=" +
           ShadeOf(style.outlineBrightness) + ":x=" + std::to_string(style.x) + ":y=" + std::to_string(style.y) +
           // The frame's time from the clip's recording time on, in UTC as the job stamps it.
           ":text='%{pts\\:gmtime\\:" + std::to_string(bench::kClipCreationEpoch) + "\\:" + strftimeText + "}'";
}

std::string StampFilter()
{
    std::vector<std::string> parts;
    if (gSettings.dateStamp.enabled)
        parts.push_back(DrawtextOf(gSettings.dateStamp, kDateText));
    if (gSettings.timeStamp.enabled)
        parts.push_back(DrawtextOf(gSettings.timeStamp, kTimeText));
    std::string filter = "null";
    for (const auto& part : parts)
        filter += "," + part;
    return filter;
}

bool StampWithCommandLine(const std::string& clip, const std::string& output, long* peakKib)
{
    std::string decoderThreads = std::to_string(platform::UsableCpuCount());
    return bench::ShellMeasured("ffmpeg -nostdin -v error -y -threads " + decoderThreads + " -i " + Quoted(clip) +
                                    " -vf " + Quoted(StampFilter()) + " " +
                                    bench::X265Arguments(platform::kX265Preset, JobBitrate()) + " " +
                                    kAudioArguments + " " + Quoted(output),
                                peakKib);
}

// The full-width bands of the picture that neither side draws on.
std::vector<bench::RowBand> RowsWithoutStamps(int height)
{
    std::vector<bench::RowBand> stamps;
    for (const StampStyle* style : {&gSettings.dateStamp, &gSettings.timeStamp})
        if (style->enabled)
            stamps.push_back({std::max(style->y - kBandAbove, 0), kBandRows});
    std::sort(stamps.begin(), stamps.end(), [](auto& a, auto& b) { return a.top < b.top; });
    std::vector<bench::RowBand> kept;
    int next = 0;
    for (const auto& stamp : stamps) {
        if (stamp.top > next)
            kept.push_back({next, stamp.top - next});
        next = std::max(next, stamp.top + stamp.rows);
    }
    if (next < height)
        kept.push_back({next, height - next});
    return kept;
}

void PrintJobMessages()
{
    std::lock_guard guard(gMessagesLock);
    for (const auto& message : gMessages)
        std::fprintf(stderr, "job: %s\n", platform::ToUtf8(message).c_str());
}

struct ClipResult {
    Run job;
    Run command;
    std::string jobOutput;
    std::string commandOutput;
};

// Alternating rounds of the job and the command line on one clip.
ClipResult MeasureClip(const std::string& clip, const fs::path& folder, const std::string& tag, int rounds)
{
    ClipResult result;
    result.jobOutput = (folder / ("stamp_job_" + tag + ".mp4")).string();
    result.commandOutput = (folder / ("stamp_ffmpeg_" + tag + ".mp4")).string();
    for (int round = 0; round < rounds; ++round) {
        bench::ResetPeakResident();
        Run jobRun = Measure([&] { return StampWithJob(clip, result.jobOutput); }, RUSAGE_SELF);
        jobRun.peakKib = bench::PeakResidentKibOf(getpid());
        long commandPeakKib = 0;
        Run commandRun = Measure([&] { return StampWithCommandLine(clip, result.commandOutput, &commandPeakKib); },
                                 RUSAGE_CHILDREN);
        commandRun.peakKib = commandPeakKib;
        result.job = round == 0 ? jobRun : Faster(result.job, jobRun);
        result.command = round == 0 ? commandRun : Faster(result.command, commandRun);
        if (!result.job.ok || !result.command.ok)
            break;
    }
    return result;
}

void PrintClip(const std::string& clip, int seconds, const ClipResult& result)
{
    auto kept = RowsWithoutStamps(bench::kClipHeight);
    std::printf("\n%d s %dx%d with audio\n%-8s %9s %9s %9s %17s\n", seconds, bench::kClipWidth,
                bench::kClipHeight, "", "seconds", "CPU s", "peak MiB", "PSNR dB unstamped");
    for (const auto& [name, run, output] : {std::tuple{"job", result.job, result.jobOutput},
                                            std::tuple{"ffmpeg", result.command, result.commandOutput}})
        std::printf("%-8s %9.2f %9.2f %9.1f %17.3f\n", name, run.seconds, run.cpuSeconds, run.peakKib / kKibPerMib,
                    bench::Psnr(output, clip, kept));
    std::printf("time ratio ffmpeg / job, %d s: %.3f\n", seconds, result.command.seconds / result.job.seconds);
}

}  // namespace

int main(int argc, char** argv)
{
    int rounds = argc > 1 ? std::atoi(argv[1]) : bench::CountFor(kDefaultRounds);
    if (rounds < 1) {
        std::fprintf(stderr, "usage: stamp_job_bench [rounds, default %d]\n", kDefaultRounds);
        return 1;
    }
    fs::path folder = bench::DataFolder();
    // The short clip first: the pool's pages that the long one writes would
    // stay resident in its runs.
    const int clipSeconds[] = {kShortClipSeconds, bench::kClipSeconds};
    std::string clips[2];
    for (int i = 0; i < 2; ++i) {
        clips[i] = bench::MakeClip(folder, clipSeconds[i]);
        if (clips[i].empty()) {
            std::fprintf(stderr, "cannot make the source clips in %s\n", folder.c_str());
            return 1;
        }
    }
    if (!CreateSharedObjects()) {
        std::fprintf(stderr, "cannot allocate the frame pool\n");
        return 1;
    }
    ResetSettings(gSettings);
    gSettings.idle = 0;  // as during a batch

    ClipResult results[2];
    bool ok = true;
    for (int i = 0; i < 2 && ok; ++i) {
        results[i] = MeasureClip(clips[i], folder, std::to_string(clipSeconds[i]) + "s", rounds);
        ok = results[i].job.ok && results[i].command.ok;
    }
    DestroySharedObjects();
    if (!ok) {
        PrintJobMessages();
        std::fprintf(stderr, "stamping failed\n");
        return 1;
    }
    std::printf("\nstamp job against ffmpeg, default stamps, preset %s, %u bit/s, pools=%u, fastest of %d\n",
                platform::kX265Preset, JobBitrate(), platform::UsableCpuCount(), rounds);
    for (int i = 0; i < 2; ++i)
        PrintClip(clips[i], clipSeconds[i], results[i]);
    return 0;
}
