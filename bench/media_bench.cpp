// Decodes and re-encodes a 10 s 1920x1080 clip through the media layer and
// through the ffmpeg command line with the same libx265 preset, bitrate and
// thread pool, in one run, and prints the time ratio and each output's PSNR
// against the source.
//
// With --presets it first encodes the clip with every libx265 preset from
// ultrafast to medium and names the fastest whose PSNR is within 0.5 dB of
// medium's: the measurement behind kX265Preset.
//
// The clip is made once with the ffmpeg command line in WUVO_BENCH_DIR; its
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
constexpr double kPresetToleranceDb = 0.5;
const char* const kPresetsFastestFirst[] = {"ultrafast", "superfast", "veryfast", "faster", "fast", "medium"};

bool EncodeWithCommandLine(const std::string& source, const std::string& output, const char* preset)
{
    return Shell("ffmpeg -nostdin -v error -y -i " + Quoted(source) + " -map 0:v " +
                 bench::X265Arguments(preset, kBitrate) + " " + Quoted(output));
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
    std::printf("\ndecode + encode, %d s %dx%d, preset %s, %u bit/s, pools=%u\n", bench::kClipSeconds,
                bench::kClipWidth, bench::kClipHeight,
                platform::kX265Preset, kBitrate, platform::UsableCpuCount());
    std::printf("%-12s %9s %9s\n", "", "seconds", "PSNR dB");
    std::printf("%-12s %9.2f %9.3f\n", "media layer", layerSeconds, Psnr(layerOutput, clip));
    std::printf("%-12s %9.2f %9.3f\n", "ffmpeg", commandSeconds, Psnr(commandOutput, clip));
    std::printf("time ratio layer / ffmpeg: %.3f\n", layerSeconds / commandSeconds);
    return 0;
}
