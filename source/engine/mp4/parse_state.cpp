#include "engine/mp4/parse_state.h"

namespace wuvo {

void Mp4ParseState::Create()
{
    ftypBuffer = nullptr;
    moovBuffer = nullptr;
    Reset();
}

void Mp4ParseState::Reset()
{
    std::free(ftypBuffer);
    std::free(moovBuffer);
    ftypBuffer = nullptr;
    moovBuffer = nullptr;
    fileSize = 0;
    ftypSize = 0;
    moovOffset = ~uint64_t{0};
    moovSize = 0;
    movieCreationTime = 0;
    movieModificationTime = 0;
    movieTimescale = 0;
    movieDuration = 0;
    preferredRate = 0;
    preferredVolume = 0;
    nextTrackId = 0;
    movieHeaderRead = 0;
    std::vector<Mp4Track>().swap(tracks);
    videoTrack.reset();
    soundTrack.reset();
    std::vector<uint64_t>().swap(sampleTimes);
    std::vector<uint64_t>().swap(shownTimes);
    shownEnd = 0;
    shownStart = 0;
    std::vector<uint32_t>().swap(presentationRanks);
    std::vector<int64_t>().swap(pictureTimes);
    std::vector<uint32_t>().swap(syncPlaces);
    frameCount = 0;
    std::vector<uint32_t>().swap(syncFrames);
    timescale = 0;
    averageSampleDelta = 0;
    profile = 0;
    level = 0;
    gopLength = 0;
    parseFinished = 0;
    std::vector<MediaPiece>().swap(soundPieces);
    refusal = nullptr;
}

uint64_t FrameSampleTime(const Mp4ParseState& state, uint32_t frame)
{
    const std::vector<uint64_t>& times = state.sampleTimes;
    if (frame < times.size())
        return times[frame];
    uint64_t last = times.empty() ? 0 : times.back();
    uint64_t beyond = times.empty() ? frame : frame - (times.size() - 1);
    return last + beyond * state.averageSampleDelta;
}

bool FrameEndsTheTrack(const Mp4ParseState& state, uint32_t frame)
{
    const std::vector<uint64_t>& times = state.shownTimes;
    return frame >= times.size() || (times.back() <= times[frame] && state.shownEnd <= times[frame]);
}

uint64_t FrameShowTime(const Mp4ParseState& state, uint32_t frame)
{
    const std::vector<uint64_t>& times = state.shownTimes;
    if (FrameEndsTheTrack(state, frame))
        return state.averageSampleDelta;
    uint64_t end = frame + 1 < times.size() ? times[frame + 1] : state.shownEnd;
    // A frame that shares its time with the next (recordings joined without
    // retiming) gives way to it, so that the frames after keep their times.
    return end > times[frame] ? end - times[frame] : 0;
}

}  // namespace wuvo
