#pragma once

#include <cstdint>
#include <vector>

#include "engine/mp4/parse_state.h"
#include "platform/media/hevc_encoder_settings.h"
#include "platform/media/sink_writer.h"

namespace wuvo {

// A time in a track's units to the nearest 100 ns, so that the writer gets
// the track's exact time back when it turns it into the track's unit again.
int64_t ToTimeUnits(int64_t time, uint32_t timescale);

// Where the track's frames (as its edit list shows them) lie in the output,
// in 100 ns units. Each shows when its source frame does, so the output
// plays at the source's own pace however its frame rate varies; with
// speed-up every time is divided by the divisor.
class OutputTimeline {
public:
    // `fallbackFrame` (100 ns) is a frame's length where the track gives
    // none; `start` is when the first frame shows in the output.
    OutputTimeline(const Mp4ParseState& state, uint32_t divisor, int64_t fallbackFrame, int64_t start = 0);

    // When track frame n starts to show, and when the track ends.
    int64_t StartOf(uint32_t frame) const;
    int64_t End() const;
    // Frames per second over the whole source: what rate control budgets
    // each frame's bits by, so that a variable rate gets the bitrate asked
    // for too; exact for a constant rate (30000/1001, not 29.97). 0/0
    // without a track.
    platform::FrameRate Rate() const { return rate_; }
    // What the writer times the output's track by.
    platform::TrackTiming Timing() const;

private:
    // How long the `count` kept frames (every divisor-th) before the last
    // show, the last of them just before it; fewer when there are fewer.
    std::vector<int64_t> ClosingFrames(size_t count) const;

    uint32_t divisor_;
    int64_t fallbackFrame_;
    int64_t start_;
    uint32_t timescale_;
    // Track frame n starts at starts_[n]; the last entry is the end.
    std::vector<int64_t> starts_;
    int64_t longest_ = 0;  // the longest any kept frame shows
    platform::FrameRate rate_;
};

}  // namespace wuvo
