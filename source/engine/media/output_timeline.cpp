#include "engine/media/output_timeline.h"

#include <algorithm>

#include "platform/media/source_reader.h"

namespace wuvo {

int64_t ToTimeUnits(int64_t time, uint32_t timescale)
{
    if (time < 0)
        return -ToTimeUnits(-time, timescale);
    constexpr uint64_t kUnits = platform::kTimeUnitsPerSecond;
    auto t = static_cast<uint64_t>(time);
    return static_cast<int64_t>(t / timescale * kUnits + ((t % timescale) * kUnits + timescale / 2) / timescale);
}

OutputTimeline::OutputTimeline(const Mp4ParseState& state, uint32_t divisor, int64_t fallbackFrame, int64_t start)
    : divisor_(std::max(divisor, 1u)),
      fallbackFrame_(std::max<int64_t>(fallbackFrame, 1)),
      start_(start),
      timescale_(state.timescale)
{
    uint32_t frames = state.timescale == 0 ? 0 : static_cast<uint32_t>(state.shownTimes.size());
    starts_.reserve(size_t{frames} + 1);
    uint64_t time = 0;
    // Frames that end the track without a length, where the track has no
    // average either, are given the fallback length.
    int64_t added = 0;
    for (uint32_t n = 0; n < frames; ++n) {
        starts_.push_back(ToTimeUnits(static_cast<int64_t>(time), state.timescale) + added);
        uint64_t length = FrameShowTime(state, n);
        time += length;
        added += length == 0 && FrameEndsTheTrack(state, n) ? fallbackFrame_ : 0;
    }
    starts_.push_back(frames == 0 ? 0 : ToTimeUnits(static_cast<int64_t>(time), state.timescale) + added);

    longest_ = frames == 0 ? fallbackFrame_ : 0;
    for (size_t n = 1; n < starts_.size(); ++n)
        longest_ = std::max(longest_, starts_[n] - starts_[n - 1]);
    rate_ = platform::EncoderFrameRate(frames, time, state.timescale);
}

std::vector<int64_t> OutputTimeline::ClosingFrames(size_t count) const
{
    uint64_t frames = starts_.size() - 1;
    uint64_t kept = (frames + divisor_ - 1) / divisor_;
    uint64_t first = kept > count + 1 ? kept - count - 1 : 0;
    std::vector<int64_t> lengths;
    for (uint64_t k = first; k + 1 < kept; ++k) {
        auto frame = static_cast<uint32_t>(divisor_ * k);
        lengths.push_back(StartOf(frame + divisor_) - StartOf(frame));
    }
    return lengths;
}

platform::TrackTiming OutputTimeline::Timing() const
{
    return {timescale_, longest_, ClosingFrames(platform::kMaxReorderDepth)};
}

int64_t OutputTimeline::StartOf(uint32_t frame) const
{
    // The decoder delivers only the track's frames; the bound guards the table.
    return start_ + starts_[std::min<size_t>(frame, starts_.size() - 1)] / divisor_;
}

int64_t OutputTimeline::End() const
{
    return start_ + starts_.back() / divisor_;
}

}  // namespace wuvo
