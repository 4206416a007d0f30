#include "engine/media/frame_runs.h"

#include <algorithm>

namespace wuvo {

namespace {

// Pictures a decode may go through for every picture and frame of the track:
// pieces cut between sync samples cost a part of a GOP each, and pieces that
// overlap show pictures twice; an edit list that needs more repeats one GOP
// over and over, as no camera or editor writes it.
constexpr uint64_t kDecodesPerPictureAndFrame = 4;

}  // namespace

FrameRun RunFrom(const std::vector<uint32_t>& places, uint32_t first)
{
    uint32_t end = first + 1;
    while (end < places.size() && places[end] >= places[end - 1])
        ++end;
    return {first, end};
}

uint32_t RunStartOf(const std::vector<uint32_t>& places, uint32_t frame)
{
    while (frame > 0 && places[frame - 1] <= places[frame])
        --frame;
    return frame;
}

uint32_t SyncPlaceAtOrBefore(const Mp4ParseState& state, uint32_t place)
{
    const std::vector<uint32_t>& sync = state.syncPlaces;
    if (sync.empty())
        return place;
    auto after = std::upper_bound(sync.begin(), sync.end(), place);
    return after == sync.begin() ? 0 : *(after - 1);
}

bool DecodeWorkWithinBound(const Mp4ParseState& state)
{
    const std::vector<uint32_t>& places = state.presentationRanks;
    uint64_t bound = kDecodesPerPictureAndFrame * (state.pictureTimes.size() + places.size());
    uint64_t work = 0;
    for (FrameRun run = RunFrom(places, 0); run.first < places.size() && work <= bound;
         run = RunFrom(places, run.end))
        work += places[run.end - 1] - SyncPlaceAtOrBefore(state, places[run.first]) + 1;
    return work <= bound;
}

}  // namespace wuvo
