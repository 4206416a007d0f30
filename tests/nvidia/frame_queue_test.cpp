#include "nv/nvdecoder/frame_queue.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using wuvo::NSNVDECODE::CUVIDFrameQueue;
using wuvo::NSNVDECODE::FrameQueue;

namespace {

CUVIDPARSERDISPINFO Picture(int index, long long timestamp = 0)
{
    CUVIDPARSERDISPINFO picture{};
    picture.picture_index = index;
    picture.timestamp = timestamp;
    return picture;
}

}  // namespace

TEST(FrameQueue, KeepsOrderAcrossTheRingsWrapAndMarksSurfacesInUseUntilReleased)
{
    CUVIDFrameQueue queue;
    CUVIDPARSERDISPINFO out = Picture(7);
    EXPECT_FALSE(queue.Dequeue(out));
    EXPECT_EQ(out.picture_index, -1);

    // Five first, so the next twenty wrap the read position past 19.
    for (int round = 0; round < 2; ++round) {
        int count = round == 0 ? 5 : FrameQueue::cnMaximumSize;
        for (int i = 0; i < count; ++i)
            queue.Enqueue(Picture(i, 100 * round + i));
        for (int i = 0; i < count; ++i) {
            ASSERT_TRUE(queue.Dequeue(out));
            EXPECT_EQ(out.timestamp, 100 * round + i);
            EXPECT_TRUE(queue.IsInUse(i));
            queue.ReleaseFrame(out);
            EXPECT_FALSE(queue.IsInUse(i));
        }
        EXPECT_FALSE(queue.Dequeue(out));
    }
}

TEST(FrameQueue, RefusesIndexesItsFlagsCannotHold)
{
    CUVIDFrameQueue queue;
    queue.Enqueue(Picture(FrameQueue::cnMaximumSize));
    queue.Enqueue(Picture(-1));
    CUVIDPARSERDISPINFO out{};
    EXPECT_FALSE(queue.Dequeue(out));
    EXPECT_FALSE(queue.IsInUse(FrameQueue::cnMaximumSize));
    EXPECT_FALSE(queue.IsInUse(-1));
    EXPECT_TRUE(queue.WaitForPicture(0)) << "the waiter still hears of it";
}

TEST(FrameQueue, AFullQueueGivesUpOnceTheDecodeHasEnded)
{
    CUVIDFrameQueue queue;
    for (int i = 0; i < FrameQueue::cnMaximumSize; ++i)
        queue.Enqueue(Picture(i));
    EXPECT_TRUE(queue.WaitForPicture(0));
    queue.EndDecode();
    EXPECT_TRUE(queue.WaitForPicture(0));
    queue.ReleaseFrame(Picture(3));
    queue.Enqueue(Picture(3, 99));  // returns although the ring is full
    EXPECT_TRUE(queue.IsInUse(3)) << "the surface stays taken";
    EXPECT_TRUE(queue.WaitForPicture(0));
    CUVIDPARSERDISPINFO out{};
    for (int i = 0; i < FrameQueue::cnMaximumSize; ++i) {
        ASSERT_TRUE(queue.Dequeue(out));
        EXPECT_NE(out.timestamp, 99);
    }
    EXPECT_FALSE(queue.Dequeue(out));
}

// The source's thread fills the queue faster than the consumer empties it.
TEST(FrameQueueThreads, HandsEveryPictureOverInOrder)
{
    CUVIDFrameQueue queue;
    constexpr int kPictures = 500;
    std::thread source([&] {
        for (int i = 0; i < kPictures; ++i) {
            int surface = i % FrameQueue::cnMaximumSize;
            while (queue.IsInUse(surface))
                std::this_thread::yield();
            queue.Enqueue(Picture(surface, i));
        }
        queue.EndDecode();
    });
    std::vector<long long> seen;
    for (;;) {
        bool ended = queue.IsEndOfDecode();
        CUVIDPARSERDISPINFO out{};
        if (queue.Dequeue(out)) {
            seen.push_back(out.timestamp);
            queue.ReleaseFrame(out);
        } else if (ended) {
            break;
        } else {
            queue.WaitForPicture(100);
        }
    }
    source.join();
    ASSERT_EQ(seen.size(), size_t{kPictures});
    for (int i = 0; i < kPictures; ++i)
        EXPECT_EQ(seen[i], i);
}
