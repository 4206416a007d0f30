#include "engine/media/output_timeline.h"

#include <algorithm>

#include "platform/media/source_reader.h"

namespace wuvo {

namespace {

using platform::kTimeUnitsPerSecond;

// To the nearest 100 ns, so that the writer gets the track's exact time
// back when it turns it into the track's unit again.
int64_t ToTimeUnits(uint64_t time, uint32_t timescale)
{
    constexpr uint64_t kUnits = kTimeUnitsPerSecond;
    return static_cast<int64_t>(time / timescale * kUnits + ((time % timescale) * kUnits + timescale / 2) / timescale);
}

}  // namespace

OutputTimeline::OutputTimeline(const Mp4ParseState& state, uint32_t divisor, int64_t fallbackFrame, int64_t start)
    : divisor_(std::max(divisor, 1u)),
      fallbackFrame_(std::max<int64_t>(fallbackFrame, 1)),
      start_(start),
      timescale_(state.timescale)
{
    uint32_t frames = state.timescale == 0 ? 0 : static_cast<uint32_t>(state.shownTimes.size());
    starts_.reserve(size_t{frames} + 1);
    uint64_t time = 0;
    // Frames the track gives no length are given the fallback length.
    int64_t added = 0;
    for (uint32_t n = 0; n < frames; ++n) {
        starts_.push_back(ToTimeUnits(time, state.timescale) + added);
        uint64_t length = FrameShowTime(state, n);
        time += length;
        added += length == 0 ? fallbackFrame_ : 0;
    }
    starts_.push_back(frames == 0 ? 0 : ToTimeUnits(time, state.timescale) + added);

    longest_ = frames == 0 ? fallbackFrame_ : 0;
    for (size_t n = 1; n < starts_.size(); ++n)
        longest_ = std::max(longest_, starts_[n] - starts_[n - 1]);
    rate_ = platform::EncoderFrameRate(frames, time, state.timescale);
}

int64_t OutputTimeline::SourceStart(uint64_t frame) const
{
    uint64_t tableEnd = starts_.size() - 1;
    if (frame <= tableEnd)
        return starts_[frame];
    return starts_.back() + static_cast<int64_t>(frame - tableEnd) * fallbackFrame_;
}

std::vector<int64_t> OutputTimeline::ClosingFrames(size_t count) const
{
    uint64_t frames = starts_.size() - 1;
    uint64_t kept = (frames + divisor_ - 1) / divisor_;
    uint64_t first = kept > count + 1 ? kept - count - 1 : 0;
    std::vector<int64_t> lengths;
    for (uint64_t k = first; k + 1 < kept; ++k)
        lengths.push_back(EndOf(static_cast<uint32_t>(k)) - StartOf(static_cast<uint32_t>(k)));
    return lengths;
}

platform::TrackTiming OutputTimeline::Timing() const
{
    return {timescale_, longest_, ClosingFrames(platform::kMaxReorderDepth)};
}

int64_t OutputTimeline::StartOf(uint32_t kept) const
{
    return start_ + SourceStart(uint64_t{divisor_} * kept) / divisor_;
}

int64_t OutputTimeline::EndOf(uint32_t kept) const
{
    uint64_t frame = uint64_t{divisor_} * kept;
    uint64_t next = frame + divisor_;
    // The last kept frame of the track shows to the track's end.
    uint64_t tableEnd = starts_.size() - 1;
    if (frame < tableEnd)
        next = std::min(next, tableEnd);
    return start_ + SourceStart(next) / divisor_;
}

}  // namespace wuvo
