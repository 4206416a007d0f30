#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace wuvo::test {

// What ffprobe reports of a file's first video stream, the reference the
// container reader is compared with.
struct ProbedVideo {
    uint32_t timescale = 0;  // the stream's time base is 1/timescale
    uint32_t frameCount = 0;
    double rotation = 0;       // degrees of the display matrix, 0 without one
    bool hasDisplayMatrix = false;
    std::string creationTime;  // the movie's, as "YYYY-MM-DDTHH:MM:SS..." in UTC
    // Per packet in file order, edit lists ignored.
    std::vector<uint64_t> decodeTimes;
    std::vector<uint64_t> durations;
    std::vector<uint32_t> keyFrames;  // packet indexes
};

// Runs ffprobe on `path`; fails the calling test when it cannot.
ProbedVideo ProbeVideo(const std::string& path);

}  // namespace wuvo::test
