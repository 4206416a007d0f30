#include "nv/nvencoder/nv_encode_job.h"

#include <mutex>

#include "engine/media/media_output.h"
#include "engine/media/output_timeline.h"
#include "engine/mp4/parse_state.h"
#include "engine/nvidia/packet_path.h"
#include "engine/pipeline/shared_objects.h"
#include "nv/common/src/driver_loader.h"
#include "nv/nvencoder/nv_encoder.h"
#include "platform/text/format.h"

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

// The driver loads and at least one GPU answers every question.
bool GpuAnswers()
{
    int count = 0;
    if (nv::cuInit() != 0 || WUVO_CUDA(cuDeviceGetCount, &count) != CUDA_SUCCESS || count < 1)
        return false;
    for (int ordinal = 0; ordinal < count; ++ordinal) {
        CUdevice device = 0;
        char name[kDeviceNameBytes] = {};
        int major = 0, minor = 0;
        if (WUVO_CUDA(cuDeviceGet, &device, ordinal) != CUDA_SUCCESS ||
            WUVO_CUDA(cuDeviceGetName, name, kDeviceNameBytes, device) != CUDA_SUCCESS ||
            WUVO_CUDA(cuDeviceComputeCapability, &major, &minor, ordinal) != CUDA_SUCCESS)
            return false;
    }
    return true;
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
    uint32_t result = kGpuCheckFailed;
    uint32_t width = 0, height = 0;
    if (PoolFramesAtOutputSize(job, &width, &height)) {
        NVENCODER::CNvEncoder encoder;
        if (GpuAnswers())
            result = static_cast<uint32_t>(encoder.EncodeMain(ConfigFor(job, frameCount, width, height)));
    }
    // A failed encode leaves a stream with holes: the mux must not finish
    // it, so it is stopped before it can see the encoder end.
    if (result != 0)
        RequestAbort(*gEncodeState);
    // Every packet is queued by now: the mux ends once it has written them.
    SetRunning(*gEncodeState, false);
    return result;
}

}  // namespace wuvo
