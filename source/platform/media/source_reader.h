#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/media/colour_description.h"
#include "platform/media/plane_rotation.h"

namespace wuvo::platform {

enum class StreamKind { Video, Audio };

// Times and durations are in 100 ns units, from the start of the stream.
constexpr int64_t kTimeUnitsPerSecond = 10'000'000;

// What the video stream delivers: frames as the picture is meant to be seen,
// so a display matrix (a phone held upright, a front camera's mirror) is
// already applied and the size is the turned size.
struct VideoFormat {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t rateNumerator = 0;
    uint32_t rateDenominator = 0;
    bool interlaced = false;
    // The turn applied to the coded pictures.
    PictureTurn turn;
    // How the delivered pictures' colours are to be read: the source's own,
    // what it leaves unnamed as players read it, or BT.709 for an HDR
    // source, whose pictures are delivered as SDR. The range is always
    // limited.
    ColourDescription colour;
    // The source's pictures are HDR (PQ or HLG), delivered converted to SDR.
    bool hdr = false;
    // The pixel aspect the container stores with the samples (an MP4
    // sample description's 'pasp' box), for the upright pictures; 1:1
    // without one.
    uint32_t aspectX = 1;
    uint32_t aspectY = 1;
};

// Interleaved signed 16-bit PCM.
struct AudioFormat {
    uint32_t sampleRate = 0;
    uint32_t channels = 0;
    uint32_t bitsPerSample = 16;
};

// One decoded I420 picture. Plane i has rows of pitch[i] bytes and
// planeBytes[i] bytes in all; the chroma planes are half size.
struct VideoFrame {
    const uint8_t* planes[3] = {};
    uint32_t pitch[3] = {};
    size_t planeBytes[3] = {};
    uint32_t width = 0;
    uint32_t height = 0;
};

struct MediaSample {
    int64_t time = 0;
    int64_t duration = 0;
    // The sample's presentation time as the container stores it, in the
    // track's own units: what tells a picture apart, also where a decoder
    // leaves others out, and where a piece of sound lies in its media.
    int64_t timestamp = 0;
    VideoFrame video;          // video samples
    const uint8_t* pcm = nullptr;  // audio samples
    size_t pcmBytes = 0;
};

// Stopped: the stop check said so before the stream gave what was asked.
enum class ReadStatus { Sample, EndOfStream, Error, Stopped };

// Whether the reader applies the file's edit lists, or delivers every coded
// sample of the media in order, each at its own media time.
enum class EditLists { Applied, Ignored };

// Decodes one video and one audio stream of a file: the ones FFmpeg finds
// best, or the tracks asked for. A sample's
// data stays valid until the next ReadSample or Seek.
class SourceReader {
public:
    SourceReader();
    ~SourceReader();
    SourceReader(const SourceReader&) = delete;
    SourceReader& operator=(const SourceReader&) = delete;

    // Asked before every packet is read and while a read waits for the file:
    // once it says stop, a read ends as Stopped and a seek fails, at the
    // latest one packet or picture later. Given before Open, it also ends an
    // open that takes long.
    void SetStopCheck(std::function<bool()> stopRequested);

    // `path` is UTF-8.
    bool Open(const std::string& path, EditLists edits = EditLists::Applied);

    // Takes the container's track at `place` (counted from 0 in file order)
    // as the video or audio stream in place of the one Open chose, when it
    // is of that kind and has the MP4 track ID `trackId`; otherwise the
    // stream is missing. Two tracks may carry the same ID. Call before
    // SetOutputFormat.
    bool SelectTrack(StreamKind kind, uint32_t place, uint32_t trackId);

    bool HasStream(StreamKind kind) const;
    // Only selected streams are read; both are selected after Open.
    void SetStreamSelection(StreamKind kind, bool selected);
    bool IsStreamSelected(StreamKind kind) const;

    // Prepares decoding to I420 (video) or 16-bit PCM (audio); false when the
    // stream is missing or cannot be decoded.
    bool SetOutputFormat(StreamKind kind);
    const VideoFormat& CurrentVideoFormat() const;
    const AudioFormat& CurrentAudioFormat() const;

    // The next decoded sample. An audio packet the decoder refuses is
    // skipped; so is a video packet, but video packets refused up to the end
    // of the stream are an Error. Sound comes as the decoder gives it, every
    // coded frame whole.
    ReadStatus ReadSample(StreamKind kind, MediaSample& sample);

    // Passes over the next video packet, in decode order, without decoding
    // it: its duration as the container gives it, none at the end. For a
    // reader that only looks at a file.
    std::optional<int64_t> SkipVideoPacket();

    // Positions the video stream so that the next sample is the first
    // picture shown at or after `timestamp` (in the track's own units, as
    // samples carry it): the same picture a decode from the start gives
    // there. Before the first sync sample the decode starts at the first
    // sample, listed as a sync sample or not.
    bool Seek(int64_t timestamp);

    // Positions the audio stream so that the next sample is the one that
    // holds `timestamp` (the track's own units) or one before it.
    bool SeekAudio(int64_t timestamp);

    // The video stream ends once the decoder has had every packet that can
    // hold a picture shown up to `timestamp`: the reads give the pictures it
    // holds, then the end. A Seek starts the stream again, with the same end.
    void EndVideoAfter(int64_t timestamp);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace wuvo::platform
