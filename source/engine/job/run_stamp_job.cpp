#include "engine/job/run_stamp_job.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <mutex>

#include "engine/media/encoder_progress.h"
#include "engine/media/media_input.h"
#include "engine/media/media_output.h"
#include "engine/mp4/parse_state.h"
#include "engine/nvidia/nvidia_path.h"
#include "engine/nvidia/packet_path.h"
#include "engine/pipeline/shared_objects.h"
#include "engine/settings/app_settings.h"
#include "nv/nvencoder/nv_encode_job.h"
#include "platform/text/format.h"
#include "platform/threads/worker_thread.h"

namespace wuvo {

namespace {

using platform::WorkerThread;
using Clock = std::chrono::steady_clock;

// Each wait ends as soon as its condition holds (gPipelineChanged); these
// are the longest it goes without looking.
constexpr uint32_t kFirstFramePollMs = 100;
constexpr uint32_t kStampStartPollMs = 50;
constexpr uint32_t kWatchPollMs = 200;
// What earlier threads get to end once the encoder has finished: 50 passes
// of the watch, about ten seconds.
constexpr uint32_t kGracePasses = 50;
constexpr auto kGrace = std::chrono::milliseconds(kGracePasses * kWatchPollMs);
constexpr uint32_t kSpeedUpMin = 2;
constexpr uint32_t kSpeedUpMax = 10;

enum ThreadIndex : uint32_t { kParse = 0, kDecode = 1, kStamp = 2, kEncode = 3, kMux = 4, kMaxThreads = 5 };
// The mux runs only on the NVENC path.
constexpr uint32_t kThreadCount = 4;
constexpr uint32_t kEarlierThreadsMask = (1u << kParse) | (1u << kDecode) | (1u << kStamp);

using ThreadProc = uint32_t (*)(StampJob&);

// The job's threads, each with the thread state it runs under.
struct JobThreads {
    std::array<WorkerThread, kMaxThreads> threads;
    // The mux stops with the encoder it writes for.
    std::array<ThreadState*, kMaxThreads> states{gParseThreadState, gDecodeState, gStampState, gEncodeState,
                                                 gEncodeState};
    uint32_t count = kThreadCount;

    bool Start(ThreadIndex index, StampJob& job, ThreadProc proc)
    {
        return threads[index].Start([&job, proc] { return proc(job); }, &gPipelineChanged);
    }
    bool Ended(ThreadIndex index) const { return threads[index].Finished(); }

    void RaiseAbort(ThreadIndex index) { RequestAbort(*states[index]); }

