#include "platform/threads/lock.h"
#include "platform/threads/worker_thread.h"

#include <atomic>
#include <chrono>

#include <gtest/gtest.h>

using wuvo::platform::Lock;
using wuvo::platform::SleepMs;
using wuvo::platform::WorkerThread;

TEST(WorkerThreadThreads, ReportsStillActiveUntilItsBodyReturnsItsCode)
{
    std::atomic<bool> release{false};
    WorkerThread thread;
    ASSERT_TRUE(thread.Start([&] {
        while (!release.load())
            SleepMs(1);
        return 13u;
    }));
    EXPECT_FALSE(thread.Finished());
    EXPECT_EQ(thread.ExitCode(), WorkerThread::kStillActive);
    EXPECT_FALSE(thread.Start([] { return 0u; })) << "a second start must not replace a running thread";
    release = true;
    thread.Join();
    EXPECT_TRUE(thread.Finished());
    EXPECT_EQ(thread.ExitCode(), 13u);
}

TEST(WorkerThreadThreads, JoinWithoutStartIsHarmless)
{
    WorkerThread thread;
    thread.Join();
    EXPECT_FALSE(thread.Started());
}

TEST(LockThreads, TryEnterFailsWhileAnotherThreadHoldsIt)
{
    Lock lock;
    std::atomic<int> stage{0};
    WorkerThread holder;
    holder.Start([&] {
        lock.Enter();
        stage = 1;
        while (stage.load() != 2)
            SleepMs(1);
        lock.Leave();
        return 0u;
    });
    while (stage.load() != 1)
        SleepMs(1);
    EXPECT_FALSE(lock.TryEnter());
    stage = 2;
    holder.Join();
    ASSERT_TRUE(lock.TryEnter());
    EXPECT_TRUE(lock.TryEnter()) << "the lock is re-entrant for its owner";
    lock.Leave();
    lock.Leave();
}

// A wait ends at the change it waits for, not at its poll, also when the
// change came between taking the count and waiting; a thread's end is one.
TEST(ChangeSignalThreads, AWaitEndsAtTheChangeNotAtItsPoll)
{
    constexpr uint32_t kPollThatWouldFailTheTest = 600'000;
    wuvo::platform::ChangeSignal signal;
    auto start = std::chrono::steady_clock::now();
    uint64_t seen = signal.Changes();
    signal.Notify();
    signal.WaitAfter(seen, kPollThatWouldFailTheTest);

    WorkerThread ending;
    ASSERT_TRUE(ending.Start(
        [] {
            SleepMs(20);
            return 0u;
        },
        &signal));
    signal.WaitUntil([&] { return ending.Finished(); }, kPollThatWouldFailTheTest);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}
