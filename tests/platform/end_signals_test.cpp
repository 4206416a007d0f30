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
    constexpr int kCaught[] = {SIGTERM, SIGHUP, SIGINT};
    for (int ignored : {0, SIGHUP}) {
        for (int signal : kCaught)
            std::signal(signal, signal == ignored ? SIG_IGN : SIG_DFL);
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
        std::vector<int> expected;
        for (int signal : {SIGTERM, SIGHUP, SIGINT, SIGTERM}) {
            ASSERT_EQ(std::raise(signal), 0);
            if (signal != ignored)
                expected.push_back(signal);
        }
        {
            std::unique_lock lock(mutex);
            const auto allArrived = [&] { return seen.size() == expected.size(); };
            EXPECT_TRUE(arrived.wait_for(lock, std::chrono::seconds(10), allArrived));
            EXPECT_EQ(seen, expected) << "ignored from the start: " << ignored;
        }
        signals.Stop();
        signals.Stop();
        for (int signal : kCaught) {
            struct sigaction now {};
            ASSERT_EQ(::sigaction(signal, nullptr, &now), 0);
            EXPECT_EQ(now.sa_handler, signal == ignored ? SIG_IGN : SIG_DFL) << signal;
        }
    }
    std::signal(SIGHUP, SIG_DFL);
}
