#include "engine/mp4/shown_frames.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <stdexcept>
#include <utility>

#include "engine/mp4/reader_refusal.h"

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

// The samples whose presentation time lies inside the piece, among all
// samples sorted by it.
std::pair<size_t, size_t> SamplesIn(const std::vector<int64_t>& sorted, const MediaPiece& piece)
{
    auto first = std::lower_bound(sorted.begin(), sorted.end(), piece.mediaTime);
    auto last = std::lower_bound(first, sorted.end(), piece.end);
    return {static_cast<size_t>(first - sorted.begin()), static_cast<size_t>(last - sorted.begin())};
}

// Shows the samples inside the piece; the last of them until the piece or
// the media ends. Times are kept as two's complement: without an edit list
// the media's own times, which may lie before 0, are the timeline's.
void ShowPiece(const std::vector<int64_t>& sorted, const MediaPiece& piece, int64_t mediaEnd, ShownFrames& frames)
{
    auto [first, last] = SamplesIn(sorted, piece);
    for (size_t at = first; at != last; ++at) {
        frames.ranks.push_back(static_cast<uint32_t>(at));
        frames.times.push_back(static_cast<uint64_t>(piece.position + sorted[at] - piece.mediaTime));
    }
    if (first != last)
        frames.end = static_cast<uint64_t>(piece.position + std::min(piece.end, mediaEnd) - piece.mediaTime);
}

// The pieces of the media from `mediaStart` up to `mediaEnd` that the edit
// list shows, each where it shows on the movie's timeline. Without one,
// the whole media at its own times.
std::vector<MediaPiece> PiecesOf(const Mp4Track& track, int64_t mediaStart, int64_t mediaEnd, uint32_t movieTimescale)
{
    std::vector<MediaPiece> pieces;
    int64_t position = 0;  // where the next piece starts
    for (const Mp4Edit& edit : track.edits) {
        int64_t length = SegmentLength(edit, track.timescale, movieTimescale);
        if (edit.mediaTime >= 0) {
            pieces.push_back({edit.mediaTime, AddCapped(edit.mediaTime, length), position});
            if (length == kForever)
                length = std::max<int64_t>(mediaEnd - edit.mediaTime, 0);
        }
        // Other negative media times are not defined; players skip them too.
        if (edit.mediaTime >= 0 || (edit.mediaTime == kEmptyEdit && length != kForever))
            position = AddCapped(position, length);
    }
    if (pieces.empty())
        pieces.push_back({mediaStart, kForever, mediaStart});
    return pieces;
}

// Where the last piece stops showing media on the movie's timeline is
// refused beyond a day: what plays there, pauses and repeats included,
// costs work for every second.
void RequireTimelineWithinLimit(const std::vector<MediaPiece>& pieces, int64_t mediaEnd, uint32_t timescale,
                                const char16_t* reason)
{
    for (const MediaPiece& piece : pieces) {
        int64_t shown = std::max<int64_t>(std::min(piece.end, mediaEnd) - piece.mediaTime, 0);
        if (static_cast<uint64_t>(AddCapped(piece.position, shown)) > kLongestShownSeconds * timescale)
            throw ReaderRefusal("elst", reason);
    }
}

// Pieces that overlap or repeat show some samples more than once. What an
// edit list shows is held to a bound no real clip reaches, counted before
// anything is allocated for it; a track of more samples may show each once.
void RequireFramesWithinLimit(const std::vector<int64_t>& sorted, const std::vector<MediaPiece>& pieces)
{
    uint64_t most = std::max<uint64_t>(kMostShownFrames, sorted.size());
    uint64_t frames = 0;
    for (const MediaPiece& piece : pieces) {
        auto [first, last] = SamplesIn(sorted, piece);
        frames += last - first;
        if (frames > most)
            throw ReaderRefusal("elst", u"The edit list of <%s> shows more frames than a day holds at 30 frames "
                                        u"a second\n");
    }
}

// Counts the shown times from the first frame, the earliest, and keeps
// where that one shows.
void StartAtFirstFrame(ShownFrames& frames)
{
    frames.start = static_cast<int64_t>(frames.times.front());
    auto fromFirst = [first = frames.start](uint64_t& time) {
        auto at = static_cast<int64_t>(time);
        time = at > first ? static_cast<uint64_t>(at - first) : 0;
    };
    std::for_each(frames.times.begin(), frames.times.end(), fromFirst);
    fromFirst(frames.end);
}

// A picture shown for longer than an output's track unit can time fails
// its writing: such a list is refused here, with its reason. Without an
// edit list only composition offsets that reorder frames far apart can
// hold a picture that long.
void RequireShortShowings(const Mp4Track& track, const ShownFrames& frames)
{
    uint64_t longest = kLongestFrameSeconds * track.timescale;
    for (size_t n = 0; n < frames.times.size(); ++n) {
        uint64_t next = n + 1 < frames.times.size() ? frames.times[n + 1] : frames.end;
        if (next > frames.times[n] && next - frames.times[n] > longest)
            throw ReaderRefusal(track.edits.empty() ? "ctts" : "elst",
                                u"A picture of <%s> would be shown for more than an hour\n");
    }
}

// The media's sound from its first sample to the time its time table
// reaches.
int64_t SoundLength(const Mp4Track& track)
{
    int64_t length = 0;
    for (size_t entry = 0; entry < track.sttsCounts.size(); ++entry) {
        unsigned __int128 entryLength = static_cast<unsigned __int128>(track.sttsCounts[entry]) * track.sttsDeltas[entry];
        length = AddCapped(length, entryLength > static_cast<unsigned __int128>(kForever)
                                       ? kForever
                                       : static_cast<int64_t>(entryLength));
    }
    return length;
}

}  // namespace

ShownFrames FindShownFrames(const Mp4Track& track, const std::vector<uint64_t>& decodeTimes, uint64_t decodeEnd,
                            uint32_t movieTimescale)
{
    std::vector<int64_t> times = PresentationTimes(track, decodeTimes);
    std::vector<int64_t> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    int64_t mediaEnd = MediaEnd(times, decodeTimes, decodeEnd);
    std::vector<MediaPiece> pieces = PiecesOf(track, sorted.empty() ? 0 : sorted.front(), mediaEnd, movieTimescale);
    RequireFramesWithinLimit(sorted, pieces);
    if (!track.edits.empty())
        RequireTimelineWithinLimit(pieces, mediaEnd, track.timescale,
                                   u"The edit list of <%s> runs on for more than a day\n");
    ShownFrames frames;
    for (const MediaPiece& piece : pieces)
        ShowPiece(sorted, piece, mediaEnd, frames);
    if (frames.ranks.empty())
        throw std::logic_error("elst");
    StartAtFirstFrame(frames);
    RequireShortShowings(track, frames);

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

std::vector<MediaPiece> FindShownSound(const Mp4Track& track, uint32_t movieTimescale)
{
    int64_t mediaEnd = SoundLength(track);
    std::vector<MediaPiece> pieces = PiecesOf(track, 0, mediaEnd, movieTimescale);
    if (!track.edits.empty())
        RequireTimelineWithinLimit(pieces, mediaEnd, track.timescale,
                                   u"The edit list of the sound of <%s> runs on for more than a day\n");
    for (MediaPiece& piece : pieces)
        piece.end = std::min(piece.end, mediaEnd);
    // A piece that shows nothing of the media is silence, as a pause is:
    // where another follows, the distance between their places keeps it.
    std::erase_if(pieces, [](const MediaPiece& piece) { return piece.end <= piece.mediaTime; });
    return pieces;
}

}  // namespace wuvo
