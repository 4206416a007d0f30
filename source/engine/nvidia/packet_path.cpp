#include "engine/nvidia/packet_path.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "engine/pipeline/frame_wait.h"
#include "engine/pipeline/shared_objects.h"

namespace wuvo {

namespace {

// The encoder's frame n as the pool's frame, and whether it has one: an
// interlaced source is encoded field by field, two encoder frames a frame.
struct PoolFrame {
    uint32_t frame = 0;
    bool counted = true;
};

PoolFrame PoolFrameOf(uint32_t n, bool releasing)
{
    std::lock_guard guard(gFramePool->lock);
    bool interlaced = gFramePool->progressive == 0;
    if (interlaced && releasing && n % 2 == 0)
        return {0, false};
    uint32_t m = interlaced ? n / 2 : n;
    auto offset = static_cast<uint32_t>(std::max(gFramePool->firstFrameOffset, 0));
    if (m < offset)
        return {m, !releasing};
    uint32_t divisor = gFramePool->divisor == 0 ? 1 : gFramePool->divisor;
    return {(m - offset) * divisor, true};
}

}  // namespace

uint8_t* GetStampedFrame(uint32_t frame)
{
    uint32_t f = PoolFrameOf(frame, false).frame;
    if (WaitForFrame(&FramePool::IsStamped, f, *gEncodeState, *gStampState) != FrameWait::Ready)
        return nullptr;
    // The encoder will never ask for the frames between the kept ones.
    if (gFramePool->divisor > 1)
        gFramePool->ReleaseSkipped(f);
    uint8_t* buffer = gFramePool->GetBuffer(f);
    gFramePool->lock.Leave();
    return buffer;
}

void PushEncodedPacket(uint32_t size, const uint8_t* data, uint32_t frameIndex, StampJob& job)
{
    job.packetsReceived += 1;
    if (job.packetsReceived <= job.packetSkipCount)
        return;
    {
        std::lock_guard guard(gPacketQueue->lock);
        gPacketQueue->staging.data.assign(data, data + size);
        gPacketQueue->staging.frame = frameIndex;
        gPacketQueue->packets.push_back(std::move(gPacketQueue->staging));
        gPacketQueue->pushedCount += 1;
    }
    gPipelineChanged.Notify();
}

void ReleaseEncodedFrame(uint32_t frame, StampJob& job)
{
    job.framesReleased += 1;
    PoolFrame pool = PoolFrameOf(frame, true);
    if (!pool.counted)
        return;
    std::lock_guard guard(gFramePool->lock);
    gFramePool->SetDecoded(pool.frame, 0);
}

}  // namespace wuvo
