#include "platform/threads/change_signal.h"

#include <chrono>

namespace wuvo::platform {

uint64_t ChangeSignal::Changes() const
{
    std::lock_guard guard(mutex_);
    return changes_;
}

void ChangeSignal::Notify()
{
    {
        std::lock_guard guard(mutex_);
        ++changes_;
    }
    changed_.notify_all();
}

void ChangeSignal::WaitAfter(uint64_t seen, uint32_t milliseconds)
{
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] { return changes_ != seen; });
}

}  // namespace wuvo::platform
