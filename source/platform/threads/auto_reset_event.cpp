#include "platform/threads/auto_reset_event.h"

#include <chrono>

namespace wuvo::platform {

void AutoResetEvent::Set()
{
    {
        std::lock_guard guard(mutex_);
        signalled_ = true;
    }
    changed_.notify_one();
}

bool AutoResetEvent::Wait(uint32_t milliseconds)
{
    std::unique_lock lock(mutex_);
    bool signalled = changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return signalled_; });
    signalled_ = false;
    return signalled;
}

}  // namespace wuvo::platform
