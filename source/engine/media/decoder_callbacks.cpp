#include "engine/media/decoder_callbacks.h"

#include <mutex>

#include "engine/pipeline/shared_objects.h"
#include "platform/threads/worker_thread.h"

namespace wuvo {

namespace {

// The encoder frees slots frame by frame; a short nap keeps the wait cheap.
constexpr uint32_t kFreeSlotPollMs = 10;

}  // namespace

uint8_t* GetFreeFrameBuffer(uint32_t frame)
{
    for (;;) {
        {
            std::lock_guard guard(gFramePool->lock);
            if (uint8_t* buffer = gFramePool->Reserve(frame))
                return buffer;
        }
        platform::SleepMs(kFreeSlotPollMs);
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
