// Decodes and re-encodes a 10 s 1920x1080 clip through the media layer and
// through the ffmpeg command line with the same libx265 preset, bitrate and
// thread pool, in one run, and prints the time ratio and each output's PSNR
// against the source.
//
// With --presets it first encodes the clip with every libx265 preset from
// ultrafast to medium and names the fastest whose PSNR is within 0.5 dB of
// medium's: the measurement behind kX265Preset.
//
// The clip is made once with the ffmpeg command line in WUVO_BENCH_DIR.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/media/frame_copy.h"
#include "platform/media/hevc_encoder_settings.h"
#include "platform/media/sink_writer.h"
#include "platform/media/source_reader.h"

namespace {

namespace fs = std::filesystem;
using namespace wuvo;

constexpr uint32_t kBitrate = 25'000'000;  // the program's default bitrate
constexpr double kPresetToleranceDb = 0.5;
const char* const kPresetsFastestFirst[] = {"ultrafast", "superfast", "veryfast", "faster", "fast", "medium"};
// A zoom into a fractal is fine detail in steady motion; light temporal
// noise stands in for a camera sensor's.
constexpr const char* kClipSource = "mandelbrot=size=1920x1080:rate=30,noise=alls=4:allf=t";
constexpr int kClipSeconds = 10;

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

double SecondsOf(const std::function<bool()>& work, bool* ok)
{
    auto start = std::chrono::steady_clock::now();
    *ok = work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string MakeClip(const fs::path& folder)
{
    fs::create_directories(folder);
    fs::path clip = folder / "clip1080.mp4";
    if (fs::exists(clip))
        return clip.string();
    fs::path partial = folder / "clip1080.partial.mp4";
    std::printf("making the %d s source clip %s\n", kClipSeconds, clip.c_str());
    // Near-lossless, so the source itself is not what limits the PSNR.
    if (!Shell("ffmpeg -nostdin -v error -y -f lavfi -i '" + std::string(kClipSource) + "' -t " +
               std::to_string(kClipSeconds) +
               " -c:v libx265 -preset ultrafast -x265-params log-level=error:crf=8 -pix_fmt yuv420p "
               "-tag:v hvc1 " + Quoted(partial.string())))
        return {};
    fs::rename(partial, clip);
    return clip.string();
}

double Psnr(const std::string& output, const std::string& source)
{
    std::string command = "ffmpeg -nostdin -i " + Quoted(output) + " -i " + Quoted(source) +
                          " -lavfi '[0:v][1:v]psnr' -f null - 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return 0;
    char line[1024];
    double average = 0;
    while (std::fgets(line, sizeof line, pipe))
        if (const char* at = std::strstr(line, "average:"))
            average = std::atof(at + 8);
    pclose(pipe);
    return average;
}

bool EncodeWithCommandLine(const std::string& source, const std::string& output, const char* preset)
{
    return Shell("ffmpeg -nostdin -v error -y -i " + Quoted(source) + " -map 0:v -c:v libx265 -preset " +
                 preset + " -b:v " + std::to_string(kBitrate) + " -x265-params " +
                 platform::X265Params() + " -tag:v hvc1 " + Quoted(output));
}

bool EncodeWithLayer(const std::string& source, const std::string& output)
{
    platform::SourceReader reader;
    if (!reader.Open(source))
        return false;
    reader.SetStreamSelection(platform::StreamKind::Audio, false);
    if (!reader.SetOutputFormat(platform::StreamKind::Video))
        return false;
    const platform::VideoFormat& format = reader.CurrentVideoFormat();
    platform::VideoEncoding encoding;
    encoding.width = encoding.inputWidth = format.width;
    encoding.height = encoding.inputHeight = format.height;
    encoding.rateNumerator = format.rateNumerator;
    encoding.rateDenominator = format.rateDenominator;
    encoding.bitrate = kBitrate;
    platform::SinkWriter writer;
    if (writer.Create(output) != 0 || !writer.AddVideoStream(encoding) || !writer.BeginWriting())
        return false;
    std::vector<uint8_t> frame(size_t{format.width} * format.height * 3 / 2);
    platform::MediaSample sample;
    platform::ReadStatus status;
    while ((status = reader.ReadSample(platform::StreamKind::Video, sample)) == platform::ReadStatus::Sample) {
        if (!CopyI420Frame(sample.video, format.width, format.height, frame.data(), frame.size()) ||
            !writer.WriteVideoFrame(frame.data(), sample.time, sample.duration))
            return false;
    }
    return status == platform::ReadStatus::EndOfStream && writer.Finalize();
}

void MeasurePresets(const std::string& clip, const fs::path& folder)
{
    std::printf("\nlibx265 presets at %u bit/s, pools=%u\n%-10s %9s %9s\n", kBitrate,
                platform::UsableCpuCount(), "preset", "seconds", "PSNR dB");
    std::vector<double> psnr;
    for (const char* preset : kPresetsFastestFirst) {
        std::string output = (folder / (std::string("preset_") + preset + ".mp4")).string();
        bool ok = false;
        double seconds = SecondsOf([&] { return EncodeWithCommandLine(clip, output, preset); }, &ok);
        psnr.push_back(ok ? Psnr(output, clip) : 0);
        std::printf("%-10s %9.2f %9.3f\n", preset, seconds, psnr.back());
    }
    double medium = psnr.back();
    for (size_t i = 0; i < psnr.size(); ++i) {
        if (psnr[i] >= medium - kPresetToleranceDb) {
            std::printf("fastest preset within %.1f dB of medium: %s\n", kPresetToleranceDb,
                        kPresetsFastestFirst[i]);
            break;
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    fs::path folder = WUVO_BENCH_DIR;
    std::string clip = MakeClip(folder);
    if (clip.empty()) {
        std::fprintf(stderr, "cannot make the source clip in %s\n", folder.c_str());
        return 1;
    }
    if (argc > 1 && std::string(argv[1]) == "--presets")
        MeasurePresets(clip, folder);

    std::string layerOutput = (folder / "layer.mp4").string();
    std::string commandOutput = (folder / "ffmpeg.mp4").string();
    bool layerOk = false, commandOk = false;
    double layerSeconds = SecondsOf([&] { return EncodeWithLayer(clip, layerOutput); }, &layerOk);
    double commandSeconds =
        SecondsOf([&] { return EncodeWithCommandLine(clip, commandOutput, platform::kX265Preset); }, &commandOk);
    if (!layerOk || !commandOk) {
        std::fprintf(stderr, "encode failed: layer %s, ffmpeg %s\n", layerOk ? "ok" : "failed",
                     commandOk ? "ok" : "failed");
        return 1;
    }
    std::printf("\ndecode + encode, %d s 1920x1080, preset %s, %u bit/s, pools=%u\n", kClipSeconds,
                platform::kX265Preset, kBitrate, platform::UsableCpuCount());
    std::printf("%-12s %9s %9s\n", "", "seconds", "PSNR dB");
    std::printf("%-12s %9.2f %9.3f\n", "media layer", layerSeconds, Psnr(layerOutput, clip));
    std::printf("%-12s %9.2f %9.3f\n", "ffmpeg", commandSeconds, Psnr(commandOutput, clip));
    std::printf("time ratio layer / ffmpeg: %.3f\n", layerSeconds / commandSeconds);
    return 0;
}
