// Decodes and re-encodes a 10 s 1920x1080 clip through the media layer and
// through the ffmpeg command line with the same libx265 preset, bitrate and
// thread pool, in one run, and prints the time ratio and each output's PSNR
// against the source.
//
// With --presets it first encodes the clip, and a real camera's clip (see
// bench::MakeCameraClip) at the same bits per pixel, with every libx265
// preset from ultrafast to medium and prints each one's time and PSNR and
// its loss against medium: the measurement behind kX265Preset.
//
// The clip is made once with the ffmpeg command line in build/bench-data; its
// audio track is left out on both sides.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/media/frame_copy.h"
#include "platform/media/hevc_encoder_settings.h"
#include "platform/media/sink_writer.h"
#include "platform/media/source_reader.h"
#include "support/bench_tools.h"

namespace {

namespace fs = std::filesystem;
using namespace wuvo;
using bench::MakeClip;
using bench::Psnr;
using bench::Quoted;
using bench::SecondsOf;
using bench::Shell;

constexpr uint32_t kBitrate = bench::kDefaultBitrate;
const char* const kPresetsFastestFirst[] = {"ultrafast", "superfast", "veryfast", "faster", "fast", "medium"};

bool EncodeWithCommandLine(const std::string& source, const std::string& output, const char* preset,
                           uint32_t bitrate = kBitrate)
{
    return Shell("ffmpeg -nostdin -v error -y -i " + Quoted(source) + " -map 0:v " +
                 bench::X265Arguments(preset, bitrate) + " " + Quoted(output));
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

void MeasurePresetsOn(const std::string& clip, const std::string& name, uint32_t bitrate, const fs::path& folder)
{
    std::printf("\nlibx265 presets on %s at %u bit/s, pools=%u\n%-10s %9s %9s %16s\n", name.c_str(), bitrate,
                platform::UsableCpuCount(), "preset", "seconds", "PSNR dB", "dB below medium");
    struct Result {
        double seconds = 0;
        double psnr = 0;
    };
    std::vector<Result> results;
    for (const char* preset : kPresetsFastestFirst) {
        std::string output = (folder / (name + "_preset_" + preset + ".mp4")).string();
        bool ok = false;
        Result result;
        result.seconds = SecondsOf([&] { return EncodeWithCommandLine(clip, output, preset, bitrate); }, &ok);
        result.psnr = ok ? Psnr(output, clip) : 0;
        results.push_back(result);
    }
    for (size_t i = 0; i < results.size(); ++i)
        std::printf("%-10s %9.2f %9.3f %16.3f\n", kPresetsFastestFirst[i], results[i].seconds, results[i].psnr,
                    results.back().psnr - results[i].psnr);
}

// The camera clip gets the bits per pixel and second that the default
// bitrate gives the 1920x1080 clip at 30 frames a second.
uint32_t SameBitsPerPixel(const bench::CameraClip& camera)
{
    constexpr double kMainClipRate = 30;
    double share = double(camera.width) * camera.height * camera.rate /
                   (double(bench::kClipWidth) * bench::kClipHeight * kMainClipRate);
    return static_cast<uint32_t>(kBitrate * share);
}

void MeasurePresets(const std::string& clip, const fs::path& folder)
{
    MeasurePresetsOn(clip, "synthetic1080", kBitrate, folder);
    bench::CameraClip camera = bench::MakeCameraClip(folder);
    if (camera.path.empty()) {
        std::printf("\nno camera clip: install Debian's opencv-doc package (bash scripts/install-deps.sh --bench)\n");
        return;
    }
    MeasurePresetsOn(camera.path, "camera576", SameBitsPerPixel(camera), folder);
}

}  // namespace

int main(int argc, char** argv)
{
    fs::path folder = bench::DataFolder();
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
    std::printf("\ndecode + encode, %d s %dx%d, preset %s, %u bit/s, pools=%u\n", bench::kClipSeconds,
                bench::kClipWidth, bench::kClipHeight,
                platform::kX265Preset, kBitrate, platform::UsableCpuCount());
    std::printf("%-12s %9s %9s\n", "", "seconds", "PSNR dB");
    std::printf("%-12s %9.2f %9.3f\n", "media layer", layerSeconds, Psnr(layerOutput, clip));
    std::printf("%-12s %9.2f %9.3f\n", "ffmpeg", commandSeconds, Psnr(commandOutput, clip));
    std::printf("time ratio layer / ffmpeg: %.3f\n", layerSeconds / commandSeconds);
    return 0;
}
