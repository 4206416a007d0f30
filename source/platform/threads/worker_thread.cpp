#include "platform/threads/worker_thread.h"

#include <chrono>
#include <system_error>

namespace wuvo::platform {

WorkerThread::~WorkerThread()
{
    Join();
}

bool WorkerThread::Start(std::function<uint32_t()> body, ChangeSignal* ended)
{
    if (thread_.joinable())
        return false;
    finished_.store(false, std::memory_order_release);
    exitCode_.store(kStillActive, std::memory_order_release);
    try {
        thread_ = std::thread([this, ended, body = std::move(body)] {
            uint32_t code = body();
            exitCode_.store(code, std::memory_order_release);
            finished_.store(true, std::memory_order_release);
            if (ended)
                ended->Notify();
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

uint32_t WorkerThread::ExitCode() const
{
    return Finished() ? exitCode_.load(std::memory_order_acquire) : kStillActive;
}

void WorkerThread::Join()
{
    if (thread_.joinable())
        thread_.join();
}

void SleepMs(uint32_t milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace wuvo::platform
