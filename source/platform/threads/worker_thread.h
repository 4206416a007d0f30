#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

#include "platform/threads/change_signal.h"

namespace wuvo::platform {

// A thread that ends with an exit code, as the pipeline threads report.
// Threads are never killed: a thread that must end is asked to through its
// own flags and then joined.
class WorkerThread {
public:
    static constexpr uint32_t kStillActive = 259;

    WorkerThread() = default;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;
    ~WorkerThread();

    // False when the thread could not be created (or one is still attached).
    // `ended`, when given, is signalled once the thread counts as finished.
    bool Start(std::function<uint32_t()> body, ChangeSignal* ended = nullptr);
    bool Started() const { return thread_.joinable(); }
    bool Finished() const { return finished_.load(std::memory_order_acquire); }
    // kStillActive while the thread runs, then the value its body returned.
    uint32_t ExitCode() const;
    // Waits for the thread to end; does nothing when none was started.
    void Join();

private:
    std::thread thread_;
    std::atomic<bool> finished_{false};
    std::atomic<uint32_t> exitCode_{kStillActive};
};

void SleepMs(uint32_t milliseconds);

}  // namespace wuvo::platform
