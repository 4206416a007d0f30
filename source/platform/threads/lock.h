#pragma once

#include <mutex>

namespace wuvo::platform {

// A re-entrant lock with explicit enter and leave, for state that several
// pipeline threads touch in short steps.
class Lock {
public:
    void Enter() { mutex_.lock(); }
    void Leave() { mutex_.unlock(); }
    // True when the lock was taken without waiting.
    bool TryEnter() { return mutex_.try_lock(); }

    // Lets std::lock_guard and std::unique_lock hold a Lock.
    void lock() { Enter(); }
    void unlock() { Leave(); }
    bool try_lock() { return TryEnter(); }

private:
    std::recursive_mutex mutex_;
};

}  // namespace wuvo::platform
