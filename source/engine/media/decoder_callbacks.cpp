#include "engine/media/decoder_callbacks.h"

#include <mutex>

#include "engine/pipeline/shared_objects.h"

namespace wuvo {

namespace {

// The encoder frees slots frame by frame and signals each; the poll only
// bounds the wait.
constexpr uint32_t kFreeSlotPollMs = 10;

// With the pool's lock held.
void MarkDecoded(uint32_t frame)
{
    gFramePool->SetDecoded(frame, 1);
    gFramePool->decodedCount += 1;
}

}  // namespace

uint8_t* GetFreeFrameBuffer(uint32_t frame)
{
    for (;;) {
        uint64_t seen = gPipelineChanged.Changes();
        {
            std::lock_guard guard(gFramePool->lock);
            if (uint8_t* buffer = gFramePool->Reserve(frame))
                return buffer;
        }
        gPipelineChanged.WaitAfter(seen, kFreeSlotPollMs);
        if (IsAbortRequested(*gDecodeState))
            return nullptr;
    }
}

void SetFrameSize(uint32_t width, uint32_t height)
{
    std::lock_guard guard(gFramePool->lock);
    gFramePool->width = width;
    gFramePool->height = height;
}

void FrameDecoded(uint32_t frame)
{
    std::lock_guard guard(gFramePool->lock);
    MarkDecoded(frame);
}

uint8_t* GetJobFrameBuffer(uint32_t)
{
    uint32_t frame = 0;
    {
        std::lock_guard guard(gFramePool->lock);
        frame = static_cast<uint32_t>(gFramePool->trackFrames.size());
    }
    return GetFreeFrameBuffer(frame);
}

void JobFrameDecoded(uint32_t trackFrame)
{
    std::lock_guard guard(gFramePool->lock);
    gFramePool->trackFrames.push_back(trackFrame);
    MarkDecoded(static_cast<uint32_t>(gFramePool->trackFrames.size() - 1));
}

}  // namespace wuvo
