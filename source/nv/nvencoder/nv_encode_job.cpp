#include "nv/nvencoder/nv_encode_job.h"

#include <mutex>
#include <string>

#include "engine/media/media_output.h"
#include "engine/media/output_timeline.h"
#include "engine/mp4/parse_state.h"
#include "engine/nvidia/packet_path.h"
#include "engine/pipeline/shared_objects.h"
#include "nv/common/src/driver_loader.h"
#include "nv/nvencoder/nv_encoder.h"
#include "platform/text/format.h"
#include "platform/text/utf.h"

namespace wuvo {

namespace {

constexpr uint32_t kGpuCheckFailed = 1;
constexpr int kDeviceNameBytes = 100;

uint8_t* NvEncGetFrameThunk(uint32_t frameNumber)
{
    return GetStampedFrame(frameNumber);
}

void NvEncWritePacketThunk(uint32_t size, const uint8_t* data, uint32_t frameIndex, void* context)
{
    PushEncodedPacket(size, data, frameIndex, *static_cast<StampJob*>(context));
}

void NvEncFrameDoneThunk(uint32_t frameIndex, void* context)
{
    ReleaseEncodedFrame(frameIndex, *static_cast<StampJob*>(context));
}

// The driver loads and at least one GPU answers every question; else why not.
std::string GpuCheckFailure()
{
    if (int32_t result = nv::cuInit(); result != 0)
        return NVENCODER::CudaFailure("cuInit", result);
    int count = 0;
    if (CUresult result = WUVO_CUDA(cuDeviceGetCount, &count); result != CUDA_SUCCESS)
        return NVENCODER::CudaFailure("cuDeviceGetCount", result);
    if (count < 1)
        return "no NVIDIA GPU was found";
    for (int ordinal = 0; ordinal < count; ++ordinal) {
        CUdevice device = 0;
        char name[kDeviceNameBytes] = {};
        int major = 0, minor = 0;
        if (CUresult result = WUVO_CUDA(cuDeviceGet, &device, ordinal); result != CUDA_SUCCESS)
            return NVENCODER::CudaFailure("cuDeviceGet", result);
        if (CUresult result = WUVO_CUDA(cuDeviceGetName, name, kDeviceNameBytes, device); result != CUDA_SUCCESS)
            return NVENCODER::CudaFailure("cuDeviceGetName", result);
        if (CUresult result = WUVO_CUDA(cuDeviceComputeCapability, &major, &minor, ordinal); result != CUDA_SUCCESS)
            return NVENCODER::CudaFailure("cuDeviceComputeCapability", result);
    }
    return {};
}

NVENCODER::EncodeJobConfig ConfigFor(StampJob& job, uint32_t frameCount, uint32_t width, uint32_t height)
{
    NVENCODER::EncodeJobConfig config;
    config.frameCount = job.packetSkipCount + frameCount;
    config.getFrame = NvEncGetFrameThunk;
    config.writePacket = NvEncWritePacketThunk;
    config.frameDone = NvEncFrameDoneThunk;
    config.context = &job;
    config.gopLength = gParseState->gopLength;
    config.bitrate = job.bitrate;
    // The divisor keeps the average rate: every time is divided by it too.
    platform::FrameRate rate = EncoderRateOf(job, OutputTimeline(*gParseState, 1, job.frameDuration));
    config.rateNumerator = rate.numerator;
    config.rateDenominator = rate.denominator;
    config.encodeWidth = width;
    config.encodeHeight = height;
    config.aspectX = job.aspectX;
    config.aspectY = job.aspectY;
    config.colour = job.colour;
    return config;
}

// NVENC takes the frames as the pool holds them and does not scale, so the
// pool must already hold them at the output's size. False after the reason
// is logged.
bool PoolFramesAtOutputSize(const StampJob& job, uint32_t* width, uint32_t* height)
{
    {
        std::lock_guard guard(gFramePool->lock);
        *width = gFramePool->width;
        *height = gFramePool->height;
    }
    uint32_t targetWidth = 0, targetHeight = 0;
    EncodedFrameSize(job, &targetWidth, &targetHeight);
    if (targetWidth == *width && targetHeight == *height)
        return true;
    LogJobMessage(job, platform::FormatText(u"The NVIDIA encoder cannot scale %ux%u video to %ux%u: <%s>\n", *width,
                                            *height, targetWidth, targetHeight, job.inputPath)
                           .c_str());
    return false;
}

// The encoder's result, or 1 when no GPU answers; the reason of a failure
// goes to the log.
uint32_t EncodeOnGpu(StampJob& job, uint32_t frameCount, uint32_t width, uint32_t height)
{
    NVENCODER::CNvEncoder encoder;
    uint32_t result = kGpuCheckFailed;
    std::string failure = GpuCheckFailure();
    if (failure.empty()) {
        result = static_cast<uint32_t>(encoder.EncodeMain(ConfigFor(job, frameCount, width, height)));
        failure = encoder.Failure();
    }
    if (result != 0) {
        std::u16string reason = platform::ToUtf16(failure);
        LogJobMessage(job, platform::FormatText(u"NVIDIA GPU encoder failed: %s.\n", reason.c_str()).c_str());
    }
    return result;
}

}  // namespace

uint32_t NvEncodeThreadProc(StampJob& job)
{
    SetRunning(*gEncodeState, true);
    uint32_t frameCount = 0;
    {
        std::lock_guard guard(gPacketQueue->lock);
        frameCount = gPacketQueue->frameCount;
    }
    {
        std::lock_guard guard(gFramePool->lock);
        job.packetSkipCount = static_cast<uint32_t>(gFramePool->firstFrameOffset);
    }
    uint32_t width = 0, height = 0;
    uint32_t result = PoolFramesAtOutputSize(job, &width, &height) ? EncodeOnGpu(job, frameCount, width, height)
                                                                   : kGpuCheckFailed;
    // A failed encode leaves a stream with holes: the mux must not finish
    // it, so it is stopped before it can see the encoder end.
    if (result != 0)
        RequestAbort(*gEncodeState);
    // Every packet is queued by now: the mux ends once it has written them.
    SetRunning(*gEncodeState, false);
    return result;
}

}  // namespace wuvo
