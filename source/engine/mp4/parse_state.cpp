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
    std::vector<uint32_t>().swap(presentationRanks);
    frameCount = 0;
    std::vector<uint32_t>().swap(syncFrames);
    timescale = 0;
    averageSampleDelta = 0;
    profile = 0;
    level = 0;
    gopLength = 0;
    parseFinished = 0;
}

}  // namespace wuvo
