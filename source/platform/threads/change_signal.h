#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace wuvo::platform {

// Wakes the threads that wait for shared state to change, so that a wait
// ends as soon as its condition may hold instead of at its next poll. The
// polls stay as a bound: a change that nobody signals is still seen.
class ChangeSignal {
public:
    // How many changes were signalled so far; taken before a condition is
    // tested, so that a change while testing it is not missed.
    uint64_t Changes() const;
    void Notify();
    // Returns once a change after `seen` has been signalled, or after `milliseconds`.
    void WaitAfter(uint64_t seen, uint32_t milliseconds);

    // Waits until `holds()` is true, testing it after every change and at
    // least every `pollMs`.
    template <typename Condition>
    void WaitUntil(Condition holds, uint32_t pollMs)
    {
        for (;;) {
            uint64_t seen = Changes();
            if (holds())
                return;
            WaitAfter(seen, pollMs);
        }
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    uint64_t changes_ = 0;
};

}  // namespace wuvo::platform
