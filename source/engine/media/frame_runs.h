#pragma once

#include <cstdint>
#include <vector>

#include "engine/mp4/parse_state.h"

namespace wuvo {

// Track frames [first, end) whose pictures come in presentation order, each
// at or after the one before: one decode from a sync point on gives them
// all, a picture that a repeated edit shows again decoded once.
struct FrameRun {
    uint32_t first = 0;
    uint32_t end = 0;
};

// The run from frame `first` on, among frames whose pictures are at the
// places in presentation order `places`.
FrameRun RunFrom(const std::vector<uint32_t>& places, uint32_t first);
// The first frame of the run that holds `frame`.
uint32_t RunStartOf(const std::vector<uint32_t>& places, uint32_t frame);

// Where a decode that gives the picture at `place` starts: the place of the
// last sync sample at or before it, or 0, the track's first sample, which
// a trimmed clip's sync table may leave out.
uint32_t SyncPlaceAtOrBefore(const Mp4ParseState& state, uint32_t place);

// Whether decoding the frames the reader lists, run after run from their
// sync points, goes through a number of pictures in proportion to the
// track's pictures and frames. An edit list that steps back within a long
// GOP again and again would have the same pictures decoded over and over.
bool DecodeWorkWithinBound(const Mp4ParseState& state);

}  // namespace wuvo
