#include "engine/nvidia/packet_path.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "engine/pipeline/frame_wait.h"
#include "engine/pipeline/shared_objects.h"

namespace wuvo {

namespace {

// The encoder's frame n as the pool's frame, and whether it has one. The
// decoder delivers one picture per sample, interlaced or not, and NVENC
// encodes each as a whole frame: frame n shows picture n.
struct PoolFrame {
    uint32_t frame = 0;
    bool counted = true;
};

PoolFrame PoolFrameOf(uint32_t n, bool releasing)
{
    std::lock_guard guard(gFramePool->lock);
    auto offset = static_cast<uint32_t>(std::max(gFramePool->firstFrameOffset, 0));
    if (n < offset)
        return {n, !releasing};
    uint32_t divisor = gFramePool->divisor == 0 ? 1 : gFramePool->divisor;
    return {(n - offset) * divisor, true};
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
