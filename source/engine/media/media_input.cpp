#include "engine/media/media_input.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <vector>

#include "engine/media/frame_copy.h"
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
// Aspect ratios are kept in thousandths.
constexpr uint32_t kAspectScale = 1000;
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

// The track header holds the display size; when it differs from the decoded
// size, the pixels are not square. A track header of the decoded size
// leaves the pixel aspect to the one stored with the samples.
PixelAspect SourcePixelAspect(const platform::VideoFormat& video)
{
    const Mp4Track* track = gParseState->VideoTrack();
    if (!track || video.width == 0 || video.height == 0)
        return {video.aspectX, video.aspectY};
    bool swapped = GetVideoTurn().IsQuarter();
    uint32_t displayWidth = swapped ? track->height : track->width;
    uint32_t displayHeight = swapped ? track->width : track->height;
    if (displayWidth == video.width && displayHeight == video.height)
        return {video.aspectX, video.aspectY};
    return {displayWidth * kAspectScale / video.width, displayHeight * kAspectScale / video.height};
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

// An output size is meant the way the source is shown: a source shown
// upright (portrait) gets the size's portrait form, so that no picture is
// stretched. The target stays in the size table's orientation, before the
// turn, as the encoder expects it.
void OrientTargetAsShown(StampJob& job, bool swapped, PixelAspect aspect)
{
    bool portrait = uint64_t{job.sourceHeight} * aspect.y > uint64_t{job.sourceWidth} * aspect.x;
    uint32_t longer = std::max(job.targetWidth, job.targetHeight);
    uint32_t shorter = std::min(job.targetWidth, job.targetHeight);
    uint32_t shownWidth = portrait ? shorter : longer;
    uint32_t shownHeight = portrait ? longer : shorter;
    job.targetWidth = swapped ? shownHeight : shownWidth;
    job.targetHeight = swapped ? shownWidth : shownHeight;
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

enum class FrameStore { Stored, NoSlot, Refused };

FrameStore StoreFrame(const DecoderCallbacks& callbacks, const MediaSample& sample, uint32_t frame,
                      uint32_t width, uint32_t height)
{
    uint8_t* buffer = callbacks.getBuffer(frame);
    if (!buffer)
        return FrameStore::NoSlot;
    return CopyI420Frame(sample.video, width, height, buffer, kFrameBufferBytes) ? FrameStore::Stored
                                                                                  : FrameStore::Refused;
}

// A picture by its presentation time: its place in presentation order among
// all the track's pictures; none for a time that no sample has.
std::optional<uint32_t> PlaceOfPicture(int64_t timestamp)
{
    const std::vector<int64_t>& times = gParseState->pictureTimes;
    auto at = std::lower_bound(times.begin(), times.end(), timestamp);
    if (at == times.end() || *at != timestamp)
        return std::nullopt;
    return static_cast<uint32_t>(at - times.begin());
}

// Where the run of track frames from `first` on ends whose pictures come in
// presentation order: one pass of the decoder shows them all.
uint32_t EndOfRun(const std::vector<uint32_t>& places, uint32_t first)
{
    uint32_t end = first + 1;
    while (end < places.size() && places[end] > places[end - 1])
        ++end;
    return end;
}

struct DecodeTarget {
    const DecoderCallbacks& callbacks;
    uint32_t width;
    uint32_t height;
};

// Decodes on from where the reader stands and hands each picture of the
// track frames [first, end), a run, to its frame; pictures before the run
// or hidden by the edit list are passed over, and one the decoder leaves
// out leaves its frame out. Ends after the run's last picture.
uint32_t DecodeRun(SourceReader& reader, const DecodeTarget& target, uint32_t first, uint32_t end)
{
    const std::vector<uint32_t>& places = gParseState->presentationRanks;
    for (uint32_t next = first; next < end && !IsAbortRequested(*gDecodeState);) {
        MediaSample sample;
        ReadStatus status = reader.ReadSample(StreamKind::Video, sample);
        if (status != ReadStatus::Sample)
            return status == ReadStatus::EndOfStream ? kDecodeOk : kDecodeFailed;
        std::optional<uint32_t> place = PlaceOfPicture(sample.timestamp);
        if (!place)
            continue;
        auto shown = std::lower_bound(places.begin() + next, places.begin() + end, *place);
        if (shown == places.begin() + end)
            break;  // the decoder has passed the run
        if (*shown != *place)
            continue;
        auto frame = static_cast<uint32_t>(shown - places.begin());
        FrameStore stored = StoreFrame(target.callbacks, sample, frame, target.width, target.height);
        if (stored == FrameStore::NoSlot)
            break;  // only a stop leaves the decoder without a slot
        if (stored == FrameStore::Refused)
            return kDecodeFailed;
        target.callbacks.frameDone(frame);
        next = frame + 1;
    }
    return kDecodeOk;
}

// The track's frames in order, run after run. A run starts at its own
// picture, as the edit list trims, goes back or repeats the media; only an
// untrimmed track is decoded from the top.
uint32_t DecodeTrackFrames(SourceReader& reader, const DecodeTarget& target)
{
    const Mp4ParseState& state = *gParseState;
    const std::vector<uint32_t>& places = state.presentationRanks;
    for (uint32_t first = 0; first < places.size() && !IsAbortRequested(*gDecodeState);) {
        uint32_t end = EndOfRun(places, first);
        bool fromTheTop = first == 0 && places[0] == 0;
        if (!fromTheTop && !reader.Seek(state.pictureTimes[places[first]]))
            return kDecodeFailed;
        if (uint32_t decoded = DecodeRun(reader, target, first, end); decoded != kDecodeOk)
            return decoded;
        first = end;
    }
    return kDecodeOk;
}

// The preview's one frame: its own picture, or where the decoder leaves
// that out, as players show it, the picture of the last frame before it
// that has one (before the first such frame, the first picture shown).
uint32_t DecodeOneFrame(SourceReader& reader, const DecodeTarget& target)
{
    const Mp4ParseState& state = *gParseState;
    const std::vector<uint32_t>& places = state.presentationRanks;
    uint32_t frame = target.callbacks.startFrame;
    if (frame >= places.size())
        return kDecodeFailed;
    MediaSample sample;
    ReadStatus status = ReadStatus::EndOfStream;
    for (uint32_t shown = frame + 1; shown-- > 0 && !IsAbortRequested(*gDecodeState);) {
        if (!reader.Seek(state.pictureTimes[places[shown]]))
            return kDecodeFailed;
        status = reader.ReadSample(StreamKind::Video, sample);
        if (status == ReadStatus::Error)
            return kDecodeFailed;
        if (shown == 0 || (status == ReadStatus::Sample && PlaceOfPicture(sample.timestamp) == places[shown]))
            break;
    }
    if (status != ReadStatus::Sample)
        return kDecodeOk;
    FrameStore stored = StoreFrame(target.callbacks, sample, frame, target.width, target.height);
    if (stored == FrameStore::Refused)
        return kDecodeFailed;
    if (stored == FrameStore::Stored)
        target.callbacks.frameDone(frame);
    return kDecodeOk;
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
    SourceReader reader;
    if (!OpenReaderOnTracks(reader, job.inputPath) || !ConfigureReaderStreams(reader, true, true))
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
        OrientTargetAsShown(job, swapped, aspect);
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
