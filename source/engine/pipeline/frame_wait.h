#pragma once

#include <cstdint>

#include "engine/pipeline/frame_pool.h"
#include "engine/pipeline/thread_state.h"

namespace wuvo {

enum class FrameWait { Ready, ProducerEnded, Stopped };

// How often at least a pipeline thread looks for the frame it waits for;
// a change in the pool or the thread states makes it look at once.
constexpr uint32_t kFrameWaitPollMs = 50;

// Waits until `test` holds for `frame` in the shared pool, the producer's
// thread has left its work, or the waiter is asked to stop. An ended
// producer gets one more look, so a frame finished just before is not lost.
// Returns Ready with the pool lock held.
FrameWait WaitForFrame(bool (FramePool::*test)(uint32_t) const, uint32_t frame, ThreadState& waiter,
                       ThreadState& producer);

}  // namespace wuvo
