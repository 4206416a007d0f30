#include "engine/pipeline/frame_pool.h"

#include <algorithm>
#include <cstdlib>

#include "engine/pipeline/shared_objects.h"
#include "platform/memory/returned_memory.h"

namespace wuvo {

namespace {

// The preview keeps the shown frame and two on either side, so that a step
// back or forth does not decode again.
constexpr int32_t kPreviewKeepDistance = 2;
constexpr uint32_t kResetRateNumerator = 60000;
constexpr uint32_t kResetRateDenominator = 2002;
constexpr float kMaxPixelAspect = 4.0f;

FrameSlot* LowestSlotOf(std::array<FrameSlot, kFrameSlotCount>& slots, uint32_t frame, bool decodedOnly)
{
    for (auto& slot : slots)
        if (slot.frameNumber == frame && (!decodedOnly || slot.decoded))
            return &slot;
    return nullptr;
}

}  // namespace

bool FramePool::Create()
{
    Reset();
    for (auto& slot : slots) {
        slot.buffer = static_cast<uint8_t*>(std::malloc(kFrameBufferBytes));
        if (!slot.buffer) {
            Destroy();
            return false;
        }
    }
    return true;
}

void FramePool::Destroy()
{
    for (auto& slot : slots) {
        std::free(slot.buffer);
        slot.buffer = nullptr;
    }
}

void FramePool::Reset()
{
    for (auto& slot : slots) {
        slot.frameNumber = 0;
        slot.decoded = 0;
        slot.stamped = 0;
        slot.sequence = 0;
    }
    nextSequence = 0;
    shownFrame = 0;
    decodedCount = 0;
    std::vector<uint32_t>().swap(trackFrames);
    frameCount = 0;
    width = 0;
    aspectX = aspectY = 1;
    colour = {};
    rateNumerator = kResetRateNumerator;
    rateDenominator = kResetRateDenominator;
    progressive = 0;
    divisor = 1;
}

float FramePool::PixelAspect() const
{
    if (aspectX == 0 || aspectY == 0)
        return 1.0f;
    float aspect = static_cast<float>(aspectX) / static_cast<float>(aspectY);
    return std::clamp(aspect, 1.0f / kMaxPixelAspect, kMaxPixelAspect);
}

uint8_t* FramePool::Reserve(uint32_t frame)
{
    for (auto& slot : slots) {
        if (!slot.decoded) {
            slot.frameNumber = frame;
            return slot.buffer;
        }
    }
    if (mode == kPoolModeJob)
        return nullptr;

    FrameSlot* oldest = &slots[0];
    for (auto& slot : slots)
        if (slot.sequence < oldest->sequence)
            oldest = &slot;

    // Wide, so that a shown frame near either end of int32 cannot overflow.
    int64_t distance = int64_t{static_cast<int32_t>(oldest->frameNumber)} - shownFrame;
    if (distance > kPreviewKeepDistance || distance < -kPreviewKeepDistance) {
        oldest->frameNumber = frame;
        oldest->decoded = 0;
        return oldest->buffer;
    }
    // The oldest frame is on screen or next to it; make it the newest so the
    // next attempt looks elsewhere.
    if (static_cast<int32_t>(frame) == shownFrame)
        oldest->sequence = nextSequence++;
    return nullptr;
}

uint8_t* FramePool::GetBuffer(uint32_t frame)
{
    FrameSlot* slot = LowestSlotOf(slots, frame, true);
    return slot ? slot->buffer : nullptr;
}

bool FramePool::IsDecoded(uint32_t frame) const
{
    for (const auto& slot : slots)
        if (slot.frameNumber == frame && slot.decoded)
            return true;
    return false;
}

uint32_t FramePool::TrackFrameOf(uint32_t frame) const
{
    return frame < trackFrames.size() ? trackFrames[frame] : frame;
}

bool FramePool::IsStamped(uint32_t frame) const
{
    for (const auto& slot : slots)
        if (slot.frameNumber == frame && slot.stamped)
            return true;
    return false;
}

void FramePool::SetStamped(uint32_t frame, uint8_t flag)
{
    if (FrameSlot* slot = LowestSlotOf(slots, frame, false))
        slot->stamped = flag;
    gPipelineChanged.Notify();
}

void FramePool::SetDecoded(uint32_t frame, uint8_t flag)
{
    FrameSlot* slot = LowestSlotOf(slots, frame, false);
    if (!slot)
        return;
    slot->decoded = flag;
    if (flag)
        slot->sequence = nextSequence++;
    else
        slot->stamped = 0;
    gPipelineChanged.Notify();
}

void FramePool::ReleaseSkipped(uint32_t frame)
{
    auto limit = static_cast<int32_t>(frame);
    auto step = static_cast<int32_t>(divisor);
    for (auto& slot : slots) {
        auto held = static_cast<int32_t>(slot.frameNumber);
        // A zero divisor keeps every frame rather than dividing by zero.
        bool skipped = step > 1 && held % step != 0;
        if (slot.decoded && held < limit && skipped) {
            slot.decoded = 0;
            slot.stamped = 0;
        }
    }
    gPipelineChanged.Notify();
}

void FramePool::GiveBackFrames()
{
    for (auto& slot : slots) {
        slot.decoded = 0;
        slot.stamped = 0;
        platform::DiscardPages(slot.buffer, kFrameBufferBytes);
    }
}

}  // namespace wuvo
