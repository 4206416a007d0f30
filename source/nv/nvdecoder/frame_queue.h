#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "nv/common/src/nvidia_api.h"
#include "platform/threads/auto_reset_event.h"

namespace wuvo::NSNVDECODE {

// Pictures ready for display, handed from NVCUVID's source thread to the
// thread that copies them out. The in-use flags are indexed by decode
// surface and tell the decoder which surfaces it must not decode into yet.
class FrameQueue {
public:
    static constexpr int cnMaximumSize = 20;

    FrameQueue() = default;
    FrameQueue(const FrameQueue&) = delete;
    FrameQueue& operator=(const FrameQueue&) = delete;
    virtual ~FrameQueue() = default;

    virtual void Init(uint32_t /*width*/, uint32_t /*height*/) {}
    virtual void Enqueue(const CUVIDPARSERDISPINFO& picture) = 0;
    // Never blocks: false, with picture index -1, when the queue is empty.
    virtual bool Dequeue(CUVIDPARSERDISPINFO& picture) = 0;
    virtual void ReleaseFrame(const CUVIDPARSERDISPINFO& picture) = 0;

    // The source has stopped: no picture will come, and nobody waits any more.
    void EndDecode();
    bool IsEndOfDecode() const { return endOfDecode_.load() != 0; }
    // False for an index outside the flags, which the driver must not hand out.
    bool IsInUse(int pictureIndex) const;
    static bool IsValidPictureIndex(int pictureIndex) { return pictureIndex >= 0 && pictureIndex < cnMaximumSize; }
    // Waits until a picture was queued or the decode ended, at most `milliseconds`.
    bool WaitForPicture(uint32_t milliseconds) { return event_.Wait(milliseconds); }

protected:
    platform::AutoResetEvent event_;
    std::mutex lock_;  // guards the ring of the derived class
    int32_t readPosition_ = 0;
    int32_t count_ = 0;
    std::array<std::atomic<int32_t>, cnMaximumSize> inUse_{};
    std::atomic<int32_t> endOfDecode_{0};
};

class CUVIDFrameQueue : public FrameQueue {
public:
    // Waits while the ring is full, and gives the picture up once the decode
    // has ended. A picture index the flags cannot hold is refused.
    void Enqueue(const CUVIDPARSERDISPINFO& picture) override;
    bool Dequeue(CUVIDPARSERDISPINFO& picture) override;
    void ReleaseFrame(const CUVIDPARSERDISPINFO& picture) override;

private:
    std::array<CUVIDPARSERDISPINFO, cnMaximumSize> ring_{};
};

}  // namespace wuvo::NSNVDECODE
