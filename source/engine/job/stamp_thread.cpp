#include <algorithm>
#include <mutex>

#include "engine/job/run_stamp_job.h"
#include "engine/pipeline/frame_wait.h"
#include "engine/pipeline/shared_objects.h"
#include "engine/settings/app_settings.h"
#include "engine/stamp/stamp_context.h"
#include "engine/stamp/stamp_frame.h"

namespace wuvo {

namespace {

// A rate above any real video's; a container may still claim one, and a
// rounded rate beyond 32 bits would not convert.
constexpr double kMaxWholeRate = 1'000'000;

// The frame rate as a whole number, as the show and fade rules count seconds.
uint32_t WholeFramesPerSecond(uint32_t numerator, uint32_t denominator)
{
    if (denominator == 0)
        return 0;
    float rate = static_cast<float>(numerator) / static_cast<float>(denominator);
    return static_cast<uint32_t>(std::min(static_cast<double>(rate) + 0.5, kMaxWholeRate));
}

bool AnyStampEnabled()
{
    return gSettings.dateStamp.enabled != 0 || gSettings.timeStamp.enabled != 0;
}

struct StampRun {
    StampContext* context = nullptr;
    StampSchedule dateSchedule;
    StampSchedule timeSchedule;
    int32_t width = 0;
    int32_t height = 0;
    // From the source's size to the decoded one, which NVDEC may scale to.
    float scaleX = 1.0f;
    float scaleY = 1.0f;
    uint32_t divisor = 1;
};

StampRun StartStampRun(StampContext* context, const StampJob& job)
{
    StampRun run;
    run.context = context;
    std::lock_guard guard(gFramePool->lock);
    run.divisor = gFramePool->divisor == 0 ? 1 : gFramePool->divisor;
    run.width = static_cast<int32_t>(gFramePool->width);
    run.height = static_cast<int32_t>(gFramePool->height);
    if (job.sourceWidth != 0 && job.sourceHeight != 0) {
        run.scaleX = static_cast<float>(gFramePool->width) / static_cast<float>(job.sourceWidth);
        run.scaleY = static_cast<float>(gFramePool->height) / static_cast<float>(job.sourceHeight);
    }
    // Pictures the decoder scaled to the output size have its square pixels.
    bool scaled = gFramePool->width != job.sourceWidth || gFramePool->height != job.sourceHeight;
    context->pixelAspect = scaled ? 1.0f : gFramePool->PixelAspect();
    uint32_t fps = WholeFramesPerSecond(gFramePool->rateNumerator, gFramePool->rateDenominator);
    if (gSettings.dateStamp.enabled)
        run.dateSchedule = MakeStampSchedule(gSettings.dateStamp, fps);
    if (gSettings.timeStamp.enabled)
        run.timeSchedule = MakeStampSchedule(gSettings.timeStamp, fps);
    return run;
}

// Stamps the frames in decode order until the decoder runs out of them or the
// thread is stopped. Every frame is marked stamped, kept or skipped, so the
// encoder can move on. A frame is numbered by the picture the decoder
// delivered, also when the source is flagged interlaced: the decoder
// delivers one picture per sample, not one per field. It is stamped with
// the time of the track frame whose picture it is, as the preview stamps
// that frame.
uint32_t StampFrames(StampJob& job, StampRun& run)
{
    for (uint32_t n = 0; !IsAbortRequested(*gStampState); ++n) {
        FrameWait wait = WaitForFrame(&FramePool::IsDecoded, n, *gStampState, *gDecodeState);
        if (wait == FrameWait::Stopped)
            return kJobFailedResult;
        if (wait == FrameWait::ProducerEnded)
            return kJobSucceeded;
        if (n % run.divisor == 0 && AnyStampEnabled()) {
            StampFrame(*run.context, run.dateSchedule, run.timeSchedule, gFramePool->GetBuffer(n), run.width,
                       run.height, gFramePool->TrackFrameOf(n), run.scaleX, run.scaleY);
            if (job.firstStamped.tm_year == 0)
                job.firstStamped = run.context->tm;
            job.lastStamped = run.context->tm;
        }
        gFramePool->SetStamped(n, 1);
        gFramePool->lock.Leave();
        CarryToPreviousFrame(*run.context);
    }
    return kJobFailedResult;
}

}  // namespace

uint32_t StampThreadProc(StampJob& job)
{
    SetRunning(*gStampState, true);
    job.firstStamped = {};
    job.lastStamped = {};
    uint32_t result = kJobFailedResult;
    if (StampContext* context = CreateStampContext()) {
        MarkNoPreviousFrame(*context);
        SetBaseWeights(*context);
        StampRun run = StartStampRun(context, job);
        result = StampFrames(job, run);
        FreeStampContext(context);
    }
    SetRunning(*gStampState, false);
    return result;
}

}  // namespace wuvo
