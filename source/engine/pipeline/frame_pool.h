#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/media/colour_description.h"
#include "platform/threads/lock.h"

namespace wuvo {

// 40 frames in flight: enough for a GOP of look-ahead between decoder and
// encoder, and the preview's neighbours of the shown frame.
constexpr size_t kFrameSlotCount = 40;
// One I420 frame of at most 4096 x 2160 pixels.
constexpr uint32_t kMaxFramePixels = 4096u * 2160u;
constexpr size_t kFrameBufferBytes = size_t{kMaxFramePixels} * 3 / 2;
static_assert(kFrameBufferBytes == 13'271'040);

// Whether a frame of this size fits one slot; computed wide, so no size wraps.
constexpr bool FitsFrameSlot(uint32_t width, uint32_t height)
{
    return uint64_t{width} * height <= kMaxFramePixels;
}

constexpr int32_t kPoolModePreview = 1;
constexpr int32_t kPoolModeJob = 2;

struct FrameSlot {
    uint32_t frameNumber = 0;
    uint8_t decoded = 0;
    uint8_t stamped = 0;
    uint32_t sequence = 0;
    uint8_t* buffer = nullptr;
};

// Frames travelling from the decoder through the stamper to the encoder.
// Every member but Create and Destroy is called with `lock` held.
struct FramePool {
    platform::Lock lock;
    int32_t mode = 0;
    std::array<FrameSlot, kFrameSlotCount> slots{};
    uint32_t nextSequence = 0;
    int32_t shownFrame = 0;
    uint32_t decodedCount = 0;
    // A job numbers its frames in the order the decoder delivers them; per
    // frame, the frame of the track (as the edit list shows it) whose
    // picture it is. The two differ once the decoder leaves a picture out.
    std::vector<uint32_t> trackFrames;
    uint32_t frameCount = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    // How players show the pictures: the width of a pixel over its height,
    // and how the samples' colours are read.
    uint32_t aspectX = 1;
    uint32_t aspectY = 1;
    platform::ColourDescription colour;
    uint32_t rateNumerator = 0;
    uint32_t rateDenominator = 0;
    uint8_t progressive = 0;
    int32_t firstFrameOffset = 0;
    uint32_t divisor = 1;

    // Buffers are not zero-filled, so memory is committed only when a frame
    // is written into it.
    bool Create();
    void Destroy();
    void Reset();
    uint8_t* Reserve(uint32_t frame);
    uint8_t* GetBuffer(uint32_t frame);
    // The pictures' pixel aspect, held to 1/4..4: an aspect beyond any
    // camera's is not followed further.
    float PixelAspect() const;
    bool IsDecoded(uint32_t frame) const;
    // The track frame whose picture frame n is; a frame that none was
    // recorded for is the track's own.
    uint32_t TrackFrameOf(uint32_t frame) const;
    bool IsStamped(uint32_t frame) const;
    void SetStamped(uint32_t frame, uint8_t flag);
    void SetDecoded(uint32_t frame, uint8_t flag);
    void ReleaseSkipped(uint32_t frame);
    // Frees every slot and gives the buffers' pages back to the system; a
    // buffer takes memory again only once a frame is written into it.
    void GiveBackFrames();
};

}  // namespace wuvo
