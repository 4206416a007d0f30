#include "engine/media/media_input.h"

#include <algorithm>
#include <mutex>
#include <numeric>
#include <optional>

#include "engine/media/output_size.h"
#include "engine/media/track_decode.h"
#include "engine/mp4/parse_state.h"
#include "engine/pipeline/shared_objects.h"
#include "platform/media/codec_check.h"
#include "platform/text/format.h"
#include "platform/text/utf.h"

namespace wuvo {

namespace {

using platform::MediaSample;
using platform::ReadStatus;
using platform::SourceReader;
using platform::StreamKind;
using platform::kTimeUnitsPerSecond;

// The first frames of a file often last longer or shorter than the rest;
// the probe takes the duration of the sixth.
constexpr int kFramesBeforeDurationSample = 5;
// A frame lasting about 1.78 to 2.67 nominal periods means the rate was
// reported twice too high.
constexpr int64_t kDoubledRateNumerator = 9;
constexpr int64_t kDoubledRateDenominator = 8;
constexpr int64_t kDoubledRateQuotient = 2;

// One frame's length at the nominal rate; 0 when the rate is unknown.
int64_t NominalPeriod(uint32_t numerator, uint32_t denominator)
{
    if (numerator == 0)
        return 0;
    return static_cast<int64_t>(uint64_t{denominator} * kTimeUnitsPerSecond / numerator);
}

// The duration of the sixth frame; for a shorter file that of its last
// frame, and without frames none. The container's durations are what the
// decoder hands out with the frames, so they are read without decoding:
// decoding frames only to learn one's length cost every file its start.
std::optional<int64_t> SampleFrameDuration(SourceReader& reader)
{
    std::optional<int64_t> duration;
    for (int read = 0; read <= kFramesBeforeDurationSample; ++read) {
        std::optional<int64_t> next = reader.SkipVideoPacket();
        if (!next)
            break;
        duration = next;
    }
    return duration;
}

void ProbeAudio(SourceReader& reader, StampJob& job)
{
    job.hasAudio = 0;
    if (!reader.IsStreamSelected(StreamKind::Audio))
        return;
    MediaSample sample;
    if (reader.ReadSample(StreamKind::Audio, sample) != ReadStatus::Sample)
        return;
    job.hasAudio = 1;
    job.audioSampleRate = reader.CurrentAudioFormat().sampleRate;
    job.audioChannels = reader.CurrentAudioFormat().channels;
}

// A short file, or one whose sixth frame has no duration, falls back to the
// nominal period; a file without a rate takes it from the frame duration.
bool SettleFrameTiming(StampJob& job, std::optional<int64_t> sampled)
{
    int64_t nominal = NominalPeriod(job.rateNumerator, job.rateDenominator);
    job.frameDuration = sampled && *sampled > 0 ? *sampled : nominal;
    if (job.frameDuration <= 0)
        return false;
    if (nominal == 0) {
        job.rateNumerator = static_cast<uint32_t>(kTimeUnitsPerSecond);
        job.rateDenominator = static_cast<uint32_t>(job.frameDuration);
        return true;
    }
    int64_t periods = job.frameDuration * kDoubledRateNumerator / kDoubledRateDenominator / nominal;
    if (periods == kDoubledRateQuotient)
        job.rateNumerator >>= 1;
    return true;
}

bool FitsFramePool(const StampJob& job)
{
    return job.sourceWidth != 0 && job.sourceHeight != 0 && FitsFrameSlot(job.sourceWidth, job.sourceHeight);
}

void LogFrameTooLarge(const StampJob& job)
{
    std::u16string text = platform::FormatText(u"Video resolution too large: width = %d, height = %d.",
                                               job.sourceWidth, job.sourceHeight);
    LogJobMessage(job, text.c_str());
}

struct PixelAspect {
    uint32_t x = 1;
    uint32_t y = 1;
};

// The display size of the track header, turned as the pictures are, when it
// is not their decoded size; players then show the pictures at it.
std::optional<FrameSize> DisplaySizeOtherThan(const platform::VideoFormat& video)
{
    const Mp4Track* track = gParseState->VideoTrack();
    if (!track || video.width == 0 || video.height == 0)
        return std::nullopt;
    bool swapped = GetVideoTurn().IsQuarter();
    FrameSize display{swapped ? track->height : track->width, swapped ? track->width : track->height};
    if (display.width == 0 || display.height == 0 || display == FrameSize{video.width, video.height})
        return std::nullopt;
    return display;
}

// The track header holds the display size; when it differs from the decoded
// size, the pixels are not square. A track header of the decoded size
// leaves the pixel aspect to the one stored with the samples.
PixelAspect SourcePixelAspect(const platform::VideoFormat& video)
{
    std::optional<FrameSize> display = DisplaySizeOtherThan(video);
    if (!display)
        return {video.aspectX, video.aspectY};
    // Exact: thousandths would tell players 1333:1000 for 4:3.
    uint64_t x = uint64_t{display->width} * video.height;
    uint64_t y = uint64_t{display->height} * video.width;
    uint64_t common = std::gcd(x, y);
    return {static_cast<uint32_t>(x / common), static_cast<uint32_t>(y / common)};
}

// The shape players show the source in, exactly: the thousandths of the
// pixel aspect would make a 4:3 picture a pixel or two narrower.
ShownShape SourceShape(const platform::VideoFormat& video)
{
    if (std::optional<FrameSize> display = DisplaySizeOtherThan(video))
        return {*display, 1, 1};
    return {{video.width, video.height}, video.aspectX, video.aspectY};
}

// What the preview and the stamper need to show the pool's pictures as
// players show them.
void DescribePoolPictures(const platform::VideoFormat& video, PixelAspect aspect)
{
    std::lock_guard guard(gFramePool->lock);
    gFramePool->aspectX = aspect.x;
    gFramePool->aspectY = aspect.y;
    gFramePool->colour = video.colour;
}

// A size from the table holds the source the way players show it, upright
// or not, in its own shape. The target stays in the size table's
// orientation, before the turn, as the encoder expects it.
void FitTargetToShape(StampJob& job, bool swapped, const ShownShape& source)
{
    FrameSize shown = FitShapeInTarget(OrientTargetAsShown({job.targetWidth, job.targetHeight}, source), source);
    job.targetWidth = swapped ? shown.height : shown.width;
    job.targetHeight = swapped ? shown.width : shown.height;
}

// A picture scaled to another size fills that frame: its pixels are square
// there, or players would stretch it again.
void FitAspectToTarget(StampJob& job, bool swapped)
{
    uint32_t encodedWidth = swapped ? job.targetHeight : job.targetWidth;
    uint32_t encodedHeight = swapped ? job.targetWidth : job.targetHeight;
    if (encodedWidth != job.sourceWidth || encodedHeight != job.sourceHeight)
        job.aspectX = job.aspectY = 1;
}

bool IsNativeSize(const StampJob& job)
{
    return job.targetWidth == 1 && job.targetHeight == 1;
}

}  // namespace

bool OpenReaderOnTracks(SourceReader& reader, const char16_t* path, platform::EditLists edits)
{
    if (!path || !reader.Open(platform::ToUtf8(path), edits))
        return false;
    // The tracks the container reader chose, by their place in the file,
    // where two may carry one ID; without a sound track there is no audio.
    const Mp4ParseState& state = *gParseState;
    auto select = [&](StreamKind kind, std::optional<size_t> place) {
        constexpr uint32_t kNoTrack = UINT32_MAX;
        return place ? reader.SelectTrack(kind, static_cast<uint32_t>(*place), state.tracks[*place].trackId)
                     : reader.SelectTrack(kind, kNoTrack, 0);
    };
    select(StreamKind::Audio, state.soundTrack);
    return !state.videoTrack || select(StreamKind::Video, state.videoTrack);
}

bool IsHevcCodecAvailable()
{
    return platform::HevcCodecsPresent();
}

bool ConfigureReaderStreams(SourceReader& reader, bool wantVideo, bool wantAudio)
{
    bool result = true;
    if (wantAudio) {
        result = reader.SetOutputFormat(StreamKind::Audio);
        reader.SetStreamSelection(StreamKind::Audio, result);
    } else {
        reader.SetStreamSelection(StreamKind::Audio, false);
    }
    if (wantVideo) {
        result = reader.SetOutputFormat(StreamKind::Video);
        reader.SetStreamSelection(StreamKind::Video, true);
    } else {
        reader.SetStreamSelection(StreamKind::Video, false);
    }
    return result;
}

platform::PictureTurn GetVideoTurn()
{
    const Mp4Track* track = gParseState->VideoTrack();
    if (!track || track->identity)
        return {};
    constexpr int kA = 0, kB = 1, kC = 3, kD = 4;
    const auto& m = track->matrix;
    return platform::TurnOfMatrix(m[kA], m[kB], m[kC], m[kD]);
}

uint32_t GetVideoRotation(int direction, bool* swapped)
{
    platform::PictureTurn turn = GetVideoTurn();
    *swapped = turn.IsQuarter();
    constexpr int kWholeTurn = 360;
    // The input's frames carry the turn back.
    bool input = direction == kRotationOfInput;
    return static_cast<uint32_t>(input ? (kWholeTurn - turn.degrees) % kWholeTurn : turn.degrees);
}

void ProbeInputWithMf(StampJob& job)
{
    // The formats and the first frames' lengths do not depend on the edit
    // list, whose processing can cost FFmpeg far more than the file's size.
    SourceReader reader;
    if (!OpenReaderOnTracks(reader, job.inputPath, platform::EditLists::Ignored) ||
        !ConfigureReaderStreams(reader, true, true))
        return;
    ProbeAudio(reader, job);

    const platform::VideoFormat& video = reader.CurrentVideoFormat();
    job.sourceWidth = video.width;
    job.sourceHeight = video.height;
    job.rateNumerator = video.rateNumerator;
    job.rateDenominator = video.rateDenominator;
    job.progressive = video.interlaced ? 0 : 1;
    job.colour = video.colour;
    job.hdrSource = video.hdr ? 1 : 0;
    if (!SettleFrameTiming(job, SampleFrameDuration(reader)))
        return;
    if (!FitsFramePool(job)) {
        LogFrameTooLarge(job);
        return;
    }
    gFramePool->width = job.sourceWidth;
    gFramePool->height = job.sourceHeight;

    bool swapped = false;
    GetVideoRotation(kRotationOfInput, &swapped);
    PixelAspect aspect = SourcePixelAspect(video);
    DescribePoolPictures(video, aspect);
    // The batch leaves the aspect square for the probe to fill.
    if (job.aspectX == job.aspectY) {
        job.aspectX = aspect.x;
        job.aspectY = aspect.y;
    }
    // The reader delivers upright frames; the native size is theirs, turned
    // back into the size table's orientation.
    if (IsNativeSize(job)) {
        job.targetWidth = swapped ? job.sourceHeight : job.sourceWidth;
        job.targetHeight = swapped ? job.sourceWidth : job.sourceHeight;
    } else {
        FitTargetToShape(job, swapped, SourceShape(video));
    }
    FitAspectToTarget(job, swapped);

    gFramePool->rateNumerator = job.rateNumerator;
    gFramePool->rateDenominator = job.rateDenominator;
    gFramePool->progressive = job.progressive;
}

uint32_t DecodeWithMf(const char16_t* path, const DecoderCallbacks& callbacks)
{
    // Every sample goes to the decoder, edit list or not, so that none
    // loses the pictures it refers to; the frames are picked from the
    // pictures by their times, as the container reader lists them.
    SourceReader reader;
    reader.SetStopCheck([] { return IsAbortRequested(*gDecodeState); });
    if (!OpenReaderOnTracks(reader, path, platform::EditLists::Ignored) ||
        !ConfigureReaderStreams(reader, true, false))
        return kDecodeFailed;
    const platform::VideoFormat& video = reader.CurrentVideoFormat();
    DecodeTarget target{callbacks, video.width, video.height};
    bool preview = callbacks.seekFlag == 1;
    if (preview) {  // the preview reads the size to tell a frame too large
        callbacks.setSize(target.width, target.height);
        DescribePoolPictures(video, SourcePixelAspect(video));
    }
    if (!FitsFrameSlot(target.width, target.height))
        return kDecodeFailed;
    return preview ? DecodeOneFrame(reader, target) : DecodeTrackFrames(reader, target);
}

}  // namespace wuvo
