#include "engine/pipeline/thread_state.h"

#include <mutex>

#include "engine/pipeline/shared_objects.h"

namespace wuvo {

void InitThreadState(ThreadState& state)
{
    {
        std::lock_guard guard(state.lock);
        state.running = 0;
        state.abort = 0;
    }
    gPipelineChanged.Notify();
}

void SetRunning(ThreadState& state, bool running)
{
    {
        std::lock_guard guard(state.lock);
        state.running = running ? 1 : 0;
    }
    gPipelineChanged.Notify();
}

bool IsRunning(ThreadState& state)
{
    std::lock_guard guard(state.lock);
    return state.running != 0;
}

bool IsAbortRequested(ThreadState& state)
{
    std::lock_guard guard(state.lock);
    return state.abort != 0;
}

void RequestAbort(ThreadState& state)
{
    {
        std::lock_guard guard(state.lock);
        state.abort = 1;
    }
    gPipelineChanged.Notify();
}

}  // namespace wuvo
