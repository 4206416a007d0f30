#pragma once

#include <functional>
#include <thread>

namespace wuvo::platform {

// The signals by which the system asks a program to end: SIGTERM (logout,
// shutdown, kill), SIGHUP (its terminal closed) and SIGINT (Ctrl+C). While
// started, each of them is handed to `onSignal` on a thread of its own
// instead of ending the process at once; one the process was started with
// ignored (nohup, a background job's Ctrl+C) stays ignored. The handler
// only writes the signal's number into a pipe, which is all that is safe
// inside a signal handler; the watcher thread reads it. One object at a time.
class EndSignals {
public:
    EndSignals() = default;
    EndSignals(const EndSignals&) = delete;
    EndSignals& operator=(const EndSignals&) = delete;
    ~EndSignals();

    // False when the pipe or the thread cannot be had; the signals then
    // keep their usual action.
    bool Start(std::function<void(int signal)> onSignal);
    // The signals get their usual action back; the watcher ends.
    void Stop();

private:
    void Watch(int readEnd, const std::function<void(int)>& onSignal);

    std::thread watcher_;
    int readEnd_ = -1;
    int writeEnd_ = -1;
};

}  // namespace wuvo::platform
