#include "nv/nvencoder/nv_encoder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <limits>

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
// A GOP of one picture makes every picture an IDR picture: no GOP at all.
constexpr uint32_t kMinSourceGop = 2;

#define WUVO_ENCODER_MESSAGE(format, ...) std::fprintf(stderr, "%s line %d: " format, "NvEncoder", __LINE__, ##__VA_ARGS__)

// The session's settings for the job's frames.
EncodeSettings SettingsFor(const EncodeJobConfig& config)
{
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
    settings.gopLength = GopLengthFor(config.gopLength, config.rateNumerator, config.rateDenominator);
    settings.numB = kEncodeBFrames;
    settings.aspectX = config.aspectX;
    settings.aspectY = config.aspectY;
    settings.colour = config.colour;
    return settings;
}

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

uint32_t GopLengthFor(uint32_t sourceGop, uint32_t rateNumerator, uint32_t rateDenominator)
{
    if (sourceGop >= kMinSourceGop || rateDenominator == 0)
        return std::max(sourceGop, 1u);
    uint64_t second = (uint64_t{rateNumerator} + rateDenominator / 2) / rateDenominator;
    return static_cast<uint32_t>(std::clamp<uint64_t>(second, 1, std::numeric_limits<uint32_t>::max()));
}

std::string CudaFailure(const char* call, int32_t result)
{
    char code[sizeof "0xffffffff"];
    std::snprintf(code, sizeof code, "0x%x", static_cast<unsigned>(result));
    return std::string("the CUDA driver's ") + call + " failed (CUDA error " + code + ")";
}

CNvEncoder::CNvEncoder() : m_pNvHWEncoder(std::make_unique<CNvHWEncoder>()) {}

CNvEncoder::~CNvEncoder() = default;

