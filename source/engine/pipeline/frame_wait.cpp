#include "engine/pipeline/frame_wait.h"

#include "engine/pipeline/shared_objects.h"

namespace wuvo {

FrameWait WaitForFrame(bool (FramePool::*test)(uint32_t) const, uint32_t frame, ThreadState& waiter,
                       ThreadState& producer)
{
    for (;;) {
        uint64_t seen = gPipelineChanged.Changes();
        // Read before the test: the frame may be finished just before the
        // producer ends.
        bool producerEnded = !IsRunning(producer);
        gFramePool->lock.Enter();
        if ((gFramePool->*test)(frame))
            return FrameWait::Ready;
        gFramePool->lock.Leave();
        if (IsAbortRequested(waiter))
            return FrameWait::Stopped;
        if (producerEnded)
            return FrameWait::ProducerEnded;
        gPipelineChanged.WaitAfter(seen, kFrameWaitPollMs);
    }
}

}  // namespace wuvo
