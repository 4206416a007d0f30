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
    // Players show frames in the order of their times, which composition
    // offsets may give otherwise than the order of coding; where they do,
    // ffprobe's best guess of a time is not the frame's own.
    for (const std::string& tick : Probe(path, "v:0", "frame=pts"))
        times.frames.push_back(std::stoll(tick));
    std::sort(times.frames.begin(), times.frames.end());
    return times;
}

double StreamValue(const std::string& path, const std::string& stream, const std::string& entry)
{
    auto value = Probe(path, stream, "stream=" + entry);
    return value.empty() ? -1 : std::stod(value.front());
}

}  // namespace

void ExpectSourceTiming(const std::string& source, const std::string& output, uint32_t divisor, SourceTimes times)
{
    VideoTimes shown = FrameTimes(source);
    VideoTimes written = FrameTimes(output);
    ASSERT_EQ(written.frames.size(), (shown.frames.size() + divisor - 1) / divisor);
    double frameSlack = times == SourceTimes::kOwnTimes ? kMovieTick : 0;
    size_t misplaced = 0;
    std::string first;
    for (size_t k = 0; k < written.frames.size(); ++k) {
        // |written / written unit - shown / (shown unit x divisor)| <= 1 / written unit + frame slack
        __int128 scale = static_cast<__int128>(shown.unit) * divisor;
        __int128 apart = written.frames[k] * scale - static_cast<__int128>(shown.frames[k * divisor]) * written.unit;
        double allowed = static_cast<double>(scale) * (1 + frameSlack * static_cast<double>(written.unit));
        if (static_cast<double>(apart < 0 ? -apart : apart) > allowed && misplaced++ == 0)
            first = "frame " + std::to_string(k) + " at " + std::to_string(written.frames[k]) + "/" +
                    std::to_string(written.unit) + " against " + std::to_string(shown.frames[k * divisor]) + "/" +
                    std::to_string(shown.unit);
    }
    EXPECT_EQ(misplaced, 0u) << "frames more than a tick from their time, the first: " << first;
    double shortest = 1;
    for (size_t n = 1; n < shown.frames.size(); ++n)
        shortest = std::min(shortest, double(shown.frames[n] - shown.frames[n - 1]) / shown.unit);
    if (times == SourceTimes::kEditList) {
        EXPECT_NEAR(StreamValue(output, "v:0", "duration"), StreamValue(source, "v:0", "duration") / divisor,
                    shortest);
    }
    double slack = divisor == 1 ? kMovieTick : shortest;
    double soundStart = StreamValue(source, "a:0", "start_time") / divisor;
    double writtenStart = StreamValue(output, "a:0", "start_time");
    EXPECT_LE(writtenStart, soundStart + slack) << "where the sound starts";
    EXPECT_GE(writtenStart, soundStart - kAacPrimingSeconds - slack) << "where the sound starts";
    EXPECT_NEAR(writtenStart + StreamValue(output, "a:0", "duration"),
                soundStart + StreamValue(source, "a:0", "duration") / divisor, slack)
        << "where the sound ends";
}

void ExpectRecordingDateKept(const std::string& source, const std::string& output)
{
    std::vector<std::string> date = Probe(source, "", "format_tags=creation_time");
    ASSERT_EQ(date.size(), 1u) << source << " has a recording date";
    EXPECT_EQ(Probe(output, "", "format_tags=creation_time"), date) << "the movie's";
    size_t tracks = Probe(output, "", "stream=index").size();
    EXPECT_EQ(Probe(output, "", "stream_tags=creation_time"), std::vector<std::string>(tracks, date[0]))
        << "the tracks'";
}

}  // namespace wuvo::test
