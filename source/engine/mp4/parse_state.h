#pragma once

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

#include "engine/mp4/frame_date_time.h"
#include "engine/mp4/shown_frames.h"
#include "engine/mp4/track.h"

namespace wuvo {

// The movie of the file last checked; shared by the job and the preview and
// written by the reader without a lock (the two never read files at once).
struct Mp4ParseState {
    // Bytes of the file checked: what its sample tables may point into.
    uint64_t fileSize = 0;
    uint64_t ftypSize = 0;
    uint8_t* ftypBuffer = nullptr;  // malloc'ed
    uint64_t moovOffset = ~uint64_t{0};
    uint64_t moovSize = 0;
    uint8_t* moovBuffer = nullptr;  // malloc'ed: header as read, then body
    uint32_t movieCreationTime = 0;
    uint32_t movieModificationTime = 0;
    uint32_t movieTimescale = 0;
    uint32_t movieDuration = 0;
    uint32_t preferredRate = 0;
    uint16_t preferredVolume = 0;
    uint32_t nextTrackId = 0;
    // Set by the `mvhd` box: a movie without one has no date of its own.
    uint8_t movieHeaderRead = 0;
    std::vector<Mp4Track> tracks;
    // Indexes into `tracks`: references would dangle as the vector grows.
    std::optional<size_t> videoTrack;
    std::optional<size_t> soundTrack;
    FrameDateTime firstDate;
    FrameDateTime lastDate;
    // Per frame the edit list shows, the decode time of the sample whose
    // place in presentation order it holds.
    std::vector<uint64_t> sampleTimes;
    // Per frame, when players show it: its presentation time placed by the
    // edit list, counted from the first frame (track units); and when the
    // last frame stops showing.
    std::vector<uint64_t> shownTimes;
    uint64_t shownEnd = 0;
    // When the first frame shows on the movie's timeline (track units).
    int64_t shownStart = 0;
    // Per frame, its sample's place in presentation order: the edit list's
    // choice among the pictures a decoder shows.
    std::vector<uint32_t> presentationRanks;
    // Per place in presentation order, the presentation time the decoder
    // gives the picture, in the media (track units): a picture is known by
    // it, also when the decoder leaves others out.
    std::vector<int64_t> pictureTimes;
    // The places in presentation order of the sync samples, where a decode
    // can start, in order; none when every sample is one.
    std::vector<uint32_t> syncPlaces;
    // Frames the edit list shows, and which of them are sync samples.
    uint32_t frameCount = 0;
    std::vector<uint32_t> syncFrames;
    uint32_t timescale = 0;
    uint32_t averageSampleDelta = 0;
    uint16_t profile = 0;
    uint16_t level = 0;
    uint32_t gopLength = 0;
    uint8_t parseFinished = 0;
    // The pieces of the sound track's media that its edit list shows, one
    // after the other (sound track units); none without a timed sound track.
    std::vector<MediaPiece> soundPieces;
    // Why the last check refused the file, in words: a message with one %s,
    // the path; none when the reader's error says all.
    const char16_t* refusal = nullptr;

    void Create();
    void Reset();
    void Destroy() { Reset(); }

    Mp4Track* CurrentTrack() { return tracks.empty() ? nullptr : &tracks.back(); }
    const Mp4Track* VideoTrack() const { return videoTrack ? &tracks[*videoTrack] : nullptr; }
    const Mp4Track* SoundTrack() const { return soundTrack ? &tracks[*soundTrack] : nullptr; }
};

// Frame n's sample time in track units; past the table it runs on by the
// average delta.
uint64_t FrameSampleTime(const Mp4ParseState& state, uint32_t frame);
// Whether frame n lies at or past the end of the shown times: no frame
// after it starts later, and the track ends where it starts.
bool FrameEndsTheTrack(const Mp4ParseState& state, uint32_t frame);
// How long frame n shows in track units: up to the next frame's shown
// time, or for the last frame to `shownEnd`; none for a frame that shares
// its time with a later one; the average delta for a frame that ends the
// track without a length of its own.
uint64_t FrameShowTime(const Mp4ParseState& state, uint32_t frame);

}  // namespace wuvo
