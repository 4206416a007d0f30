#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace wuvo::platform {

// An event that wakes one wait and then clears itself, as a Win32 auto-reset
// event does; a Set with nobody waiting is kept for the next wait.
class AutoResetEvent {
public:
    void Set();
    // True when the event was set within `milliseconds`.
    bool Wait(uint32_t milliseconds);

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_ = false;
};

}  // namespace wuvo::platform
