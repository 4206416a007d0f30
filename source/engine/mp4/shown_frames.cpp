#include "engine/mp4/shown_frames.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <stdexcept>

namespace wuvo {

namespace {

// Presentation time of every sample. Offsets are signed: version 1 boxes
// may hold negative ones, and no real offset reaches 2^31.
std::vector<int64_t> PresentationTimes(const Mp4Track& track, const std::vector<uint64_t>& decodeTimes)
{
    std::vector<int64_t> times(decodeTimes.begin(), decodeTimes.end());
    size_t sample = 0;
    for (size_t entry = 0; entry < track.cttsCounts.size() && sample < times.size(); ++entry)
        for (uint32_t i = 0; i < track.cttsCounts[entry] && sample < times.size(); ++i)
            times[sample++] += static_cast<int32_t>(track.cttsOffsets[entry]);
    return times;
}

// Where the segment's media ends, in track time units; a duration of 0 or a
// movie without a time scale runs to the end of the media.
int64_t SegmentEnd(const Mp4Edit& edit, uint32_t trackTimescale, uint32_t movieTimescale)
{
    if (edit.segmentDuration == 0 || movieTimescale == 0)
        return std::numeric_limits<int64_t>::max();
    unsigned __int128 length = static_cast<unsigned __int128>(edit.segmentDuration) * trackTimescale / movieTimescale;
    unsigned __int128 end = length + static_cast<uint64_t>(edit.mediaTime);
    return end > std::numeric_limits<int64_t>::max() ? std::numeric_limits<int64_t>::max()
                                                     : static_cast<int64_t>(end);
}

// Each sample's place in presentation order; equal times keep decode order.
std::vector<uint32_t> PresentationRanks(const std::vector<int64_t>& times)
{
    std::vector<uint32_t> order(times.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return times[a] < times[b]; });
    std::vector<uint32_t> rank(times.size());
    for (uint32_t place = 0; place < order.size(); ++place)
        rank[order[place]] = place;
    return rank;
}

// Segment after segment, the places of the samples whose presentation time
// falls inside it. Without a segment that shows media, every sample.
std::vector<uint32_t> RanksInSegments(const Mp4Track& track, std::vector<int64_t> times, uint32_t movieTimescale)
{
    std::sort(times.begin(), times.end());
    std::vector<uint32_t> shown;
    bool anyMedia = false;
    for (const Mp4Edit& edit : track.edits) {
        // Other negative media times are not defined; players skip them too.
        if (edit.mediaTime < 0)
            continue;
        anyMedia = true;
        int64_t end = SegmentEnd(edit, track.timescale, movieTimescale);
        auto first = std::lower_bound(times.begin(), times.end(), edit.mediaTime);
        auto last = std::lower_bound(first, times.end(), end);
        for (auto at = first; at != last; ++at)
            shown.push_back(static_cast<uint32_t>(at - times.begin()));
    }
    if (!anyMedia) {
        shown.resize(times.size());
        std::iota(shown.begin(), shown.end(), 0u);
    }
    return shown;
}

}  // namespace

ShownFrames FindShownFrames(const Mp4Track& track, const std::vector<uint64_t>& decodeTimes,
                            uint32_t movieTimescale)
{
    std::vector<int64_t> times = PresentationTimes(track, decodeTimes);
    ShownFrames frames;
    frames.ranks = RanksInSegments(track, times, movieTimescale);
    if (frames.ranks.empty())
        throw std::logic_error("elst");

    // A sample shown more than once counts where it is first shown.
    constexpr uint32_t kNotShown = std::numeric_limits<uint32_t>::max();
    std::vector<uint32_t> frameOfRank(times.size(), kNotShown);
    for (uint32_t frame = static_cast<uint32_t>(frames.ranks.size()); frame-- > 0;)
        frameOfRank[frames.ranks[frame]] = frame;
    std::vector<uint32_t> rank = PresentationRanks(times);
    for (uint32_t sample : track.syncSamples)
        if (sample < rank.size() && frameOfRank[rank[sample]] != kNotShown)
            frames.syncFrames.push_back(frameOfRank[rank[sample]]);
    std::sort(frames.syncFrames.begin(), frames.syncFrames.end());
    frames.syncFrames.erase(std::unique(frames.syncFrames.begin(), frames.syncFrames.end()), frames.syncFrames.end());
    return frames;
}

}  // namespace wuvo
