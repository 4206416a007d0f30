#include "engine/mp4/date_code.h"

#include <ctime>

#include "engine/mp4/reader.h"
#include "engine/pipeline/shared_objects.h"

namespace wuvo {

namespace {

// Movie times count from 1904; larger values are taken as such and moved
// to the Unix epoch, smaller ones as already counting from 1970.
constexpr int64_t kSecondsFrom1904To1970 = 2082844800;

FrameDateTime BreakDownUtc(int64_t seconds)
{
    std::time_t time = static_cast<std::time_t>(seconds);
    std::tm parts{};
    gmtime_r(&time, &parts);
    FrameDateTime date;
    date.year = parts.tm_year + 1900;
    date.month = parts.tm_mon + 1;
    date.day = parts.tm_mday;
    date.hour = parts.tm_hour;
    date.minute = parts.tm_min;
    date.second = parts.tm_sec;
    return date;
}

}  // namespace

void ReadDateCodeOf(Mp4ParseState& state)
{
    int64_t start = state.movieCreationTime;
    if (start > kSecondsFrom1904To1970)
        start -= kSecondsFrom1904To1970;
    state.firstDate = BreakDownUtc(start);
    // A movie without a time scale has no length to add.
    uint32_t length = state.movieTimescale ? state.movieDuration / state.movieTimescale : 0;
    state.lastDate = BreakDownUtc(start + length);
}

int32_t ReadDateCode()
{
    ReadDateCodeOf(*gParseState);
    return 0;
}

}  // namespace wuvo
