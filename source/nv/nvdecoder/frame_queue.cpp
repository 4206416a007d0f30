#include "nv/nvdecoder/frame_queue.h"

#include "platform/threads/worker_thread.h"

namespace wuvo::NSNVDECODE {

namespace {

// How long the source's thread naps while the consumer frees a place.
constexpr uint32_t kFullQueuePollMs = 1;

}  // namespace

void FrameQueue::EndDecode()
{
    endOfDecode_.store(1);
    event_.Set();
}

bool FrameQueue::IsInUse(int pictureIndex) const
{
    return IsValidPictureIndex(pictureIndex) && inUse_[pictureIndex].load() != 0;
}

void CUVIDFrameQueue::Enqueue(const CUVIDPARSERDISPINFO& picture)
{
    if (IsValidPictureIndex(picture.picture_index)) {
        inUse_[picture.picture_index].store(1);
        for (;;) {
            {
                std::lock_guard guard(lock_);
                if (count_ < cnMaximumSize) {
                    ring_[(readPosition_ + count_) % cnMaximumSize] = picture;
                    ++count_;
                    break;
                }
            }
            if (IsEndOfDecode())
                break;
            platform::SleepMs(kFullQueuePollMs);
        }
    }
    event_.Set();
}

bool CUVIDFrameQueue::Dequeue(CUVIDPARSERDISPINFO& picture)
{
    picture.picture_index = -1;
    std::lock_guard guard(lock_);
    if (count_ == 0)
        return false;
    picture = ring_[readPosition_];
    readPosition_ = (readPosition_ + 1) % cnMaximumSize;
    --count_;
    return true;
}

void CUVIDFrameQueue::ReleaseFrame(const CUVIDPARSERDISPINFO& picture)
{
    if (IsValidPictureIndex(picture.picture_index))
        inUse_[picture.picture_index].store(0);
}

}  // namespace wuvo::NSNVDECODE
