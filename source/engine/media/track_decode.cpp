#include "engine/media/track_decode.h"

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

#include "engine/media/frame_copy.h"
#include "engine/media/frame_runs.h"
#include "engine/media/media_input.h"
#include "engine/mp4/parse_state.h"
#include "engine/pipeline/shared_objects.h"

namespace wuvo {

namespace {

// Pictures the decoder gives before their turn (composition offsets that
// disagree with the coded order) wait for it. With this many waiting, the
// frames before the first of them are taken as left out by the decoder: it
// shows pictures in order but for such offsets, which move a few.
constexpr size_t kMostPicturesWaiting = 8;
// A reader's video stream left to run to its end.
constexpr int64_t kToTheEnd = INT64_MAX;

using platform::MediaSample;
using platform::ReadStatus;
using platform::SourceReader;
using platform::StreamKind;
using platform::VideoFrame;

const std::vector<uint32_t>& Places()
{
    return gParseState->presentationRanks;
}

int64_t TimeOfPlace(uint32_t place)
{
    return gParseState->pictureTimes[place];
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

// A decoded picture copied out of the reader, in the pool's layout, until
// its frame's turn.
class KeptPicture {
public:
    bool Keep(const VideoFrame& picture, uint32_t width, uint32_t height)
    {
        width_ = width;
        height_ = height;
        bytes_.resize(size_t{width} * height + 2 * size_t{width / 2} * (height / 2));
        return CopyI420Frame(picture, width, height, bytes_.data(), bytes_.size());
    }

    VideoFrame View() const
    {
        VideoFrame view;
        view.width = width_;
        view.height = height_;
        const uint32_t pitches[3] = {width_, width_ / 2, width_ / 2};
        const uint8_t* plane = bytes_.data();
        for (int i = 0; i < 3; ++i) {
            size_t rows = i == 0 ? height_ : height_ / 2;
            view.planes[i] = plane;
            view.pitch[i] = pitches[i];
            view.planeBytes[i] = pitches[i] * rows;
            plane += view.planeBytes[i];
        }
        return view;
    }

private:
    std::vector<uint8_t> bytes_;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
};

enum class FrameStore { Stored, NoSlot, Refused };

FrameStore StoreFrame(const DecodeTarget& target, const VideoFrame& picture, uint32_t frame)
{
    uint8_t* buffer = target.callbacks.getBuffer(frame);
    if (!buffer)
        return FrameStore::NoSlot;
    if (!CopyI420Frame(picture, target.width, target.height, buffer, kFrameBufferBytes))
        return FrameStore::Refused;
    target.callbacks.frameDone(frame);
    return FrameStore::Stored;
}

uint32_t ResultOf(FrameStore stored)
{
    // Only a stop leaves the decoder without a slot.
    return stored == FrameStore::Refused ? kDecodeFailed : kDecodeOk;
}

// Hands the decoder's pictures to the frames of one run in the frames'
// order: pictures before their turn wait, a picture shown by several frames
// goes to each, and frames whose pictures the decoder leaves out are left
// out.
class RunDelivery {
public:
    RunDelivery(const DecodeTarget& target, FrameRun run) : target_(target), run_(run), next_(run.first) {}

    bool Complete() const { return next_ == run_.end || stopped_; }
    bool Misplaced() const { return misplaced_; }

    FrameStore Offer(uint32_t place, const VideoFrame& picture)
    {
        place = OpenPlaceFor(place);
        if (place < Places()[next_]) {
            // Pictures before the run, or hidden by the edit list, are passed
            // over; one whose frames had to go on without it cannot be placed.
            misplaced_ = misplaced_ || std::binary_search(leftOut_.begin(), leftOut_.end(), place);
            return FrameStore::Stored;
        }
        if (!ShownByRun(place))
            return FrameStore::Stored;
        if (place == Places()[next_]) {
            FrameStore stored = Deliver(picture);
            return stored == FrameStore::Stored ? DeliverWaiting() : stored;
        }
        if (!waiting_[place].Keep(picture, target_.width, target_.height))
            return FrameStore::Refused;
        return waiting_.size() > kMostPicturesWaiting ? TakeFirstWaiting() : FrameStore::Stored;
    }

    // At the end of the decode: the waiting pictures, each to its frames.
    FrameStore Finish()
    {
        FrameStore stored = FrameStore::Stored;
        while (!waiting_.empty() && stored == FrameStore::Stored)
            stored = TakeFirstWaiting();
        return stored;
    }

private:
    // Samples that share a presentation time (recordings joined without
    // retiming) are told apart by the order of their pictures: each takes
    // the first of their places still open.
    uint32_t OpenPlaceFor(uint32_t place) const
    {
        const std::vector<int64_t>& times = gParseState->pictureTimes;
        for (int64_t time = times[place]; place + 1 < times.size() && times[place + 1] == time; ++place)
            if (place >= Places()[next_] && !waiting_.count(place))
                break;
        return place;
    }

    bool ShownByRun(uint32_t place) const
    {
        auto first = Places().begin() + run_.first;
        return std::binary_search(first, Places().begin() + run_.end, place);
    }

    // To every frame from the next on that shows the picture at its place.
    FrameStore Deliver(const VideoFrame& picture)
    {
        for (uint32_t place = Places()[next_]; next_ < run_.end && Places()[next_] == place; ++next_) {
            FrameStore stored = StoreFrame(target_, picture, next_);
            stopped_ = stored == FrameStore::NoSlot;
            if (stored != FrameStore::Stored)
                return stored;
        }
        return FrameStore::Stored;
    }

    FrameStore DeliverWaiting()
    {
        FrameStore stored = FrameStore::Stored;
        while (stored == FrameStore::Stored && !waiting_.empty() && next_ < run_.end &&
               waiting_.begin()->first == Places()[next_]) {
            stored = Deliver(waiting_.begin()->second.View());
            waiting_.erase(waiting_.begin());
        }
        return stored;
    }

    // The frames before the first waiting picture are left out. A picture
    // whose frames got another (a time two samples share) is dropped.
    FrameStore TakeFirstWaiting()
    {
        uint32_t first = waiting_.begin()->first;
        for (; next_ < run_.end && Places()[next_] < first; ++next_)
            leftOut_.push_back(Places()[next_]);
        if (next_ < run_.end && Places()[next_] == first)
            return DeliverWaiting();
        waiting_.erase(waiting_.begin());
        return FrameStore::Stored;
    }

    const DecodeTarget& target_;
    FrameRun run_;
    uint32_t next_;
    std::map<uint32_t, KeptPicture> waiting_;
    std::vector<uint32_t> leftOut_;  // places, rising
    bool misplaced_ = false;
    bool stopped_ = false;
};

// Decodes on from where the reader stands and hands the pictures of a run's
// frames to them.
uint32_t DecodeRun(SourceReader& reader, const DecodeTarget& target, FrameRun run)
{
    RunDelivery delivery(target, run);
    while (!delivery.Complete() && !IsAbortRequested(*gDecodeState)) {
        MediaSample sample;
        ReadStatus status = reader.ReadSample(StreamKind::Video, sample);
        if (status == ReadStatus::Error)
            return kDecodeFailed;
        if (status == ReadStatus::Stopped)
            return kDecodeOk;  // as a stop between two pictures
        if (status == ReadStatus::EndOfStream)
            return ResultOf(delivery.Finish());
        std::optional<uint32_t> place = PlaceOfPicture(sample.timestamp);
        if (!place)
            continue;
        if (FrameStore stored = delivery.Offer(*place, sample.video); stored != FrameStore::Stored)
            return ResultOf(stored);
        if (delivery.Misplaced())
            return kDecodeOutOfOrder;
    }
    return kDecodeOk;
}

// The latest of a run's frames [first, last] whose picture a look at the
// decoder's pictures found, and that picture.
struct LatestPicture {
    uint32_t first = 0;
    uint32_t last = 0;
    std::optional<uint32_t> frame;
    KeptPicture picture;
};

// Decodes the pictures at places from `from` to `to`, with a seek, and keeps
// the picture of the latest frame they show.
bool LookAtPictures(SourceReader& reader, const DecodeTarget& target, uint32_t from, uint32_t to,
                    LatestPicture& latest)
{
    reader.EndVideoAfter(TimeOfPlace(to));
    if (!reader.Seek(TimeOfPlace(from)))
        return false;
    auto first = Places().begin() + latest.first;
    auto end = Places().begin() + latest.last + 1;
    while (latest.frame != latest.last && !IsAbortRequested(*gDecodeState)) {
        MediaSample sample;
        ReadStatus status = reader.ReadSample(StreamKind::Video, sample);
        if (status != ReadStatus::Sample)
            return status == ReadStatus::EndOfStream;
        std::optional<uint32_t> place = PlaceOfPicture(sample.timestamp);
        if (!place || *place < from || *place > to)
            continue;
        auto shown = std::upper_bound(first, end, *place);
        if (shown == first || *(shown - 1) != *place)
            continue;
        auto frame = static_cast<uint32_t>(shown - 1 - Places().begin());
        if (latest.frame >= frame)
            continue;
        if (!latest.picture.Keep(sample.video, target.width, target.height))
            return false;
        latest.frame = frame;
    }
    return true;
}

// Looks for the picture of the latest frame of the run that ends with
// `last`: first the frame's own picture, then back from sync point to sync
// point, each look decoding only what the one before did not.
bool FindLatestPicture(SourceReader& reader, const DecodeTarget& target, uint32_t last, LatestPicture& latest)
{
    latest.first = RunStartOf(Places(), last);
    latest.last = last;
    uint32_t to = Places()[last];
    for (uint32_t from = to;; from = SyncPlaceAtOrBefore(*gParseState, to)) {
        if (!LookAtPictures(reader, target, from, to, latest))
            return false;
        if (latest.frame || from <= Places()[latest.first] || IsAbortRequested(*gDecodeState))
            return true;
        to = from - 1;
    }
}

// Before the first frame that has a picture: the first picture shown.
uint32_t StoreFirstPicture(SourceReader& reader, const DecodeTarget& target)
{
    reader.EndVideoAfter(kToTheEnd);
    if (!reader.Seek(TimeOfPlace(Places()[0])))
        return kDecodeFailed;
    MediaSample sample;
    ReadStatus status = reader.ReadSample(StreamKind::Video, sample);
    if (status != ReadStatus::Sample)
        return status == ReadStatus::Error ? kDecodeFailed : kDecodeOk;
    return ResultOf(StoreFrame(target, sample.video, target.callbacks.startFrame));
}

}  // namespace

uint32_t DecodeTrackFrames(SourceReader& reader, const DecodeTarget& target)
{
    const std::vector<uint32_t>& places = Places();
    for (FrameRun run = RunFrom(places, 0); run.first < places.size() && !IsAbortRequested(*gDecodeState);
         run = RunFrom(places, run.end)) {
        // A run starts at its own picture, as the edit list trims, goes back
        // or repeats the media; only an untrimmed track is decoded from the
        // top. It ends where no later packet holds one of its pictures.
        reader.EndVideoAfter(TimeOfPlace(places[run.end - 1]));
        bool fromTheTop = run.first == 0 && places[0] == 0;
        if (!fromTheTop && !reader.Seek(TimeOfPlace(places[run.first])))
            return IsAbortRequested(*gDecodeState) ? kDecodeOk : kDecodeFailed;
        if (uint32_t decoded = DecodeRun(reader, target, run); decoded != kDecodeOk)
            return decoded;
    }
    return kDecodeOk;
}

uint32_t DecodeOneFrame(SourceReader& reader, const DecodeTarget& target)
{
    uint32_t frame = target.callbacks.startFrame;
    if (frame >= Places().size())
        return kDecodeFailed;
    // Back run by run: the frame before a run is the last of the one before.
    for (uint32_t last = frame; !IsAbortRequested(*gDecodeState);) {
        LatestPicture latest;
        if (!FindLatestPicture(reader, target, last, latest))
            return kDecodeFailed;
        if (latest.frame)
            return ResultOf(StoreFrame(target, latest.picture.View(), frame));
        if (latest.first == 0)
            return StoreFirstPicture(reader, target);
        last = latest.first - 1;
    }
    return kDecodeOk;
}

}  // namespace wuvo
