#include "support/source_timing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "support/media_reference.h"

namespace wuvo::test {

namespace {

// ffprobe prints times to the microsecond; edit lists hold milliseconds.
constexpr double kMovieTick = 1e-3;
// A sound track that starts late keeps its AAC encoder's first frame, which
// the muxer trims only from a track that starts at once: the source's sound
// follows it in place.
constexpr double kAacPrimingSeconds = 1024.0 / 48000.0;

struct VideoTimes {
    int64_t unit = 0;  // ticks per second
    std::vector<int64_t> frames;
};

VideoTimes FrameTimes(const std::string& path)
{
    VideoTimes times;
    std::string base = Probe(path, "v:0", "stream=time_base").at(0);
    times.unit = std::stoll(base.substr(base.find('/') + 1));
    for (const std::string& tick : Probe(path, "v:0", "frame=best_effort_timestamp"))
        times.frames.push_back(std::stoll(tick));
    return times;
}

double StreamValue(const std::string& path, const std::string& stream, const std::string& entry)
{
    auto value = Probe(path, stream, "stream=" + entry);
    return value.empty() ? -1 : std::stod(value.front());
}

}  // namespace

void ExpectSourceTiming(const std::string& source, const std::string& output)
{
    VideoTimes shown = FrameTimes(source);
    VideoTimes written = FrameTimes(output);
    ASSERT_EQ(written.frames.size(), shown.frames.size());
    size_t misplaced = 0;
    std::string first;
    double shortest = 1;
    for (size_t n = 0; n < shown.frames.size(); ++n) {
        // |written / written unit - shown / shown unit| <= 1 / written unit
        __int128 apart = static_cast<__int128>(written.frames[n]) * shown.unit -
                         static_cast<__int128>(shown.frames[n]) * written.unit;
        if ((apart < 0 ? -apart : apart) > shown.unit && misplaced++ == 0)
            first = "frame " + std::to_string(n) + " at " + std::to_string(written.frames[n]) + "/" +
                    std::to_string(written.unit) + " against " + std::to_string(shown.frames[n]) + "/" +
                    std::to_string(shown.unit);
        if (n > 0)
            shortest = std::min(shortest, double(shown.frames[n] - shown.frames[n - 1]) / shown.unit);
    }
    EXPECT_EQ(misplaced, 0u) << "frames more than a tick from their time, the first: " << first;
    EXPECT_NEAR(StreamValue(output, "v:0", "duration"), StreamValue(source, "v:0", "duration"), shortest);
    double soundStart = StreamValue(source, "a:0", "start_time");
    double writtenStart = StreamValue(output, "a:0", "start_time");
    EXPECT_LE(writtenStart, soundStart + kMovieTick) << "where the sound starts";
    EXPECT_GE(writtenStart, soundStart - kAacPrimingSeconds - kMovieTick) << "where the sound starts";
    EXPECT_NEAR(writtenStart + StreamValue(output, "a:0", "duration"),
                soundStart + StreamValue(source, "a:0", "duration"), kMovieTick)
        << "where the sound ends";
}

}  // namespace wuvo::test
