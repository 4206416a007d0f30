#include "nv/nvencoder/nv_encoder.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "nv/common/src/driver_loader.h"
#include "platform/nvidia/completion_event.h"

namespace wuvo::NVENCODER {

namespace {

constexpr uint32_t kBitstreamBufferBytes = 0x200000;  // 2 MiB, as much as one picture takes
constexpr uint32_t kEndOfStreamWaitMs = 500;
constexpr uint32_t kQp = 28;
constexpr float kIQuantFactor = 0.8f;
constexpr float kBQuantFactor = 1.25f;
constexpr float kBQuantOffset = 1.25f;
constexpr int kMinComputeCapability = 0x30;  // 3.0: the first GPUs with NVENC
constexpr uint32_t kSpareBuffers = 4;
constexpr uint32_t kBlocksFor4 = 32768;
constexpr uint32_t kBlocksFor8 = 16384;
constexpr uint32_t kBlocksFor16 = 8160;

#define WUVO_ENCODER_MESSAGE(format, ...) std::fprintf(stderr, "%s line %d: " format, "NvEncoder", __LINE__, ##__VA_ARGS__)

}  // namespace

uint32_t EncodeBufferCount(uint32_t width, uint32_t height, uint32_t bFrames)
{
    if (bFrames > 0)
        return bFrames + kSpareBuffers;
    uint32_t blocks = ((height + 15) / 16) * ((width + 15) / 16);
    return blocks >= kBlocksFor4 ? 4 : blocks >= kBlocksFor8 ? 8 : blocks >= kBlocksFor16 ? 16 : kMaxEncodeBuffers;
}

void ConvertI420ToNv12(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* dstY, uint8_t* dstUV,
                       int32_t width, int32_t height, int32_t srcStride, int32_t dstStride)
{
    if (srcStride == 0)
        srcStride = width;
    if (dstStride == 0)
        dstStride = width;
    for (int32_t row = 0; row < height; ++row)
        std::memcpy(dstY + static_cast<ptrdiff_t>(row) * dstStride, y + static_cast<ptrdiff_t>(row) * srcStride,
                    static_cast<size_t>(width));
    const int32_t chromaStride = srcStride / 2;
    for (int32_t row = 0; row < height / 2; ++row) {
        uint8_t* out = dstUV + static_cast<ptrdiff_t>(row) * dstStride;
        for (int32_t x = 0; x < width; x += 2) {
            ptrdiff_t at = static_cast<ptrdiff_t>(row) * chromaStride + x / 2;
            out[x] = u[at];
            out[x + 1] = v[at];
        }
    }
}

CNvEncoder::CNvEncoder() : m_pNvHWEncoder(std::make_unique<CNvHWEncoder>()) {}

CNvEncoder::~CNvEncoder() = default;

int32_t CNvEncoder::InitCuda(int32_t deviceOrdinal)
{
    if (int32_t result = nv::cuInit(); result != 0) {
        WUVO_ENCODER_MESSAGE("cuInit error:0x%x\n", static_cast<unsigned>(result));
        return 1;
    }
    int count = 0;
    if (CUresult result = WUVO_CUDA(cuDeviceGetCount, &count); result != CUDA_SUCCESS) {
        WUVO_ENCODER_MESSAGE("cuDeviceGetCount error:0x%x\n", static_cast<unsigned>(result));
        return 1;
    }
    if (deviceOrdinal < 0)
        deviceOrdinal = 0;
    if (static_cast<uint32_t>(deviceOrdinal) > static_cast<uint32_t>(count - 1)) {
        WUVO_ENCODER_MESSAGE("Invalid Device Id = %d\n", deviceOrdinal);
        return 3;
    }
    CUdevice device = 0;
    if (CUresult result = WUVO_CUDA(cuDeviceGet, &device, deviceOrdinal); result != CUDA_SUCCESS) {
        WUVO_ENCODER_MESSAGE("cuDeviceGet error:0x%x\n", static_cast<unsigned>(result));
        return 1;
    }
    int major = 0, minor = 0;
    if (CUresult result = WUVO_CUDA(cuDeviceComputeCapability, &major, &minor, deviceOrdinal); result != CUDA_SUCCESS) {
        WUVO_ENCODER_MESSAGE("cuDeviceComputeCapability error:0x%x\n", static_cast<unsigned>(result));
        return 1;
    }
    if (major * 16 + minor < kMinComputeCapability) {
        WUVO_ENCODER_MESSAGE("GPU %d does not have NVENC capabilities exiting\n", deviceOrdinal);
        return 1;
    }
    if (CUresult result = WUVO_CUDA(cuCtxCreate_v2, &m_cuContext, 0u, device); result != CUDA_SUCCESS) {
        m_cuContext = nullptr;
        WUVO_ENCODER_MESSAGE("cuCtxCreate error:0x%x\n", static_cast<unsigned>(result));
        return 1;
    }
    CUcontext current = nullptr;
    if (CUresult result = WUVO_CUDA(cuCtxPopCurrent_v2, &current); result != CUDA_SUCCESS) {
        WUVO_ENCODER_MESSAGE("cuCtxPopCurrent error:0x%x\n", static_cast<unsigned>(result));
        return 1;
    }
    return 0;
}

NVENCSTATUS CNvEncoder::AllocateIOBuffers(uint32_t width, uint32_t height, NV_ENC_BUFFER_FORMAT format)
{
    std::vector<EncodeIoBuffer*> items;
    for (uint32_t i = 0; i < m_uEncodeBufferCount; ++i)
        items.push_back(&m_stEncodeBuffer[i]);
    m_EncodeBufferQueue.Init(std::move(items));
    NV_ENCODE_API_FUNCTION_LIST& api = *m_pNvHWEncoder->m_pEncodeAPI;
    for (uint32_t i = 0; i < m_uEncodeBufferCount; ++i) {
        EncodeIoBuffer& buffer = m_stEncodeBuffer[i];
        NVENCSTATUS status = m_pNvHWEncoder->CreateInputBuffer(width, height, &buffer.inputBuffer, format);
        if (status != NV_ENC_SUCCESS)
            return status;
        buffer.bufferFormat = format;
        buffer.width = width;
        buffer.height = height;
        NV_ENC_CREATE_BITSTREAM_BUFFER bitstream{};
        bitstream.version = NV_ENC_CREATE_BITSTREAM_BUFFER_VER;
        bitstream.size = kBitstreamBufferBytes;
        bitstream.memoryHeap = NV_ENC_MEMORY_HEAP_SYSMEM_CACHED;
        if ((status = api.nvEncCreateBitstreamBuffer(m_pNvHWEncoder->m_hEncoder, &bitstream)) != NV_ENC_SUCCESS)
            return status;
        buffer.bitstreamBuffer = bitstream.bitstreamBuffer;
        buffer.bitstreamBufferSize = kBitstreamBufferBytes;
        if (m_async) {
            if ((status = m_pNvHWEncoder->RegisterAsyncEvent(&buffer.completionEvent)) != NV_ENC_SUCCESS)
                return status;
            buffer.waitOnEvent = true;
        }
    }
    return m_async ? m_pNvHWEncoder->RegisterAsyncEvent(&m_stEOSOutputBfr) : NV_ENC_SUCCESS;
}

NVENCSTATUS CNvEncoder::ReleaseIOBuffers()
{
    CNvHWEncoder& hw = *m_pNvHWEncoder;
    auto release = [&hw](void*& event) {
        hw.UnregisterAsyncEvent(event);
        platform::CloseCompletionEvent(event);
        event = nullptr;
    };
    for (EncodeIoBuffer& buffer : m_stEncodeBuffer) {
        if (buffer.inputBuffer)
            hw.m_pEncodeAPI->nvEncDestroyInputBuffer(hw.m_hEncoder, buffer.inputBuffer);
        if (buffer.bitstreamBuffer)
            hw.m_pEncodeAPI->nvEncDestroyBitstreamBuffer(hw.m_hEncoder, buffer.bitstreamBuffer);
        buffer.inputBuffer = nullptr;
        buffer.bitstreamBuffer = nullptr;
        if (buffer.completionEvent)
            release(buffer.completionEvent);
    }
    if (m_stEOSOutputBfr)
        release(m_stEOSOutputBfr);
    NVENCSTATUS status = NV_ENC_SUCCESS;
    // An opened session is closed also when its encoder never initialised.
    if (hw.m_hEncoder) {
        status = hw.m_pEncodeAPI->nvEncDestroyEncoder(hw.m_hEncoder);
        hw.m_hEncoder = nullptr;
        hw.m_initialized = false;
    }
    if (m_cuContext) {
        if (CUresult result = WUVO_CUDA(cuCtxDestroy_v2, m_cuContext); result != CUDA_SUCCESS)
            WUVO_ENCODER_MESSAGE("cuCtxDestroy error:0x%x\n", static_cast<unsigned>(result));
        m_cuContext = nullptr;
    }
    return status;
}

NVENCSTATUS CNvEncoder::EncodeFrame(const uint8_t* frame, uint32_t frameNumber, uint32_t width, uint32_t height,
                                    uint32_t idrPeriod)
{
    CNvHWEncoder& hw = *m_pNvHWEncoder;
    EncodeIoBuffer* buffer = m_EncodeBufferQueue.TakeFree();
    if (!buffer) {
        Collect(m_EncodeBufferQueue.TakeOldestPending());
        buffer = m_EncodeBufferQueue.TakeFree();
    }
    NV_ENC_LOCK_INPUT_BUFFER lock{};
    lock.version = NV_ENC_LOCK_INPUT_BUFFER_VER;
    lock.inputBuffer = buffer->inputBuffer;
    NVENCSTATUS status = hw.m_pEncodeAPI->nvEncLockInputBuffer(hw.m_hEncoder, &lock);
    if (status == NV_ENC_SUCCESS) {
        auto* luma = static_cast<uint8_t*>(lock.bufferDataPtr);
        const uint8_t* u = frame + size_t{width} * height;
        const uint8_t* v = u + size_t{width / 2} * (height / 2);
        ConvertI420ToNv12(frame, u, v, luma, luma + size_t{lock.pitch} * buffer->height, static_cast<int32_t>(width),
                          static_cast<int32_t>(height), static_cast<int32_t>(width), static_cast<int32_t>(lock.pitch));
        status = hw.m_pEncodeAPI->nvEncUnlockInputBuffer(hw.m_hEncoder, buffer->inputBuffer);
    }
    if (status == NV_ENC_SUCCESS)
        status = hw.EncodeFrame(buffer, width, height, idrPeriod, m_uPicStruct, frameNumber);
    if (status != NV_ENC_SUCCESS) {
        // Nothing will come out of this buffer: give it back and free the frame.
        ++m_lostPictures;
        m_EncodeBufferQueue.ReturnLastTaken();
        hw.m_frameDoneCallback(frameNumber, hw.m_callbackContext);
    }
    return status;
}

NVENCSTATUS CNvEncoder::Flush()
{
    CNvHWEncoder& hw = *m_pNvHWEncoder;
    NV_ENC_PIC_PARAMS params{};
    params.version = NV_ENC_PIC_PARAMS_VER;
    params.encodePicFlags = NV_ENC_PIC_FLAG_EOS;
    params.completionEvent = m_stEOSOutputBfr;
    if (NVENCSTATUS status = hw.m_pEncodeAPI->nvEncEncodePicture(hw.m_hEncoder, &params); status != NV_ENC_SUCCESS)
        return status;
    while (EncodeIoBuffer* buffer = m_EncodeBufferQueue.TakeOldestPending())
        Collect(buffer);
    if (m_async && !platform::WaitCompletionEvent(m_stEOSOutputBfr, kEndOfStreamWaitMs))
        return NV_ENC_ERR_GENERIC;
    return NV_ENC_SUCCESS;
}

void CNvEncoder::Collect(EncodeIoBuffer* buffer)
{
    if (m_pNvHWEncoder->ProcessOutput(buffer) != NV_ENC_SUCCESS)
        ++m_lostPictures;
}

uint32_t CNvEncoder::EncodeFrames(const EncodeJobConfig& config, const EncodeSettings& settings)
{
    uint32_t frames = 0;
    for (; frames < config.frameCount; ++frames) {
        const uint8_t* picture = m_getFrame(frames);
        if (!picture)
            break;
        EncodeFrame(picture, frames, settings.width, settings.height, settings.gopLength);
    }
    return frames;
}

int32_t CNvEncoder::EncodeMain(const EncodeJobConfig& config)
{
    CNvHWEncoder& hw = *m_pNvHWEncoder;
    m_getFrame = config.getFrame;
    hw.m_getFrameCallback = config.getFrame;
    hw.m_writeCallback = config.writePacket;
    hw.m_frameDoneCallback = config.frameDone;
    hw.m_callbackContext = config.context;
    if (config.rateDenominator == 0 || config.rateNumerator == 0) {
        WUVO_ENCODER_MESSAGE("nvEncoder.exe Error: no frame rate \n");
        return kEncodeFailed;
    }
    EncodeSettings settings;
    settings.width = config.encodeWidth;
    settings.height = config.encodeHeight;
    settings.rateNumerator = config.rateNumerator;
    settings.rateDenominator = config.rateDenominator;
    settings.averageBitrate = config.bitrate;
    settings.rateControlMode = NV_ENC_PARAMS_RC_CBR;
    settings.qp = kQp;
    settings.iQuantFactor = kIQuantFactor;
    settings.bQuantFactor = kBQuantFactor;
    settings.bQuantOffset = kBQuantOffset;
    settings.presetGuid = kPresetDefaultGuid;
    // A period of 0 would make no picture an IDR picture.
    settings.gopLength = config.gopLength == 0 ? 1 : config.gopLength;
    settings.numB = kEncodeBFrames;
    settings.aspectX = config.aspectX;
    settings.aspectY = config.aspectY;
    settings.colour = config.colour;
    if (settings.width % 2 != 0 || settings.height % 2 != 0 || settings.width == 0 || settings.height == 0) {
        WUVO_ENCODER_MESSAGE("nvEncoder.exe Error: Odd dimentions are not supported \n");
        return kEncodeFailed;
    }
    int32_t result = kEncodeFailed;
    if (InitCuda(0) == 0 && hw.Initialize(m_cuContext, NV_ENC_DEVICE_TYPE_CUDA) == NV_ENC_SUCCESS &&
        hw.CreateEncoder(settings) == NV_ENC_SUCCESS) {
        m_async = settings.asyncMode != 0;
        m_uEncodeBufferCount = EncodeBufferCount(settings.width, settings.height, settings.numB);
        if (AllocateIOBuffers(settings.width, settings.height, settings.inputFormat) == NV_ENC_SUCCESS) {
            auto start = std::chrono::steady_clock::now();
            uint32_t frames = EncodeFrames(config, settings);
            // A picture lost anywhere is a hole in the stream: the file fails.
            if (Flush() == NV_ENC_SUCCESS && m_lostPictures == 0) {
                result = kEncodeOk;
                if (frames > 0) {
                    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
                    std::printf("Encoded %d frames in %6.2fms\n", static_cast<int>(frames), ms);
                    std::printf("Avergage Encode Time : %6.2fms\n", ms / frames);
                }
            }
        }
    }
    ReleaseIOBuffers();
    return result;
}

}  // namespace wuvo::NVENCODER
