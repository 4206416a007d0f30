#include "engine/mp4/track_finish.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <optional>
#include <stdexcept>

#include "engine/mp4/box_reader.h"
#include "engine/mp4/reader.h"
#include "engine/mp4/reader_refusal.h"
#include "engine/mp4/shown_frames.h"
#include "engine/pipeline/shared_objects.h"

namespace wuvo {

namespace {

constexpr uint32_t kVideoHandler = FourCC("vide");
constexpr uint32_t kSoundHandler = FourCC("soun");

// The first track of the kind, or the first enabled one: a phone's motion
// photo keeps still frames in a later video track.
std::optional<size_t> FirstTrackWithHandler(const Mp4ParseState& state, uint32_t handler, bool enabledOnly = false)
{
    for (size_t i = 0; i < state.tracks.size(); ++i)
        if (state.tracks[i].handlerType == handler && (state.tracks[i].enabled || !enabledOnly))
            return i;
    return std::nullopt;
}

// Players show the first enabled video track; a file that enables none is
// shown from its first.
std::optional<size_t> ShownVideoTrack(const Mp4ParseState& state)
{
    std::optional<size_t> enabled = FirstTrackWithHandler(state, kVideoHandler, true);
    return enabled ? enabled : FirstTrackWithHandler(state, kVideoHandler);
}

uint64_t SamplesWithTimes(const Mp4Track& track)
{
    uint64_t total = 0;
    for (uint32_t count : track.sttsCounts)
        total += count;
    return total;
}

// Decode time of each of the first `frames` samples; `end` gets the time
// after the last of them.
std::vector<uint64_t> SampleTimesOf(const Mp4Track& track, uint32_t frames, uint64_t& end)
{
    std::vector<uint64_t> times;
    times.reserve(frames);
    uint64_t time = 0;
    for (size_t entry = 0; entry < track.sttsCounts.size() && times.size() < frames; ++entry) {
        uint64_t take = std::min<uint64_t>(track.sttsCounts[entry], frames - times.size());
        for (uint64_t i = 0; i < take; ++i) {
            times.push_back(time);
            time += track.sttsDeltas[entry];
        }
    }
    end = time;
    return times;
}

uint32_t AverageDelta(uint64_t totalTime, uint32_t frames)
{
    if (frames == 0)
        return 0;
    float average = static_cast<float>(totalTime) / static_cast<float>(frames);
    // Beyond 32 bits the conversion would be undefined.
    constexpr float kLimit = 4294967296.0f;
    return average >= kLimit ? std::numeric_limits<uint32_t>::max() : static_cast<uint32_t>(average);
}

uint32_t GopLengthOf(const std::vector<uint32_t>& sync)
{
    // The encoder's IDR period must be at least 1, also for a table out of order.
    if (sync.size() < 2 || sync[1] <= sync[0])
        return 1;
    return sync[1] - sync[0];
}

// The least a sample that holds a picture takes: a length field, a NAL
// unit header and the first byte of a slice header. A track that lists more
// samples than the file has room for would cost memory for each of them.
constexpr uint32_t kSmallestPictureBytes = 4;

// Frames that last or are moved longer than an output's track unit can
// time fail their writing: refused here, naming the table.
void RequireShortFrames(const Mp4Track& video, uint32_t frames)
{
    uint64_t longest = kLongestFrameSeconds * video.timescale;
    uint64_t timed = 0;
    for (size_t entry = 0; entry < video.sttsCounts.size() && timed < frames; ++entry) {
        if (video.sttsCounts[entry] != 0 && video.sttsDeltas[entry] > longest)
            throw ReaderRefusal("stts", u"A frame of <%s> lasts more than an hour\n");
        timed += video.sttsCounts[entry];
    }
    for (uint32_t offset : video.cttsOffsets)
        if (static_cast<uint64_t>(std::abs(int64_t{static_cast<int32_t>(offset)})) > longest)
            throw ReaderRefusal("ctts", u"A frame of <%s> is shown more than an hour away from its decoding\n");
}

void PublishFrameCount(uint32_t frames)
{
    {
        std::lock_guard guard(gFramePool->lock);
        gFramePool->frameCount = frames;
    }
    std::lock_guard guard(gPacketQueue->lock);
    gPacketQueue->frameCount = frames;
}

}  // namespace

void CheckVideoTrack(const Mp4ParseState& state, uint64_t fileSize)
{
    // Without it the previous file's date would be stamped.
    if (!state.movieHeaderRead)
        throw std::logic_error("mvhd");
    std::optional<size_t> index = ShownVideoTrack(state);
    if (!index)
        throw std::logic_error("no video track");
    const Mp4Track& video = state.tracks[*index];
    uint32_t frames = video.SizeTableEntries();
    if (frames == 0)
        throw std::logic_error("stsz");
    if (uint64_t{frames} * std::max(video.sampleSize, kSmallestPictureBytes) > fileSize)
        throw ReaderRefusal("stsz", u"The video of <%s> lists more samples than the file has room for\n");
    if (video.timescale == 0)
        throw std::logic_error("mdhd");
    if (SamplesWithTimes(video) < frames)
        throw std::logic_error("stts");
    RequireShortFrames(video, frames);
    for (uint32_t sync : video.syncSamples)
        if (sync >= frames)
            throw std::logic_error("stss");
}

void FinishTracks()
{
    Mp4ParseState& state = *gParseState;
    state.videoTrack = ShownVideoTrack(state);
    state.soundTrack = FirstTrackWithHandler(state, kSoundHandler);
    const Mp4Track* video = state.VideoTrack();
    if (!video) {
        PublishFrameCount(0);
        return;
    }
    uint32_t samples = video->SizeTableEntries();
    uint64_t totalTime = 0;
    std::vector<uint64_t> decodeTimes = SampleTimesOf(*video, samples, totalTime);
    ShownFrames shown = FindShownFrames(*video, decodeTimes, totalTime, state.movieTimescale);
    // Frame n takes the time of the n-th sample in presentation order, so a
    // trimmed clip keeps its recording times.
    state.sampleTimes.clear();
    state.sampleTimes.reserve(shown.ranks.size());
    for (uint32_t rank : shown.ranks)
        state.sampleTimes.push_back(decodeTimes[rank]);
    state.shownTimes = std::move(shown.times);
    state.shownEnd = shown.end;
    state.shownStart = shown.start;
    state.presentationRanks = std::move(shown.ranks);
    state.pictureTimes = std::move(shown.pictureTimes);
    state.syncFrames = std::move(shown.syncFrames);
    state.syncPlaces = std::move(shown.syncPlaces);
    state.frameCount = static_cast<uint32_t>(state.presentationRanks.size());
    state.timescale = video->timescale;
    state.averageSampleDelta = AverageDelta(totalTime, samples);
    PublishFrameCount(state.frameCount);
    state.profile = video->profile;
    state.level = video->level;
    state.gopLength = GopLengthOf(video->syncSamples);
    // Without a time scale nothing of the sound can be timed; the job
    // says so when it wants the sound.
    const Mp4Track* sound = state.SoundTrack();
    if (sound && sound->timescale != 0)
        state.soundPieces = FindShownSound(*sound, state.movieTimescale);
}

uint32_t GetVideoFrameCount()
{
    return gParseState->frameCount;
}

}  // namespace wuvo
