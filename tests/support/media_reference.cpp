#include "support/media_reference.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace wuvo::test {

namespace {

constexpr uint64_t kFnvOffset = 1469598103934665603ull;
constexpr uint64_t kFnvPrime = 1099511628211ull;

std::vector<uint8_t> CommandBytes(const std::string& command)
{
    std::vector<uint8_t> bytes;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return bytes;
    std::array<uint8_t, 1 << 16> chunk;
    size_t got;
    while ((got = fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + got);
    pclose(pipe);
    return bytes;
}

// Frame `frame` (in presentation order) through `filters`, raw.
std::vector<uint8_t> RawFrame(const std::string& path, uint32_t frame, const std::string& filters)
{
    return CommandBytes("ffmpeg -nostdin -v error -i " + Quoted(path) + " -map 0:v:0 -vf 'select=eq(n\\," +
                        std::to_string(frame) + ")" + filters + "' -frames:v 1 -f rawvideo -");
}

}  // namespace

std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string RunCommand(const std::string& command, int* exitCode)
{
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        if (exitCode)
            *exitCode = -1;
        return output;
    }
    std::array<char, 4096> chunk;
    size_t got;
    while ((got = fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
        output.append(chunk.data(), got);
    int status = pclose(pipe);
    if (exitCode)
        *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return output;
}

uint64_t PlaneChecksum(const uint8_t* plane, size_t pitch, size_t width, size_t height)
{
    uint64_t hash = kFnvOffset;
    for (size_t y = 0; y < height; ++y)
        for (size_t x = 0; x < width; ++x)
            hash = (hash ^ plane[y * pitch + x]) * kFnvPrime;
    return hash;
}

std::vector<uint64_t> ReferenceLumaChecksums(const std::string& path, size_t width, size_t height)
{
    std::vector<uint8_t> raw = CommandBytes("ffmpeg -nostdin -v error -i " + Quoted(path) +
                                            " -map 0:v:0 -f rawvideo -pix_fmt yuv420p -");
    size_t frameBytes = width * height * 3 / 2;
    std::vector<uint64_t> sums;
    for (size_t at = 0; at + frameBytes <= raw.size(); at += frameBytes)
        sums.push_back(PlaneChecksum(raw.data() + at, width, width, height));
    return sums;
}

std::vector<uint8_t> ReferenceFrame(const std::string& path, uint32_t frame)
{
    return RawFrame(path, frame, ",format=yuv420p");
}

std::vector<uint8_t> ShownRgb(const std::string& path, uint32_t frame, uint32_t width, uint32_t height)
{
    constexpr unsigned kHdWidth = 1280, kSdMaxHeight = 576;
    unsigned codedWidth = 0, codedHeight = 0;
    char range[32] = {}, space[32] = {};
    // ffprobe gives the fields in its own order.
    std::sscanf(Probe(path, "v:0", "stream=width,height,color_range,color_space").at(0).c_str(),
                "%u,%u,%31[^,],%31[^,]", &codedWidth, &codedHeight, range, space);
    std::string matrix = space;
    if (matrix == "smpte170m" || matrix == "bt470bg")
        matrix = "bt601";
    else if (matrix == "unknown")
        matrix = codedWidth >= kHdWidth || codedHeight > kSdMaxHeight ? "bt709" : "bt601";
    return RawFrame(path, frame,
                    ",scale=" + std::to_string(width) + ":" + std::to_string(height) + ":in_color_matrix=" + matrix +
                        ":in_range=" + (std::string(range) == "pc" ? "pc" : "tv") + ",format=rgb24");
}

double ShareWithin(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int levels)
{
    if (a.size() != b.size() || a.empty())
        return 0;
    size_t near = 0;
    for (size_t i = 0; i < a.size(); ++i)
        near += std::abs(int{a[i]} - int{b[i]}) <= levels;
    return static_cast<double>(near) / static_cast<double>(a.size());
}

std::vector<uint8_t> ReferencePcm(const std::string& path, int channels)
{
    return CommandBytes("ffmpeg -nostdin -v error -i " + Quoted(path) + " -map 0:a:0 -f s16le -ac " +
                        std::to_string(channels) + " -");
}

std::vector<std::string> Probe(const std::string& path, const std::string& stream,
                               const std::string& entries)
{
    std::string selection = stream.empty() ? "" : " -select_streams " + stream;
    std::string text = RunCommand("ffprobe -v error" + selection + " -show_entries " + entries +
                                  " -of csv=p=0 " + Quoted(path));
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        if (!line.empty())
            lines.push_back(line);
    return lines;
}

bool DecodesCleanly(const std::string& path, std::string* errors)
{
    int exitCode = 0;
    std::string messages =
        RunCommand("ffmpeg -nostdin -v error -i " + Quoted(path) + " -f null - 2>&1", &exitCode);
    if (errors)
        *errors = messages;
    return exitCode == 0 && messages.empty();
}

}  // namespace wuvo::test
