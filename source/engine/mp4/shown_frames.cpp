#include "engine/mp4/shown_frames.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <stdexcept>
#include <utility>

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

// Beyond any media: segment lengths and positions stop here.
constexpr int64_t kForever = std::numeric_limits<int64_t>::max() / 2;
// The media time of an empty edit, a pause on the track's timeline.
constexpr int64_t kEmptyEdit = -1;

// `time` and `length` are not negative.
int64_t AddCapped(int64_t time, int64_t length)
{
    return time >= kForever - std::min(length, kForever) ? kForever : time + length;
}

// When the media stops showing: the latest that a sample's presentation
// time and its own duration reach.
int64_t MediaEnd(const std::vector<int64_t>& times, const std::vector<uint64_t>& decodeTimes, uint64_t decodeEnd)
{
    int64_t end = 0;
    for (size_t i = 0; i < times.size(); ++i) {
        uint64_t next = i + 1 < decodeTimes.size() ? decodeTimes[i + 1] : decodeEnd;
        end = std::max(end, times[i] + static_cast<int64_t>(next - decodeTimes[i]));
    }
    return end;
}

// How long the segment lasts, in track time units; a duration of 0, or a
// movie without a time scale, runs to the end of the media.
int64_t SegmentLength(const Mp4Edit& edit, uint32_t trackTimescale, uint32_t movieTimescale)
{
    if (edit.segmentDuration == 0 || movieTimescale == 0)
        return kForever;
    unsigned __int128 length = static_cast<unsigned __int128>(edit.segmentDuration) * trackTimescale / movieTimescale;
    return length > static_cast<unsigned __int128>(kForever) ? kForever : static_cast<int64_t>(length);
}

// A segment's media (track units), from `mediaTime` up to `end`, shown from
// `position` on the track's timeline.
struct Segment {
    int64_t mediaTime = 0;
    int64_t end = kForever;
    int64_t position = 0;
};

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

// The samples whose presentation time lies inside the segment, among all
// samples sorted by it.
std::pair<size_t, size_t> SamplesIn(const std::vector<int64_t>& sorted, const Segment& segment)
{
    auto first = std::lower_bound(sorted.begin(), sorted.end(), segment.mediaTime);
    auto last = std::lower_bound(first, sorted.end(), segment.end);
    return {static_cast<size_t>(first - sorted.begin()), static_cast<size_t>(last - sorted.begin())};
}

// Shows the samples inside the segment; the last of them until the segment
// or the media ends.
void ShowSegment(const std::vector<int64_t>& sorted, const Segment& segment, int64_t mediaEnd, ShownFrames& frames)
{
    auto [first, last] = SamplesIn(sorted, segment);
    for (size_t at = first; at != last; ++at) {
        frames.ranks.push_back(static_cast<uint32_t>(at));
        frames.times.push_back(static_cast<uint64_t>(segment.position + sorted[at] - segment.mediaTime));
    }
    if (first != last)
        frames.end = static_cast<uint64_t>(segment.position + std::min(segment.end, mediaEnd) - segment.mediaTime);
}

// The segments that show media, each where it shows on the track's
// timeline. Without one, every sample at its own time.
std::vector<Segment> SegmentsOf(const Mp4Track& track, const std::vector<int64_t>& sorted, uint32_t movieTimescale,
                                int64_t mediaEnd)
{
    std::vector<Segment> segments;
    int64_t position = 0;  // where the next segment starts
    for (const Mp4Edit& edit : track.edits) {
        int64_t length = SegmentLength(edit, track.timescale, movieTimescale);
        if (edit.mediaTime >= 0) {
            segments.push_back({edit.mediaTime, AddCapped(edit.mediaTime, length), position});
            if (length == kForever)
                length = std::max<int64_t>(mediaEnd - edit.mediaTime, 0);
        }
        // Other negative media times are not defined; players skip them too.
        if (edit.mediaTime >= 0 || (edit.mediaTime == kEmptyEdit && length != kForever))
            position = AddCapped(position, length);
    }
    if (segments.empty() && !sorted.empty())
        segments.push_back({sorted.front(), kForever, 0});
    return segments;
}

// Pieces that overlap show some samples more than once. An edit list that
// shows the media more often over repeats it, as no camera or editor writes
// it, and would take memory for every frame it lists: it is refused before.
constexpr uint64_t kMostShowingsPerSample = 4;

void RequireFramesWithinLimit(const std::vector<int64_t>& sorted, const std::vector<Segment>& segments)
{
    uint64_t frames = 0;
    for (const Segment& segment : segments) {
        auto [first, last] = SamplesIn(sorted, segment);
        frames += last - first;
        if (frames > kMostShowingsPerSample * sorted.size())
            throw std::logic_error("elst");
    }
}

// Counts the shown times from the first frame, the earliest.
void StartAtFirstFrame(ShownFrames& frames)
{
    uint64_t first = frames.times.front();
    auto fromFirst = [first](uint64_t& time) { time = time > first ? time - first : 0; };
    std::for_each(frames.times.begin(), frames.times.end(), fromFirst);
    fromFirst(frames.end);
}

}  // namespace

ShownFrames FindShownFrames(const Mp4Track& track, const std::vector<uint64_t>& decodeTimes, uint64_t decodeEnd,
                            uint32_t movieTimescale)
{
    std::vector<int64_t> times = PresentationTimes(track, decodeTimes);
    std::vector<int64_t> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    int64_t mediaEnd = MediaEnd(times, decodeTimes, decodeEnd);
    std::vector<Segment> segments = SegmentsOf(track, sorted, movieTimescale, mediaEnd);
    RequireFramesWithinLimit(sorted, segments);
    ShownFrames frames;
    for (const Segment& segment : segments)
        ShowSegment(sorted, segment, mediaEnd, frames);
    if (frames.ranks.empty())
        throw std::logic_error("elst");
    StartAtFirstFrame(frames);

    // A sample shown more than once counts where it is first shown.
    constexpr uint32_t kNotShown = std::numeric_limits<uint32_t>::max();
    std::vector<uint32_t> frameOfRank(times.size(), kNotShown);
    for (uint32_t frame = static_cast<uint32_t>(frames.ranks.size()); frame-- > 0;)
        frameOfRank[frames.ranks[frame]] = frame;
    std::vector<uint32_t> rank = PresentationRanks(times);
    for (uint32_t sample : track.syncSamples) {
        if (sample >= rank.size())
            continue;
        frames.syncPlaces.push_back(rank[sample]);
        if (frameOfRank[rank[sample]] != kNotShown)
            frames.syncFrames.push_back(frameOfRank[rank[sample]]);
    }
    std::sort(frames.syncPlaces.begin(), frames.syncPlaces.end());
    std::sort(frames.syncFrames.begin(), frames.syncFrames.end());
    frames.syncFrames.erase(std::unique(frames.syncFrames.begin(), frames.syncFrames.end()), frames.syncFrames.end());
    frames.pictureTimes = std::move(sorted);
    return frames;
}

bool PausesAfterMedia(const Mp4Track& track)
{
    auto shows = [](const Mp4Edit& edit) { return edit.mediaTime >= 0; };
    auto pauses = [](const Mp4Edit& edit) { return edit.mediaTime == kEmptyEdit; };
    return std::any_of(std::find_if(track.edits.begin(), track.edits.end(), shows), track.edits.end(), pauses);
}

}  // namespace wuvo
