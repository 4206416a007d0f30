#include "engine/pipeline/thread_state_setters.h"

#include <atomic>

#include <gtest/gtest.h>

#include "platform/threads/worker_thread.h"

using namespace wuvo;
using platform::SleepMs;
using platform::WorkerThread;

namespace {

// A pipeline thread as the engine writes them: runs until asked to stop.
uint32_t RunUntilAborted(ThreadState& state, std::atomic<int>& polls)
{
    SetRunning(state, true);
    while (!IsAbortRequested(state)) {
        ++polls;
        SleepMs(5);
    }
    SetRunning(state, false);
    return 0x80004005u;
}

}  // namespace

TEST(ThreadStateSettersThreads, StoppingWaitsForTheThreadThenClearsAbort)
{
    ThreadState state;
    InitThreadState(state);
    std::atomic<int> polls{0};
    WorkerThread worker;
    ASSERT_TRUE(worker.Start([&] { return RunUntilAborted(state, polls); }));
    while (polls.load() == 0)
        SleepMs(1);

    SetThreadState(state, 0);
    EXPECT_EQ(state.running.load(), 0) << "the setter returns only after the thread let go";
    EXPECT_EQ(state.abort.load(), 0) << "a stale abort would stop the next thread at once";
    worker.Join();
    EXPECT_EQ(worker.ExitCode(), 0x80004005u);
}

TEST(ThreadStateSettersThreads, TwoStoppersAtOnceBothReturn)
{
    ThreadState state;
    InitThreadState(state);
    std::atomic<int> polls{0};
    WorkerThread worker, first, second;
    worker.Start([&] { return RunUntilAborted(state, polls); });
    while (polls.load() == 0)
        SleepMs(1);
    first.Start([&] { SetThreadState(state, 0); return 0u; });
    second.Start([&] { SetThreadState(state, 0); return 0u; });
    first.Join();
    second.Join();
    worker.Join();
    EXPECT_EQ(state.running.load(), 0);
    EXPECT_EQ(state.abort.load(), 0);
}

TEST(ThreadStateSetters, ClaimingAnIdleStateDoesNotWait)
{
    ThreadState state;
    InitThreadState(state);
    SetThreadState(state, 1);
    EXPECT_EQ(state.running.load(), 1);
    EXPECT_EQ(state.abort.load(), 0);
}
