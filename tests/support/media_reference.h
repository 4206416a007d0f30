#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Independent answers from the ffmpeg and ffprobe command lines, run at test
// time, to compare the media code against.
namespace wuvo::test {

// Standard output of a shell command; `exitCode` receives its status.
std::string RunCommand(const std::string& command, int* exitCode = nullptr);

// FNV-1a over a plane of `width` x `height` samples with rows `pitch` apart.
uint64_t PlaneChecksum(const uint8_t* plane, size_t pitch, size_t width, size_t height);

// Checksums of every frame's Y plane as `ffmpeg -f rawvideo -pix_fmt yuv420p`
// decodes the file (turned upright as a player shows it).
std::vector<uint64_t> ReferenceLumaChecksums(const std::string& path, size_t width, size_t height);

// Frame `frame` (in presentation order) as packed I420, as ffmpeg decodes
// it; empty when there is no such frame.
std::vector<uint8_t> ReferenceFrame(const std::string& path, uint32_t frame);

// Frame `frame` as a player shows it, as packed RGB scaled to width x height:
// ffmpeg's conversion by the file's own range and matrix; one that names no
// matrix is read by BT.709 from 1280 wide or 577 high, by BT.601 below.
std::vector<uint8_t> ShownRgb(const std::string& path, uint32_t frame, uint32_t width, uint32_t height);

// Levels apart that still look alike, after encoding and two conversions.
constexpr int kNearLevels = 4;

// The share of samples of `a` within `levels` of those of `b`; 0 when their
// sizes differ.
double ShareWithin(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int levels);

// The file's interleaved 16-bit PCM as ffmpeg decodes it.
std::vector<uint8_t> ReferencePcm(const std::string& path, int channels);

// One line per entry of `ffprobe -show_entries ENTRIES -select_streams STREAM`
// (fields separated by commas); an empty STREAM selects every stream.
std::vector<std::string> Probe(const std::string& path, const std::string& stream,
                               const std::string& entries);

// True when ffmpeg decodes every stream of the file without an error message.
bool DecodesCleanly(const std::string& path, std::string* errors = nullptr);

// Shell-quotes a path.
std::string Quoted(const std::string& text);

}  // namespace wuvo::test
