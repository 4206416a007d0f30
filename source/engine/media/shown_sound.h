#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "engine/mp4/shown_frames.h"
#include "platform/media/source_reader.h"

namespace wuvo {

// A sound track as players play it: the pieces of its media that its edit
// list shows, one after the other, as often and in the order it shows
// them, and silence where the list pauses between them. Read from the
// track's own samples, the container's edit lists ignored.
class ShownSound {
public:
    // `reader` delivers the sound track's PCM; `pieces` are in the track's
    // `timescale`.
    ShownSound(std::unique_ptr<platform::SourceReader> reader, const std::vector<MediaPiece>& pieces,
               uint32_t timescale);

    const platform::AudioFormat& Format() const { return reader_->CurrentAudioFormat(); }
    // When the sound starts on the file's clock (100 ns): after the pause
    // the edit list makes before its first piece.
    int64_t Start() const { return start_; }

    // The next stretch of the sound, valid until the next Read. EndOfStream
    // after the last piece; Error when the media cannot be read.
    platform::ReadStatus Read(platform::MediaSample& sample);

private:
    // A piece in PCM samples of the media, after `pause` samples of silence.
    struct Piece {
        int64_t start = 0;
        int64_t end = 0;
        int64_t pause = 0;
    };
    // The decoded frame at hand: its first sample's place in the media.
    struct Decoded {
        int64_t start = 0;
        int64_t count = 0;
        const uint8_t* pcm = nullptr;
    };

    void StartPiece(size_t piece);
    platform::ReadStatus Silence(platform::MediaSample& sample);
    platform::ReadStatus Take(int64_t from, int64_t end, platform::MediaSample& sample);
    platform::ReadStatus DecodeTowards(int64_t wanted);
    int64_t ToSamples(int64_t time) const;
    int64_t FromSamples(int64_t samples) const;

    std::unique_ptr<platform::SourceReader> reader_;
    uint32_t timescale_;
    uint32_t rate_;
    size_t frameBytes_;
    std::vector<Piece> pieces_;
    int64_t start_ = 0;
    size_t piece_ = 0;
    int64_t taken_ = 0;         // of the current piece
    int64_t silenceLeft_ = 0;   // before it
    bool soughtForPiece_ = false;
    std::optional<Decoded> decoded_;
    // Where the decoder's next frame starts in the media; unknown after a seek.
    std::optional<int64_t> decoderAt_ = 0;
    std::vector<uint8_t> silence_;
};

}  // namespace wuvo
