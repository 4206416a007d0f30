#pragma once

#include <cstdint>

#include "engine/job/stamp_job.h"

namespace wuvo {

// The engine's side of an NVENC encode. Encoder frame n is pool frame n
// times the speed-up divisor, interlaced source or not.

// Frame n once it is stamped; null when the encode must stop.
uint8_t* GetStampedFrame(uint32_t frame);
// Queues one encoded picture for the mux, with the frame it shows.
void PushEncodedPacket(uint32_t size, const uint8_t* data, uint32_t frameIndex, StampJob& job);
// Frees the pool slot of encoder frame n.
void ReleaseEncodedFrame(uint32_t frame, StampJob& job);

// Writes the queued pictures unchanged, each at its source frame's time
// divided by the speed-up divisor, with the input's whole sound as AAC, into
// the job's output. 0 after a finished file, 12 when stopped, else a failure.
uint32_t MfMuxThreadProc(StampJob& job);

}  // namespace wuvo
