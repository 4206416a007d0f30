#pragma once

#include <cstdint>
#include <vector>

#include "engine/mp4/track.h"

namespace wuvo {

// A day: no camera records one clip for longer. What an edit list lays out
// on the movie's timeline is held to it, since its sound, its repeats and
// its pauses cost work for every second they last.
constexpr uint64_t kLongestShownSeconds = 24 * 60 * 60;
// The frames of a day at 30 frames a second (half a day at 60): an edit
// list may show no more, unless the track holds more samples, as every
// frame it lists takes memory.
constexpr uint64_t kMostShownFrames = kLongestShownSeconds * 30;
// An hour: no camera holds one picture longer, and an output's track unit
// can still time such a frame.
constexpr uint64_t kLongestFrameSeconds = 60 * 60;

// A piece of a track's media that its edit list shows: from `mediaTime` up
// to `end`, shown from `position` on the movie's timeline (track units).
struct MediaPiece {
    int64_t mediaTime = 0;
    int64_t end = 0;
    int64_t position = 0;
};

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
    // When the first frame shows on the movie's timeline (track units):
    // where the edit list places it, or without one at its own
    // presentation time.
    int64_t start = 0;
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
// all, and refuses (ReaderRefusal) a list that shows more than
// kMostShownFrames beyond the track's samples, runs on for more than
// kLongestShownSeconds or holds a picture for more than
// kLongestFrameSeconds.
ShownFrames FindShownFrames(const Mp4Track& track, const std::vector<uint64_t>& decodeTimes, uint64_t decodeEnd,
                            uint32_t movieTimescale);

// The pieces of a sound track's media that its edit list shows, in order,
// none running past the media's end and none empty; without a list, the
// whole media. A list that runs on for more than kLongestShownSeconds is
// refused (ReaderRefusal "elst").
std::vector<MediaPiece> FindShownSound(const Mp4Track& track, uint32_t movieTimescale);

}  // namespace wuvo
