#pragma once

#include <atomic>
#include <cstdint>

#include "platform/threads/lock.h"

namespace wuvo {

// Whether a pipeline thread is inside its work, and a request for it to stop.
// The flags are atomic so that a waiter may also glance at them unlocked.
struct ThreadState {
    platform::Lock lock;
    std::atomic<uint8_t> running{0};
    std::atomic<uint8_t> abort{0};
};

void InitThreadState(ThreadState& state);
// Called by the thread that owns the state as it enters and leaves its work.
void SetRunning(ThreadState& state, bool running);
bool IsRunning(ThreadState& state);
bool IsAbortRequested(ThreadState& state);
// Asks the state's thread to stop at its next waiting point, without waiting.
void RequestAbort(ThreadState& state);

}  // namespace wuvo
