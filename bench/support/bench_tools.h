#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// What the benchmarks share: the source clip, running and timing the ffmpeg
// command line, and PSNR as ffmpeg measures it.
namespace wuvo::bench {

// The program's default bitrate, 25 Mbit/s.
constexpr uint32_t kDefaultBitrate = 25'000'000;
constexpr int kClipSeconds = 10;
constexpr int kClipWidth = 1920;
constexpr int kClipHeight = 1080;
// The clip's recording time, 2024-02-29 10:15:00 UTC, as seconds since 1970.
constexpr long long kClipCreationEpoch = 1'709'201'700;

// The test command's check that every benchmark still runs sets
// WUVO_BENCH_CHECK: each then does the least work that still takes every
// step (clips of one second, one round, one request), and its figures mean
// nothing.
bool IsCheckRun();
// `count`, or 1 in a check run.
int CountFor(int count);
// Where the source clips are made once: a folder of their own in a check
// run, so that no measuring run takes its short clips.
std::filesystem::path DataFolder();

// Shell-quotes one argument.
std::string Quoted(const std::string& text);

// Runs a shell command; true when it exits with 0.
bool Shell(const std::string& command);

// The same, and `peakKib` gets the command's peak resident memory in KiB.
bool ShellMeasured(const std::string& command, long* peakKib);

// Peak resident memory of a running process (VmHWM), in KiB; 0 once it is gone.
long PeakResidentKibOf(pid_t process);

// Its resident memory now (VmRSS), in KiB; 0 once it is gone.
long ResidentKibOf(pid_t process);

// Lets the peak resident memory of this process count from its present size.
void ResetPeakResident();

// Standard output of a shell command.
std::string CommandOutput(const std::string& command);

// Wall-clock seconds that `work` takes; its result goes to `ok`.
double SecondsOf(const std::function<bool()>& work, bool* ok);

// Makes `path` once: the ffmpeg command line with `arguments` writes a
// temporary file beside it, renamed only when complete, so a broken run
// leaves no clip that a later one would take. False when it cannot be made.
bool MakeOnce(const std::filesystem::path& path, const std::string& arguments);

// The clip's recording time as ffmpeg's creation_time metadata takes it.
std::string CreationTimeText();

// The 1920x1080 HEVC clip with a stereo AAC tone and a recording time,
// kClipSeconds long unless told, made once in `folder`; empty when it cannot
// be made.
std::string MakeClip(const std::filesystem::path& folder, int seconds = kClipSeconds);

// A 4096x2160 25 fps HEVC clip of `seconds` with a stereo AAC tone, made
// once in `folder`; empty when it cannot be made.
std::string MakeUhdClip(const std::filesystem::path& folder, int seconds);

// A real camera's footage with its sensor noise: the first 30 s of a fixed
// street camera's recording (768x576, 10 fps) that Debian's opencv-doc
// package ships, made once in `folder` into a near-lossless HEVC clip; empty
// when the package is not installed.
struct CameraClip {
    std::string path;
    int width = 0;
    int height = 0;
    int rate = 0;
};
CameraClip MakeCameraClip(const std::filesystem::path& folder);

// The ffmpeg arguments that encode video as the media layer does: libx265
// at its preset, `bitrate` and thread pool, frame threads left to libx265.
std::string X265Arguments(const char* preset, uint32_t bitrate);

// Full-width rows [top, top + rows) of a picture.
struct RowBand {
    int top;
    int rows;
};

// Average PSNR of the video of `output` against `source` (ffmpeg's psnr
// filter); with `kept` bands, over those rows only, stacked. 0 on failure.
double Psnr(const std::string& output, const std::string& source, const std::vector<RowBand>& kept = {});

}  // namespace wuvo::bench
