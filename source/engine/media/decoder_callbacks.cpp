#include "engine/media/decoder_callbacks.h"

#include <mutex>

#include "engine/pipeline/shared_objects.h"

namespace wuvo {

namespace {

// The encoder frees slots frame by frame and signals each; the poll only
// bounds the wait.
constexpr uint32_t kFreeSlotPollMs = 10;

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
    gFramePool->SetDecoded(frame, 1);
    gFramePool->decodedCount += 1;
}

}  // namespace wuvo
