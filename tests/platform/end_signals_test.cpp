#include "platform/signals/end_signals.h"

#include <condition_variable>
#include <csignal>
#include <mutex>
#include <vector>

#include <gtest/gtest.h>

using wuvo::platform::EndSignals;

// Each signal that would end the program reaches the watcher, in order,
// instead of ending the process; one ignored from the start (nohup) stays
// ignored. After Stop they have their usual action.
TEST(EndSignalsThreads, EachSignalReachesTheWatcherAndStopGivesTheUsualActionBack)
{
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGHUP, SIG_IGN);
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<int> seen;
    EndSignals signals;
    ASSERT_TRUE(signals.Start([&](int signal) {
        std::lock_guard lock(mutex);
        seen.push_back(signal);
        arrived.notify_all();
    }));
    EXPECT_FALSE(signals.Start([](int) {})) << "one watcher at a time";
    for (int signal : {SIGTERM, SIGHUP, SIGINT, SIGTERM})
        ASSERT_EQ(std::raise(signal), 0);
    {
        std::unique_lock lock(mutex);
        EXPECT_TRUE(arrived.wait_for(lock, std::chrono::seconds(10), [&] { return seen.size() == 3; }));
        EXPECT_EQ(seen, (std::vector<int>{SIGTERM, SIGINT, SIGTERM}));
    }
    signals.Stop();
    signals.Stop();
    for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
        struct sigaction now {};
        ASSERT_EQ(::sigaction(signal, nullptr, &now), 0);
        EXPECT_EQ(now.sa_handler, signal == SIGHUP ? SIG_IGN : SIG_DFL) << signal;
    }
    std::signal(SIGHUP, SIG_DFL);
}