int32_t CNvEncoder::InitCuda(int32_t deviceOrdinal)
{
    FailureReason& failure = m_pNvHWEncoder->m_failure;
    if (int32_t result = nv::cuInit(); result != 0) {
        WUVO_ENCODER_MESSAGE("cuInit error:0x%x\n", static_cast<unsigned>(result));
        return failure.Note(1, CudaFailure("cuInit", result));
    }
    int count = 0;
    if (CUresult result = WUVO_CUDA(cuDeviceGetCount, &count); result != CUDA_SUCCESS) {
        WUVO_ENCODER_MESSAGE("cuDeviceGetCount error:0x%x\n", static_cast<unsigned>(result));
        return failure.Note(1, CudaFailure("cuDeviceGetCount", result));
    }
    if (deviceOrdinal < 0)
        deviceOrdinal = 0;
    if (static_cast<uint32_t>(deviceOrdinal) > static_cast<uint32_t>(count - 1)) {
        WUVO_ENCODER_MESSAGE("Invalid Device Id = %d\n", deviceOrdinal);
        return failure.Note(3, "there is no GPU " + std::to_string(deviceOrdinal));
    }
    CUdevice device = 0;
    if (CUresult result = WUVO_CUDA(cuDeviceGet, &device, deviceOrdinal); result != CUDA_SUCCESS) {
        WUVO_ENCODER_MESSAGE("cuDeviceGet error:0x%x\n", static_cast<unsigned>(result));
        return failure.Note(1, CudaFailure("cuDeviceGet", result));
    }
    int major = 0, minor = 0;
    if (CUresult result = WUVO_CUDA(cuDeviceComputeCapability, &major, &minor, deviceOrdinal); result != CUDA_SUCCESS) {
        WUVO_ENCODER_MESSAGE("cuDeviceComputeCapability error:0x%x\n", static_cast<unsigned>(result));
        return failure.Note(1, CudaFailure("cuDeviceComputeCapability", result));
    }
    if (major * 16 + minor < kMinComputeCapability) {
        WUVO_ENCODER_MESSAGE("GPU %d does not have NVENC capabilities exiting\n", deviceOrdinal);
        return failure.Note(1, "GPU " + std::to_string(deviceOrdinal) + " has no video encoder (compute capability " +
                                   std::to_string(major) + "." + std::to_string(minor) + ")");
    }
    if (CUresult result = WUVO_CUDA(cuCtxCreate_v2, &m_cuContext, 0u, device); result != CUDA_SUCCESS) {
        m_cuContext = nullptr;
        WUVO_ENCODER_MESSAGE("cuCtxCreate error:0x%x\n", static_cast<unsigned>(result));
        return failure.Note(1, CudaFailure("cuCtxCreate", result));
    }
    CUcontext current = nullptr;
    if (CUresult result = WUVO_CUDA(cuCtxPopCurrent_v2, &current); result != CUDA_SUCCESS) {
        WUVO_ENCODER_MESSAGE("cuCtxPopCurrent error:0x%x\n", static_cast<unsigned>(result));
        return failure.Note(1, CudaFailure("cuCtxPopCurrent", result));
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
    // A lost picture has failed the file: the frames after it are not worth
    // encoding.
    for (; frames < config.frameCount && m_lostPictures == 0; ++frames) {
        const uint8_t* picture = m_getFrame(frames);
        if (!picture)
            break;
        EncodeFrame(picture, frames, settings.width, settings.height, settings.gopLength);
    }
    return frames;
}

bool CNvEncoder::SetUp(EncodeSettings& settings)
{
    CNvHWEncoder& hw = *m_pNvHWEncoder;
    if (InitCuda(0) != 0 || hw.Initialize(m_cuContext, NV_ENC_DEVICE_TYPE_CUDA) != NV_ENC_SUCCESS ||
        hw.CreateEncoder(settings) != NV_ENC_SUCCESS)
        return false;
    m_async = settings.asyncMode != 0;
    m_uEncodeBufferCount = EncodeBufferCount(settings.width, settings.height, settings.numB);
    NVENCSTATUS allocated = AllocateIOBuffers(settings.width, settings.height, settings.inputFormat);
    if (allocated != NV_ENC_SUCCESS)
        return hw.m_failure.Note(false, "the GPU could not make the encoder's buffers" + StatusNote(allocated));
    return true;
}

int32_t CNvEncoder::Run(const EncodeJobConfig& config, const EncodeSettings& settings)
{
    FailureReason& failure = m_pNvHWEncoder->m_failure;
    auto start = std::chrono::steady_clock::now();
    uint32_t frames = EncodeFrames(config, settings);
    NVENCSTATUS flushed = Flush();
    m_pNvHWEncoder->ReleaseLostFrames();
    if (flushed != NV_ENC_SUCCESS)
        return failure.Note(kEncodeFailed, "the encoder did not finish the stream" + StatusNote(flushed));
    // A picture lost anywhere is a hole in the stream: the file fails.
    if (m_lostPictures > 0)
        return failure.Note(kEncodeFailed, std::to_string(m_lostPictures) + " of the pictures could not be encoded");
    if (frames > 0) {
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        std::printf("Encoded %d frames in %6.2fms\n", static_cast<int>(frames), ms);
        std::printf("Avergage Encode Time : %6.2fms\n", ms / frames);
    }
    return kEncodeOk;
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
        return hw.m_failure.Note(kEncodeFailed, std::string("the video has no frame rate"));
    }
    EncodeSettings settings = SettingsFor(config);
    if (settings.width % 2 != 0 || settings.height % 2 != 0 || settings.width == 0 || settings.height == 0) {
        WUVO_ENCODER_MESSAGE("nvEncoder.exe Error: Odd dimentions are not supported \n");
        return hw.m_failure.Note(kEncodeFailed, "a frame of " + std::to_string(settings.width) + "x" +
                                                    std::to_string(settings.height) + " has an odd side");
    }
    int32_t result = SetUp(settings) ? Run(config, settings) : kEncodeFailed;
    ReleaseIOBuffers();
    return result;
}

}  // namespace wuvo::NVENCODER
