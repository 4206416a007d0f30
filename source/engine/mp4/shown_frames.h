#pragma once

#include <cstdint>
#include <vector>

#include "engine/mp4/track.h"

namespace wuvo {

// The frames of a track as players show it: its samples in presentation
// order (decode time plus composition offset), only those inside the edit
// list's segments, segment after segment.
struct ShownFrames {
    // Per frame, its sample's place in presentation order.
    std::vector<uint32_t> ranks;
    // Per frame, when it shows as the edit list places it, counted from the
    // first frame (track units), and when the last frame stops showing.
    std::vector<uint64_t> times;
    uint64_t end = 0;
    // The frames that show sync samples, in order.
    std::vector<uint32_t> syncFrames;
    // Per place in presentation order, the sample's presentation time in
    // the media (track units): the time a decoder gives its picture.
    std::vector<int64_t> pictureTimes;
    // The sync samples' places in presentation order, in order; none when
    // the track lists none (every sample is one).
    std::vector<uint32_t> syncPlaces;
};

// `decodeTimes` holds one time per sample, `decodeEnd` the time after the
// last. Throws the reader error "elst" when the edit list shows no frame at
// all, or repeats the media far more often than pieces that overlap do.
ShownFrames FindShownFrames(const Mp4Track& track, const std::vector<uint64_t>& decodeTimes, uint64_t decodeEnd,
                            uint32_t movieTimescale);

// Whether the track's edit list pauses (an empty edit) after showing media.
bool PausesAfterMedia(const Mp4Track& track);

}  // namespace wuvo
