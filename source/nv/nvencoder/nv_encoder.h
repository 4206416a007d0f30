#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "nv/common/src/nvidia_api.h"
#include "nv/nvencoder/nv_hw_encoder.h"

namespace wuvo::NVENCODER {

// What the encode job hands the encode driver.
struct EncodeJobConfig {
    uint32_t frameCount = 0;  // frames 0 .. frameCount - 1 are asked for
    GetFrameCallback getFrame = nullptr;
    WriteCallback writePacket = nullptr;
    FrameDoneCallback frameDone = nullptr;
    void* context = nullptr;
    uint32_t gopLength = 1;  // the source's; below 2 it gives none
    uint32_t bitrate = 0;    // bit/s
    uint32_t rateNumerator = 0;
    uint32_t rateDenominator = 0;
    // The size of the frames get-frame hands out, packed I420.
    uint32_t encodeWidth = 0;
    uint32_t encodeHeight = 0;
    uint32_t aspectX = 1;
    uint32_t aspectY = 1;
    platform::ColourDescription colour;
};

constexpr int32_t kEncodeOk = 0;
constexpr int32_t kEncodeFailed = 1;
constexpr uint32_t kMaxEncodeBuffers = 32;
// Asked for, where the card and the GOP allow them.
constexpr uint32_t kEncodeBFrames = 2;

// Pictures in flight: B pictures + 4, else fewer the larger the frame.
uint32_t EncodeBufferCount(uint32_t width, uint32_t height, uint32_t bFrames);

// The source's GOP length; where it gives none (fewer than two sync
// samples, or every sample one), about one second of frames, as cameras
// record them.
uint32_t GopLengthFor(uint32_t sourceGop, uint32_t rateNumerator, uint32_t rateDenominator);

// A CUDA call that failed, in words for the log.
std::string CudaFailure(const char* call, int32_t result);

// Planar 4:2:0 into NV12; a stride of 0 means the width.
void ConvertI420ToNv12(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* dstY, uint8_t* dstUV,
                       int32_t width, int32_t height, int32_t srcStride, int32_t dstStride);

// The buffers cycle in index order and complete in submission order.
template <typename T>
class BufferRing {
public:
    void Init(std::vector<T*> items)
    {
        items_ = std::move(items);
        pending_ = nextFree_ = oldestPending_ = 0;
    }
    T* TakeFree()
    {
        if (pending_ >= items_.size())
            return nullptr;
        T* item = items_[nextFree_];
        nextFree_ = (nextFree_ + 1) % items_.size();
        ++pending_;
        return item;
    }
    // Gives back the buffer just taken, when nothing was submitted with it.
    void ReturnLastTaken()
    {
        nextFree_ = (nextFree_ + static_cast<uint32_t>(items_.size()) - 1) % items_.size();
        --pending_;
    }
    T* TakeOldestPending()
    {
        if (pending_ == 0)
            return nullptr;
        T* item = items_[oldestPending_];
        oldestPending_ = (oldestPending_ + 1) % items_.size();
        --pending_;
        return item;
    }
    uint32_t Pending() const { return pending_; }

private:
    std::vector<T*> items_;
    uint32_t pending_ = 0;
    uint32_t nextFree_ = 0;
    uint32_t oldestPending_ = 0;
};

// One whole NVENC encode on the calling thread: frames by number through
// get-frame, bitstreams out through the write callback.
class CNvEncoder {
public:
    CNvEncoder();
    CNvEncoder(const CNvEncoder&) = delete;
    CNvEncoder& operator=(const CNvEncoder&) = delete;
    virtual ~CNvEncoder();

    // 0, or 1 for any set-up or flush failure; everything made is released.
    int32_t EncodeMain(const EncodeJobConfig& config);
    // Why EncodeMain failed, in words for the log; empty when it did not.
    const std::string& Failure() const { return m_pNvHWEncoder->m_failure.Text(); }

private:
    int32_t InitCuda(int32_t deviceOrdinal);
    NVENCSTATUS AllocateIOBuffers(uint32_t width, uint32_t height, NV_ENC_BUFFER_FORMAT format);
    NVENCSTATUS ReleaseIOBuffers();
    NVENCSTATUS EncodeFrame(const uint8_t* frame, uint32_t frameNumber, uint32_t width, uint32_t height,
                            uint32_t idrPeriod);
    NVENCSTATUS Flush();
    // The CUDA context, the session and its buffers; false when one fails.
    bool SetUp(EncodeSettings& settings);
    // Encodes every frame and flushes: kEncodeOk, or kEncodeFailed when a
    // picture was lost or the flush failed.
    int32_t Run(const EncodeJobConfig& config, const EncodeSettings& settings);
    // Hands the buffer's bitstream on; a picture that gives none is counted lost.
    void Collect(EncodeIoBuffer* buffer);
    // The frames submitted.
    uint32_t EncodeFrames(const EncodeJobConfig& config, const EncodeSettings& settings);

    std::unique_ptr<CNvHWEncoder> m_pNvHWEncoder;
    uint32_t m_uEncodeBufferCount = 0;
    NV_ENC_PIC_STRUCT m_uPicStruct = NV_ENC_PIC_STRUCT_FRAME;
    CUcontext m_cuContext = nullptr;
    bool m_async = false;
    std::array<EncodeIoBuffer, kMaxEncodeBuffers> m_stEncodeBuffer{};
    BufferRing<EncodeIoBuffer> m_EncodeBufferQueue;
    void* m_stEOSOutputBfr = nullptr;
    GetFrameCallback m_getFrame = nullptr;
    // Pictures refused or without a bitstream: holes in the stream.
    uint32_t m_lostPictures = 0;
};

}  // namespace wuvo::NVENCODER
