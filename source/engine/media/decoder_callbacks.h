#pragma once

#include <cstdint>

namespace wuvo {

constexpr uint32_t kDecoderPathMediaLayer = 0;
constexpr uint32_t kDecoderPathNvdec = 1;

// What a decode loop is given: where to start and how to hand frames to the
// frame pool.
struct DecoderCallbacks {
    uint32_t startFrame = 0;  // preview: the frame to decode; job: 0
    uint32_t seekFlag = 0;    // 1 = preview: seek to startFrame, decode one frame
    uint32_t decoderPath = kDecoderPathMediaLayer;
    uint32_t targetWidth = 0;  // NVDEC only; 0 x 0 = native
    uint32_t targetHeight = 0;
    int32_t (*nextPacket)(uint8_t* buffer, uint32_t* length) = nullptr;
    uint8_t* (*getBuffer)(uint32_t frame) = nullptr;
    void (*setSize)(uint32_t width, uint32_t height) = nullptr;
    void (*frameRate)(uint32_t numerator, uint32_t denominator, int32_t progressive) = nullptr;
    void (*frameDone)(uint32_t frame) = nullptr;
    bool (*stopRequested)() = nullptr;  // NVDEC only: the job is stopping
    const char16_t* path = nullptr;  // preview only
};

// A free pool slot for frame n; waits while the pool is full and gives none
// only when the decode is asked to stop.
uint8_t* GetFreeFrameBuffer(uint32_t frame);
void SetFrameSize(uint32_t width, uint32_t height);
void FrameDecoded(uint32_t frame);

// The same for a job, which numbers its frames in the order they come: the
// decoder may leave pictures out. The decode loop names the track frame
// (as the edit list shows the track) whose picture it delivers; the pool
// keeps it with the job's frame, for its time.
uint8_t* GetJobFrameBuffer(uint32_t trackFrame);
void JobFrameDecoded(uint32_t trackFrame);

}  // namespace wuvo
