#include "support/bench_tools.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <thread>

#include "platform/media/hevc_encoder_settings.h"

namespace wuvo::bench {

namespace {

namespace fs = std::filesystem;

// A zoom into a fractal is fine detail in steady motion; light temporal
// noise stands in for a camera sensor's.
constexpr const char* kClipVideo = "mandelbrot=size=1920x1080:rate=30,noise=alls=4:allf=t";
// The largest frame the program takes.
constexpr const char* kUhdClipVideo = "testsrc2=size=4096x2160:rate=25";
// A camera's stereo track; the tone only has to give the AAC encoder work.
constexpr const char* kClipAudio = "sine=frequency=440:sample_rate=48000";
constexpr const char* kClipAudioArguments = "-ac 2 -c:a aac -b:a 192k";
// Renamed when the clip changes, so an older clip in the folder is not taken.
constexpr const char* kClipName = "clip1080_tone";

// How often a command's memory is looked at: its high-water mark only grows,
// so only the last moments before it ends can be missed.
constexpr auto kPeakSampling = std::chrono::milliseconds(5);

constexpr const char* kCameraSource = "/usr/share/doc/opencv-doc/examples/data/vtest.avi";
constexpr const char* kCameraClipName = "camera576.mp4";
constexpr int kCameraSeconds = 30;
constexpr int kCameraWidth = 768;
constexpr int kCameraHeight = 576;
constexpr int kCameraRate = 10;
// Near-lossless, so the source itself is not what limits the PSNR.
constexpr const char* kNearLosslessHevc =
    " -c:v libx265 -preset ultrafast -x265-params log-level=error:crf=8 -pix_fmt yuv420p -tag:v hvc1 ";


// One memory figure of a process's status, in KiB; 0 once it is gone.
long StatusKibOf(pid_t process, const std::string& name)
{
    std::ifstream status("/proc/" + std::to_string(process) + "/status");
    std::string field;
    long kib = 0;
    while (status >> field)
        if (field == name && status >> kib)
            break;
    return kib;
}

// `clip`, made once: `seconds` of `video` with the stereo tone and the
// recording time; empty when it cannot be made.
std::string MakeToneClip(const fs::path& clip, const char* video, int seconds)
{
    seconds = CountFor(seconds);
    if (!fs::exists(clip))
        std::printf("making the %d s source clip %s\n", seconds, clip.c_str());
    if (!MakeOnce(clip, "-f lavfi -i '" + std::string(video) + "' -f lavfi -i '" + kClipAudio + "' -t " +
                            std::to_string(seconds) + kNearLosslessHevc + kClipAudioArguments +
                            " -metadata creation_time=" + CreationTimeText()))
        return {};
    return clip.string();
}

std::string CropOf(const RowBand& band)
{
    return "crop=iw:" + std::to_string(band.rows) + ":0:" + std::to_string(band.top);
}

// The filtergraph that crops `kept` out of input `input` and stacks them
// into the pad `label`. Frames are paired by their number, not their time:
// the engine times frames in whole 100 ns units, so its frames fall a hair
// before the source's and would be paired with their predecessors.
std::string StackedBands(int input, const std::string& label, const std::vector<RowBand>& kept)
{
    std::string in = "[" + std::to_string(input) + ":v]settb=1,setpts=N";
    if (kept.empty())
        return in + "[" + label + "]";
    if (kept.size() == 1)
        return in + "," + CropOf(kept[0]) + "[" + label + "]";
    std::string graph = in + ",split=" + std::to_string(kept.size());
    std::string crops, stacked;
    for (size_t i = 0; i < kept.size(); ++i) {
        std::string whole = "[" + label + "s" + std::to_string(i) + "]";
        std::string part = "[" + label + std::to_string(i) + "]";
        graph += whole;
        crops += ";" + whole + CropOf(kept[i]) + part;
        stacked += part;
    }
    return graph + crops + ";" + stacked + "vstack=inputs=" + std::to_string(kept.size()) + "[" + label + "]";
}

}  // namespace

bool IsCheckRun()
{
    const char* check = std::getenv("WUVO_BENCH_CHECK");
    return check != nullptr && *check != '\0';
}

int CountFor(int count)
{
    return IsCheckRun() ? 1 : count;
}

fs::path DataFolder()
{
    fs::path folder = WUVO_BENCH_DIR;
    return IsCheckRun() ? folder / "check" : folder;
}

std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool Shell(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

long PeakResidentKibOf(pid_t process)
{
    return StatusKibOf(process, "VmHWM:");
}

long ResidentKibOf(pid_t process)
{
    return StatusKibOf(process, "VmRSS:");
}

void ResetPeakResident()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

bool ShellMeasured(const std::string& command, long* peakKib)
{
    // The shell becomes the command (exec), so its process is the command's.
    // Its own high-water mark is read while it runs: the rusage of a child
    // made by spawning counts this whole process's memory from before exec.
    std::string exec = "exec " + command;
    const char* arguments[] = {"sh", "-c", exec.c_str(), nullptr};
    pid_t child = 0;
    if (posix_spawn(&child, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(arguments), environ) != 0)
        return false;
    std::atomic<bool> ended{false};
    std::atomic<long> peak{0};
    std::thread sampler([&] {
        while (!ended.load()) {
            peak.store(std::max(peak.load(), PeakResidentKibOf(child)));
            std::this_thread::sleep_for(kPeakSampling);
        }
    });
    int status = 0;
    bool waited = waitpid(child, &status, 0) == child;
    ended.store(true);
    sampler.join();
    *peakKib = peak.load();
    return waited && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string CommandOutput(const std::string& command)
{
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return output;
    char chunk[4096];
    size_t read;
    while ((read = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
        output.append(chunk, read);
    pclose(pipe);
    return output;
}

double SecondsOf(const std::function<bool()>& work, bool* ok)
{
    auto start = std::chrono::steady_clock::now();
    *ok = work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string CreationTimeText()
{
    std::time_t seconds = static_cast<std::time_t>(kClipCreationEpoch);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

bool MakeOnce(const fs::path& path, const std::string& arguments)
{
    if (fs::exists(path))
        return true;
    fs::create_directories(path.parent_path());
    // Each process its own partial file: benchmarks that run side by side
    // may make the same clip.
    fs::path partial = path.parent_path() / ("partial." + std::to_string(getpid()) + "." + path.filename().string());
    if (!Shell("ffmpeg -nostdin -v error -y " + arguments + " " + Quoted(partial.string())))
        return false;
    fs::rename(partial, path);
    return true;
}

std::string MakeClip(const fs::path& folder, int seconds)
{
    std::string name = std::string(kClipName) + (seconds == kClipSeconds ? "" : "_" + std::to_string(seconds) + "s") +
                       ".mp4";
    return MakeToneClip(folder / name, kClipVideo, seconds);
}

std::string MakeUhdClip(const fs::path& folder, int seconds)
{
    return MakeToneClip(folder / ("clip4096_tone_" + std::to_string(seconds) + "s.mp4"), kUhdClipVideo, seconds);
}

CameraClip MakeCameraClip(const fs::path& folder)
{
    CameraClip camera{(folder / kCameraClipName).string(), kCameraWidth, kCameraHeight, kCameraRate};
    if (!fs::exists(camera.path) && !fs::exists(kCameraSource))
        return {};
    if (!MakeOnce(camera.path, "-i " + Quoted(kCameraSource) + " -an -t " + std::to_string(kCameraSeconds) +
                                   kNearLosslessHevc))
        return {};
    return camera;
}

std::string X265Arguments(const char* preset, uint32_t bitrate)
{
    return std::string("-c:v libx265 -preset ") + preset + " -b:v " + std::to_string(bitrate) + " -x265-params " +
           platform::X265Params() + " -threads:v 0 -tag:v hvc1";
}

double Psnr(const std::string& output, const std::string& source, const std::vector<RowBand>& kept)
{
    std::string graph = StackedBands(0, "a", kept) + ";" + StackedBands(1, "b", kept) + ";[a][b]psnr";
    std::string report = CommandOutput("ffmpeg -nostdin -i " + Quoted(output) + " -i " + Quoted(source) +
                                       " -lavfi '" + graph + "' -f null - 2>&1");
    double average = 0;
    for (size_t at = report.find("average:"); at != std::string::npos; at = report.find("average:", at + 1))
        average = std::atof(report.c_str() + at + std::strlen("average:"));
    return average;
}

}  // namespace wuvo::bench
