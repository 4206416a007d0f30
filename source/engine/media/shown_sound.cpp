#include "engine/media/shown_sound.h"

#include <algorithm>
#include <limits>

#include "engine/media/output_timeline.h"

namespace wuvo {

namespace {

using platform::MediaSample;
using platform::ReadStatus;
using platform::StreamKind;

// Sound up to ten seconds ahead of the decoder is decoded on to rather than
// sought: a clip trimmed there keeps the very sound a decode from its start
// gives, for a few milliseconds of decoding.
constexpr int64_t kDecodeOnSeconds = 10;
// A decoder of lapped transforms (AAC, Opus) rebuilds a frame's first
// samples from the frames before: a seek lands a quarter of a second before
// the sound wanted, longer than an AAC frame lasts at 8 kHz (128 ms).
constexpr int64_t kPrerollsPerSecond = 4;
// Silence comes in stretches of an AAC frame.
constexpr int64_t kSilenceSamples = 1024;

// value x multiplier / divisor, held to half the 64-bit range, so that a
// count can be added to it.
int64_t Rescale(int64_t value, uint32_t multiplier, uint32_t divisor)
{
    if (divisor == 0)
        return 0;
    __int128 scaled = static_cast<__int128>(value) * multiplier / divisor;
    constexpr int64_t kMost = std::numeric_limits<int64_t>::max() / 2;
    return static_cast<int64_t>(std::clamp<__int128>(scaled, -kMost, kMost));
}

}  // namespace

ShownSound::ShownSound(std::unique_ptr<platform::SourceReader> reader, const std::vector<MediaPiece>& pieces,
                       uint32_t timescale)
    : reader_(std::move(reader)),
      timescale_(timescale),
      rate_(reader_->CurrentAudioFormat().sampleRate),
      frameBytes_(size_t{reader_->CurrentAudioFormat().channels} * sizeof(int16_t))
{
    int64_t reached = 0;  // where the piece before stops showing, on the timeline
    bool timed = timescale_ != 0 && rate_ != 0 && frameBytes_ != 0;
    for (size_t i = 0; i < pieces.size() && timed; ++i) {
        const MediaPiece& piece = pieces[i];
        if (i == 0)
            start_ = ToTimeUnits(piece.position, timescale_);
        int64_t pause = i == 0 ? 0 : ToSamples(std::max<int64_t>(piece.position - reached, 0));
        pieces_.push_back({ToSamples(piece.mediaTime), ToSamples(piece.end), pause});
        reached = piece.position + std::max<int64_t>(piece.end - piece.mediaTime, 0);
    }
    silence_.assign(kSilenceSamples * frameBytes_, 0);
    StartPiece(0);
}

ReadStatus ShownSound::Read(MediaSample& sample)
{
    for (;;) {
        sample = MediaSample{};
        if (piece_ >= pieces_.size())
            return ReadStatus::EndOfStream;
        if (silenceLeft_ > 0)
            return Silence(sample);
        const Piece& piece = pieces_[piece_];
        int64_t wanted = piece.start + taken_;
        if (wanted >= piece.end) {
            StartPiece(piece_ + 1);
            continue;
        }
        if (decoded_ && decoded_->start <= wanted && wanted < decoded_->start + decoded_->count)
            return Take(wanted, piece.end, sample);
        ReadStatus decoded = DecodeTowards(wanted);
        if (decoded == ReadStatus::EndOfStream)  // the media ends before the piece does
            StartPiece(piece_ + 1);
        else if (decoded != ReadStatus::Sample)  // an error, or a stop
            return decoded;
    }
}

void ShownSound::StartPiece(size_t piece)
{
    piece_ = piece;
    taken_ = 0;
    soughtForPiece_ = false;
    silenceLeft_ = piece < pieces_.size() ? pieces_[piece].pause : 0;
}

ReadStatus ShownSound::Silence(MediaSample& sample)
{
    int64_t count = std::min(silenceLeft_, kSilenceSamples);
    silenceLeft_ -= count;
    sample.pcm = silence_.data();
    sample.pcmBytes = static_cast<size_t>(count) * frameBytes_;
    sample.duration = count * platform::kTimeUnitsPerSecond / rate_;
    return ReadStatus::Sample;
}

ReadStatus ShownSound::Take(int64_t from, int64_t end, MediaSample& sample)
{
    int64_t count = std::min(decoded_->start + decoded_->count, end) - from;
    sample.pcm = decoded_->pcm + static_cast<size_t>(from - decoded_->start) * frameBytes_;
    sample.pcmBytes = static_cast<size_t>(count) * frameBytes_;
    sample.duration = count * platform::kTimeUnitsPerSecond / rate_;
    taken_ += count;
    return ReadStatus::Sample;
}

// Decodes the next frame on the way to sample `wanted` of the media. The
// decoder is moved at most once for each piece, so that a seek that lands
// short of the piece is decoded on from, and one that lands past its start
// starts it where the media resumes.
ReadStatus ShownSound::DecodeTowards(int64_t wanted)
{
    bool onTheWay = decoderAt_ && *decoderAt_ <= wanted && wanted - *decoderAt_ <= rate_ * kDecodeOnSeconds;
    if (!onTheWay && !soughtForPiece_) {
        soughtForPiece_ = true;
        decoded_.reset();
        decoderAt_.reset();
        if (!reader_->SeekAudio(FromSamples(std::max<int64_t>(wanted - rate_ / kPrerollsPerSecond, 0))))
            return ReadStatus::Error;
    }
    MediaSample frame;
    ReadStatus status = reader_->ReadSample(StreamKind::Audio, frame);
    if (status != ReadStatus::Sample) {
        decoded_.reset();
        return status;
    }
    int64_t start = decoderAt_ ? *decoderAt_ : ToSamples(frame.timestamp);
    if (start > wanted)
        taken_ = start - pieces_[piece_].start;
    decoded_ = Decoded{start, static_cast<int64_t>(frame.pcmBytes / frameBytes_), frame.pcm};
    decoderAt_ = start + decoded_->count;
    return ReadStatus::Sample;
}

int64_t ShownSound::ToSamples(int64_t time) const
{
    return Rescale(time, rate_, timescale_);
}

int64_t ShownSound::FromSamples(int64_t samples) const
{
    return Rescale(samples, timescale_, rate_);
}

}  // namespace wuvo
