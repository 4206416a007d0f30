#include "platform/media/track_clock.h"

#include <algorithm>
#include <optional>

extern "C" {
#include <libavcodec/packet.h>
#include <libavutil/mathematics.h>
}

#include "platform/media/ffmpeg_handles.h"

namespace wuvo::platform {

namespace {

// The MP4 muxer keeps sample durations and the gap between decode and
// presentation time in 32 bits of the track's time unit; that gap spans up
// to a few frames while B-frames wait. The source's own unit keeps its times
// exact; a still picture that lasts minutes would overflow a fine unit, so
// long frames get a coarser one: the finest of 100 ns, 1 us, 10 us and
// 100 us that holds this many of the longest frame.
constexpr int64_t kFramesOfTimingRoom = 32;
constexpr int kCoarsestTrackTimescale = 10'000;
constexpr int kTimescaleStep = 10;

int TimescaleFor(const TrackTiming& timing, int64_t longest)
{
    auto holds = [&](int timescale) {
        return av_rescale(longest, timescale, kLayerTimeBase.den) * kFramesOfTimingRoom <= INT32_MAX;
    };
    if (timing.timescale != 0 && timing.timescale <= static_cast<uint32_t>(kLayerTimeBase.den) &&
        holds(static_cast<int>(timing.timescale)))
        return static_cast<int>(timing.timescale);
    for (int timescale = kLayerTimeBase.den; timescale >= kCoarsestTrackTimescale; timescale /= kTimescaleStep)
        if (holds(timescale))
            return timescale;
    return 0;
}

}  // namespace

bool TrackClock::Start(const TrackTiming& timing, int64_t longestFrame)
{
    timescale_ = TimescaleFor(timing, longestFrame);
    if (timescale_ == 0)
        return false;
    closingFrames_.clear();
    for (int64_t length : timing.closingFrames)
        closingFrames_.push_back(ToTicks(length));
    SetReorderDepth(0);
    return true;
}

void TrackClock::SetReorderDepth(int reorderDepth)
{
    decodeTimes_ = DecodeTimes(reorderDepth, closingFrames_);
}

int64_t TrackClock::ToTicks(int64_t time) const
{
    return av_rescale_q(time, kLayerTimeBase, AVRational{1, timescale_});
}

void TrackClock::Present(int64_t start, int64_t end)
{
    decodeTimes_.Presented(start, end - start);
    if (start >= latestStart_) {
        latestStart_ = start;
        latestLength_ = end - start;
    }
}

int64_t TrackClock::PresentFrame(int64_t time, int64_t duration)
{
    int64_t start = std::max(ToTicks(time), nextFrame_);
    int64_t end = std::max(ToTicks(time + duration), start + 1);
    nextFrame_ = start + 1;
    Present(start, end);
    return start;
}

int64_t TrackClock::PresentPicture(int64_t time, int64_t duration)
{
    int64_t start = ToTicks(time);
    Present(start, std::max(ToTicks(time + duration), start + 1));
    return start;
}

bool TrackClock::TimePacket(AVPacket& packet)
{
    packet.duration = latestLength_;
    std::optional<int64_t> decodeTime = decodeTimes_.Next();
    if (!decodeTime || *decodeTime > packet.pts)
        return false;
    packet.dts = *decodeTime;
    return true;
}

}  // namespace wuvo::platform
