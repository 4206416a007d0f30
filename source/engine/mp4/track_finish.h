#pragma once

#include <cstdint>

#include "engine/mp4/parse_state.h"

namespace wuvo {

// Refuses, with a reader error naming the box at fault, a walked movie that
// the rest of the engine could not use: no movie header, no video track, or
// a video track without frames, time scale or times for every frame, or
// with sync samples beyond its frames. `fileSize` bounds what the frames of
// a constant-size table can occupy.
void CheckVideoTrack(const Mp4ParseState& state, uint64_t fileSize);

}  // namespace wuvo
