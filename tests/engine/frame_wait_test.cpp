#include "engine/pipeline/frame_wait.h"

#include <atomic>
#include <mutex>

#include <gtest/gtest.h>

#include "engine/pipeline/shared_objects.h"
#include "platform/threads/worker_thread.h"
#include "support/mp4_builder.h"

using namespace wuvo;
using platform::WorkerThread;

namespace {

class FrameWaitThreads : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::UseSharedObjects();
        InitThreadState(waiter);
        InitThreadState(producer);
        std::lock_guard guard(gFramePool->lock);
        gFramePool->mode = kPoolModeJob;
        gFramePool->Reset();
    }
    void TearDown() override
    {
        std::lock_guard guard(gFramePool->lock);
        gFramePool->Reset();
    }

    static void Decode(uint32_t frame)
    {
        std::lock_guard guard(gFramePool->lock);
        ASSERT_NE(gFramePool->Reserve(frame), nullptr);
        gFramePool->SetDecoded(frame, 1);
    }

    FrameWait Wait(uint32_t frame) { return WaitForFrame(&FramePool::IsDecoded, frame, waiter, producer); }

    // Whether another thread could take the pool lock now.
    static bool PoolLockIsFree()
    {
        std::atomic<bool> taken{false};
        WorkerThread other;
        other.Start([&] {
            taken = gFramePool->lock.TryEnter();
            if (taken)
                gFramePool->lock.Leave();
            return 0u;
        });
        other.Join();
        return taken;
    }

    ThreadState waiter;
    ThreadState producer;
};

}  // namespace

TEST_F(FrameWaitThreads, ReadyFrameIsHandedOverWithThePoolLockHeld)
{
    Decode(3);
    SetRunning(producer, true);
    ASSERT_EQ(Wait(3), FrameWait::Ready);
    EXPECT_FALSE(PoolLockIsFree()) << "the caller works on the frame under the lock";
    gFramePool->lock.Leave();
    EXPECT_TRUE(PoolLockIsFree());

    RequestAbort(waiter);
    SetRunning(producer, false);
    ASSERT_EQ(Wait(3), FrameWait::Ready) << "a frame that is there is taken even when stopping";
    gFramePool->lock.Leave();
}

// A stop request counts for more than the producer's end: a stamp thread
// that was asked to stop fails rather than finishing as if complete.
TEST_F(FrameWaitThreads, StopRequestComesBeforeTheProducersEnd)
{
    EXPECT_EQ(Wait(0), FrameWait::ProducerEnded);
    RequestAbort(waiter);
    EXPECT_EQ(Wait(0), FrameWait::Stopped);
    SetRunning(producer, true);
    EXPECT_EQ(Wait(0), FrameWait::Stopped);
    EXPECT_TRUE(PoolLockIsFree()) << "no frame: the lock is not kept";
}

TEST_F(FrameWaitThreads, FrameDecodedWhileWaitingIsTaken)
{
    SetRunning(producer, true);
    WorkerThread decoder;
    decoder.Start([this] {
        platform::SleepMs(2 * kFrameWaitPollMs);
        Decode(1);
        SetRunning(producer, false);
        return 0u;
    });
    EXPECT_EQ(Wait(1), FrameWait::Ready);
    gFramePool->lock.Leave();
    decoder.Join();
}