    // Stops every thread still running and waits for all of them, so that
    // none can touch the job after it returns; the states are left clear
    // for the next file.
    void StopAndJoinAll()
    {
        for (uint32_t i = 0; i < count; ++i)
            if (threads[i].Started() && !threads[i].Finished())
                RaiseAbort(static_cast<ThreadIndex>(i));
        for (auto& thread : threads)
            thread.Join();
        for (ThreadState* state : states)
            InitThreadState(*state);
    }
};

void ResetSharedObjects()
{
    std::lock_guard guard(gFramePool->lock);
    gFramePool->Reset();
    gParseState->Reset();
    std::lock_guard queueGuard(gPacketQueue->lock);
    gPacketQueue->Reset();
}

// The parse state is read only once the parse thread has ended: it fills
// the state without a lock. The parse never waits on anything, so joining
// it cannot hang.
bool ParseVideoTrack(JobThreads& threads, StampJob& job)
{
    if (!threads.Start(kParse, job, ParseThreadProc))
        return false;
    threads.threads[kParse].Join();
    const Mp4Track* video = gParseState->VideoTrack();
    return threads.threads[kParse].ExitCode() == 0 && video && video->SizeTableEntries() != 0;
}

void SetSpeedUp()
{
    std::lock_guard guard(gFramePool->lock);
    gFramePool->firstFrameOffset = 0;
    if (gSettings.speedUp != 0)
        gFramePool->divisor = std::clamp(gSettings.speedUpFactor, kSpeedUpMin, kSpeedUpMax);
}

// Waits until `test` holds for frame 0 or the producer has ended; an ended
// producer gets one more look, so a frame finished just before is not lost.
bool WaitForFrameZero(bool (FramePool::*test)(uint32_t) const, const std::function<bool()>& producerEnded,
                      uint32_t pollMs)
{
    auto holds = [&] {
        std::lock_guard guard(gFramePool->lock);
        return (gFramePool->*test)(0);
    };
    bool found = false;
    gPipelineChanged.WaitUntil([&] {
        bool ended = producerEnded();
        found = holds();
        return found || ended;
    }, pollMs);
    return found;
}

bool StartDecoding(JobThreads& threads, StampJob& job)
{
    if (!threads.Start(kDecode, job, DecodeThreadProc))
        return false;
    return WaitForFrameZero(&FramePool::IsDecoded, [&] { return threads.Ended(kDecode); }, kFirstFramePollMs);
}

bool StartStamping(JobThreads& threads, StampJob& job)
{
    if (!threads.Start(kStamp, job, StampThreadProc))
        return false;
    gPipelineChanged.WaitUntil([&] { return IsRunning(*gStampState) || threads.Ended(kStamp); },
                               kStampStartPollMs);
    return WaitForFrameZero(&FramePool::IsStamped, [&] { return !IsRunning(*gStampState); }, kStampStartPollMs);
}

// The mux ends when the encoder's flag is down and its queue empty, so it
// starts only once the encoder is under way.
bool StartNvencEncoding(JobThreads& threads, StampJob& job)
{
    threads.count = kMaxThreads;
    if (!threads.Start(kEncode, job, NvEncodeThreadProc))
        return false;
    gPipelineChanged.WaitUntil([&] { return IsRunning(*gEncodeState) || threads.Ended(kEncode); },
                               kStampStartPollMs);
    return threads.Start(kMux, job, MfMuxThreadProc);
}

bool StartUp(JobThreads& threads, StampJob& job)
{
    if (!ParseVideoTrack(threads, job))
        return false;
    ProbeInputWithMf(job);
    // The probe has said why when a frame cannot fit a pool slot.
    if (!FitsFrameSlot(job.sourceWidth, job.sourceHeight))
        return false;
    SetSpeedUp();
    if (!StartDecoding(threads, job) || !StartStamping(threads, job))
        return false;
    gLastReportedProgress = 0;
    if (!IsNvencSelected())
        return threads.Start(kEncode, job, MfEncodeThreadProc);
    return StartNvencEncoding(threads, job);
}

// The watch's view of the threads: which are live, which it stopped itself.
struct WatchState {
    explicit WatchState(uint32_t count) : count(count), live((1u << count) - 1) {}
    uint32_t count;
    uint32_t live;
    uint32_t stoppedByWatch = 0;
    // Set when the encoder is seen to have ended before the earlier threads.
    bool graceStarted = false;
    Clock::time_point graceEnds{};
    uint32_t result = kJobSucceeded;
};

void ReportFailedThread(JobThreads& threads, StampJob& job, WatchState& watch, uint32_t i, uint32_t code)
{
    LogJobMessage(job, platform::FormatText(u"Skip file: i %d, poll 0x%x, status 0x%x\n", i, watch.live, code).c_str());
    ReportJobFailed(job);
    watch.result = kJobFailedResult;
    watch.live &= ~(1u << i);
    // The receiver stops the others too; asking here as well means a
    // receiver that does not can never hang the job.
    for (uint32_t k = 0; k < watch.count; ++k)
        if (watch.live & (1u << k))
            threads.RaiseAbort(static_cast<ThreadIndex>(k));
}

// The encoder has ended, but earlier threads still run after the grace.
void StopEarlierThreads(JobThreads& threads, StampJob& job, WatchState& watch)
{
    LogJobMessage(job, platform::FormatText(u"Stamp may have finished prematurely: poll 0x%x", watch.live).c_str());
    // Asked to stop, not killed: they end at their next waiting point.
    for (uint32_t k : {kParse, kDecode, kStamp}) {
        if (watch.live & (1u << k)) {
            threads.RaiseAbort(static_cast<ThreadIndex>(k));
            watch.stoppedByWatch |= 1u << k;
        }
    }
    watch.result = kJobFailedResult;
}

// Starts the grace at its first look; true while it lasts.
bool InGrace(WatchState& watch)
{
    if (!watch.graceStarted) {
        watch.graceStarted = true;
        watch.graceEnds = Clock::now() + kGrace;
    }
    return Clock::now() < watch.graceEnds;
}

// One look at every live thread. A pass in the grace after the encoder's
// end ends there.
void WatchPass(JobThreads& threads, StampJob& job, WatchState& watch)
{
    const uint32_t last = watch.count - 1;
    for (uint32_t i = 0; i < watch.count; ++i) {
        uint32_t bit = 1u << i;
        if (!(watch.live & bit) || !threads.Ended(static_cast<ThreadIndex>(i)))
            continue;
        uint32_t code = (watch.stoppedByWatch & bit) ? 0 : threads.threads[i].ExitCode();
        if (code != 0) {
            ReportFailedThread(threads, job, watch, i, code);
        } else if (i < last || !(watch.live & kEarlierThreadsMask)) {
            watch.live &= ~bit;
        } else if (InGrace(watch)) {
            return;
        } else {
            watch.live &= ~bit;
            StopEarlierThreads(threads, job, watch);
        }
    }
}

// Watches the threads until all have ended, at every change and at least
// every 200 ms; returns the job's result.
uint32_t Watch(JobThreads& threads, StampJob& job)
{
    WatchState watch(threads.count);
    gPipelineChanged.WaitUntil([&] {
        WatchPass(threads, job, watch);
        return watch.live == 0;
    }, kWatchPollMs);
    return watch.result;
}

}  // namespace

uint32_t RunStampJob(StampJob& job)
{
    ResetSharedObjects();
    JobThreads threads;
    uint32_t result = StartUp(threads, job) ? Watch(threads, job) : kJobFailedResult;
    threads.StopAndJoinAll();
    return result;
}

}  // namespace wuvo
