#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/media/colour_description.h"
#include "platform/media/track_clock.h"

namespace wuvo::platform {

// An HEVC stream made from packed I420 frames. Frames handed in at the input
// size are scaled to the encoded size.
struct VideoEncoding {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t inputWidth = 0;
    uint32_t inputHeight = 0;
    // Frames per second that rate control budgets each frame's bits by.
    uint32_t rateNumerator = 0;
    uint32_t rateDenominator = 0;
    uint32_t bitrate = 0;  // bit/s
    // A longest frame of 0 stands for one frame at the rate.
    TrackTiming timing;
    uint32_t aspectX = 1;  // pixel aspect ratio
    uint32_t aspectY = 1;
    // Written into the stream with limited range, the only range encoded.
    ColourDescription colour;
};

// An HEVC stream encoded elsewhere, written as its pictures come, with the
// parameter sets (Annex B) of its first picture.
struct PassThroughVideo {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t aspectX = 1;
    uint32_t aspectY = 1;
    ColourDescription colour;  // limited range, as the encoder was told
    std::vector<uint8_t> parameterSets;
    TrackTiming timing;
    // At most how many places a picture arrives after its display position.
    int reorderDepth = 0;
};

// An AAC stream made from interleaved signed 16-bit PCM, at the rate AAC
// carries nearest the PCM's own (the sound resampled when they differ).
struct AudioEncoding {
    uint32_t sampleRate = 0;  // the PCM's
    uint32_t channels = 0;
    uint32_t bitrate = 0;  // bit/s
    int64_t startTime = 0;  // when its first sample plays (100 ns)
};

// Writes one MP4 file. It is written under a temporary name in the same
// folder and takes its own name only when Finalize succeeds, so a failed
// write never replaces an earlier file of that name. Times are in 100 ns
// units.
class SinkWriter {
public:
    SinkWriter();
    ~SinkWriter();
    SinkWriter(const SinkWriter&) = delete;
    SinkWriter& operator=(const SinkWriter&) = delete;

    // `path` is UTF-8. kMediaOk, kMediaFileInUse or kMediaFailed.
    uint32_t Create(const std::string& path);
    // Gives the movie header and the track headers `movieTime`, a creation
    // time as an MP4 movie header holds it (seconds since 1904), as their
    // creation and modification time; 0 leaves them without. Before
    // BeginWriting.
    bool SetCreationTime(uint32_t movieTime);
    bool AddVideoStream(const VideoEncoding& encoding);
    bool AddAudioStream(const AudioEncoding& encoding);
    bool AddPassThroughVideoStream(const PassThroughVideo& video);
    bool BeginWriting();
    // `frame` holds inputWidth x inputHeight x 3 / 2 bytes.
    bool WriteVideoFrame(const uint8_t* frame, int64_t time, int64_t duration);
    // One Annex B picture of the pass-through stream; pictures come in
    // decode order, each with its display time and how long it shows. Its
    // decode time is made as for encoded frames; a picture shown earlier
    // than that fails the write.
    bool WriteVideoPacket(const uint8_t* data, size_t size, int64_t time, int64_t duration, bool randomAccess);
    // The same in two steps: the frame is taken (copied, or scaled to the
    // encoded size) first, so that its memory is free again before the
    // encoder, which may take a while, writes it. Frames come in
    // presentation order; one whose time the track's unit cannot tell from
    // the one before follows that one by a unit.
    bool TakeVideoFrame(const uint8_t* frame);
    bool WriteTakenVideoFrame(int64_t time, int64_t duration);
    // Appends the samples to the audio stream, directly after the last ones
    // (the first at the stream's start time).
    bool WriteAudio(const uint8_t* pcm, size_t bytes);
    bool Finalize();
    // Why the file could not be written: the system's error number (ENOSPC,
    // EACCES, ...) of the failed file operation; 0 when no file operation
    // failed.
    int FileError() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace wuvo::platform
