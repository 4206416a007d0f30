#include "platform/signals/end_signals.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace wuvo::platform {

namespace {

constexpr int kEndSignals[] = {SIGTERM, SIGHUP, SIGINT};
// No signal has this number: it tells the watcher to end.
constexpr unsigned char kStopWatching = 0;

// Where the handler writes; -1 while nothing is started. A lock-free atomic
// is safe to read inside a signal handler.
std::atomic<int> gSignalPipe{-1};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnEndSignal(int signal)
{
    int savedErrno = errno;
    int fd = gSignalPipe.load();
    auto byte = static_cast<unsigned char>(signal);
    // A full pipe already holds enough to end the program: the byte may go.
    if (fd >= 0) {
        [[maybe_unused]] ssize_t written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

// A signal the process was started with ignored (nohup, a background job's
// Ctrl+C) stays ignored.
void CatchSignals()
{
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    // Other threads' reads and writes go on rather than fail with EINTR.
    action.sa_flags = SA_RESTART;
    for (int signal : kEndSignals) {
        struct sigaction old {};
        if (::sigaction(signal, nullptr, &old) == 0 && old.sa_handler != SIG_IGN)
            ::sigaction(signal, &action, nullptr);
    }
}

void ReleaseSignals()
{
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int signal : kEndSignals) {
        struct sigaction now {};
        if (::sigaction(signal, nullptr, &now) == 0 && now.sa_handler == OnEndSignal)
            ::sigaction(signal, &action, nullptr);
    }
}

}  // namespace

EndSignals::~EndSignals()
{
    Stop();
}

bool EndSignals::Start(std::function<void(int)> onSignal)
{
    int ends[2];
    if (watcher_.joinable() || ::pipe2(ends, O_CLOEXEC) != 0)
        return false;
    // The handler must never wait for the watcher.
    ::fcntl(ends[1], F_SETFL, O_NONBLOCK);
    readEnd_ = ends[0];
    writeEnd_ = ends[1];
    try {
        watcher_ = std::thread([this, onSignal = std::move(onSignal)] { Watch(readEnd_, onSignal); });
    } catch (const std::system_error&) {
        Stop();
        return false;
    }
    gSignalPipe = writeEnd_;
    CatchSignals();
    return true;
}

void EndSignals::Stop()
{
    if (writeEnd_ < 0)
        return;
    ReleaseSignals();
    gSignalPipe = -1;
    if (watcher_.joinable()) {
        // The watcher empties a pipe that signals have filled.
        while (::write(writeEnd_, &kStopWatching, 1) < 0 && (errno == EINTR || errno == EAGAIN))
            std::this_thread::yield();
        watcher_.join();
    }
    ::close(readEnd_);
    ::close(writeEnd_);
    readEnd_ = writeEnd_ = -1;
}

void EndSignals::Watch(int readEnd, const std::function<void(int)>& onSignal)
{
    for (;;) {
        unsigned char byte = kStopWatching;
        ssize_t n = ::read(readEnd, &byte, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || byte == kStopWatching)
            return;
        onSignal(byte);
    }
}

}  // namespace wuvo::platform
