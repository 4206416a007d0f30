#include "engine/pipeline/frame_wait.h"

#include "engine/pipeline/shared_objects.h"
#include "platform/threads/worker_thread.h"

namespace wuvo {

FrameWait WaitForFrame(bool (FramePool::*test)(uint32_t) const, uint32_t frame, ThreadState& waiter,
                       ThreadState& producer)
{
    for (;;) {
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
        platform::SleepMs(kFrameWaitPollMs);
    }
}

}  // namespace wuvo
