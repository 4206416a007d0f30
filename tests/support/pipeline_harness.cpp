#include "support/pipeline_harness.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "engine/media/decoder_callbacks.h"
#include "engine/media/encoder_progress.h"
#include "engine/media/media_input.h"
#include "engine/media/media_output.h"
#include "engine/mp4/parse_state.h"
#include "engine/mp4/reader.h"
#include "engine/nvidia/packet_path.h"
#include "engine/pipeline/shared_objects.h"
#include "nv/nvencoder/nv_encode_job.h"
#include "platform/text/utf.h"
#include "platform/threads/worker_thread.h"
#include "support/media_reference.h"

namespace wuvo::test {

namespace {

constexpr uint32_t kPollMs = 5;

CallbackLog* gActiveLog = nullptr;
std::mutex gActiveLogMutex;

void RecordCallback(uint32_t kind, void*, void* b, float percent)
{
    std::lock_guard guard(gActiveLogMutex);
    if (!gActiveLog)
        return;
    if (kind == kJobProgress)
        gActiveLog->progress.push_back(percent);
    else if (kind == kJobMessage)
        gActiveLog->messages.emplace_back(static_cast<const char16_t*>(b));
    else if (kind == kJobFailed)
        gActiveLog->failures += 1;
}

uint32_t DecodeThread(const StampJob& job)
{
    SetRunning(*gDecodeState, true);
    DecoderCallbacks callbacks;
    callbacks.getBuffer = GetJobFrameBuffer;
    callbacks.setSize = SetFrameSize;
    callbacks.frameDone = JobFrameDecoded;
    uint32_t result = DecodeWithMf(job.inputPath, callbacks);
    SetRunning(*gDecodeState, false);
    return result;
}

// Marks frames stamped in order, as the stamp thread does, until the
// decoder has stopped and the next frame never came.
uint32_t MarkStampedThread()
{
    for (uint32_t n = 0;; ++n) {
        for (;;) {
            bool decoderEnded = !IsRunning(*gDecodeState);
            {
                std::lock_guard guard(gFramePool->lock);
                if (gFramePool->IsDecoded(n)) {
                    gFramePool->SetStamped(n, 1);
                    break;
                }
            }
            if (decoderEnded || IsAbortRequested(*gStampState)) {
                SetRunning(*gStampState, false);
                return 0;
            }
            platform::SleepMs(kPollMs);
        }
    }
}

using EncodeProc = uint32_t (*)(StampJob&);

// Runs the encoding threads in their order beside a decoder and a stand-in
// stamper until they have all ended; their exit codes.
std::vector<uint32_t> RunPipeline(StampJob& job, uint32_t divisor, CallbackLog* log,
                                  const std::vector<EncodeProc>& encoding)
{
    CallbackCapture capture(log);
    {
        std::lock_guard guard(gFramePool->lock);
        gFramePool->Reset();
        gFramePool->mode = kPoolModeJob;
    }
    ProbeInputWithMf(job);
    gFramePool->divisor = divisor;
    gLastReportedProgress = 0;

    // Flags up before the threads start, as the job waits for them.
    SetRunning(*gDecodeState, true);
    SetRunning(*gStampState, true);
    SetRunning(*gEncodeState, true);
    platform::WorkerThread decoder, stamper;
    std::vector<platform::WorkerThread> encoders(encoding.size());
    EXPECT_TRUE(decoder.Start([&job] { return DecodeThread(job); }));
    EXPECT_TRUE(stamper.Start(MarkStampedThread));
    for (size_t i = 0; i < encoding.size(); ++i)
        EXPECT_TRUE(encoders[i].Start([&job, proc = encoding[i]] { return proc(job); }));
    std::vector<uint32_t> codes;
    for (platform::WorkerThread& encoder : encoders) {
        encoder.Join();
        codes.push_back(encoder.ExitCode());
    }
    // An encoder that stopped early leaves the others waiting for slots.
    gDecodeState->abort = 1;
    gStampState->abort = 1;
    decoder.Join();
    stamper.Join();
    for (ThreadState* state : {gDecodeState, gStampState, gEncodeState})
        InitThreadState(*state);
    return codes;
}

}  // namespace

SharedObjectsScope::SharedObjectsScope()
{
    EXPECT_TRUE(CreateSharedObjects());
}

SharedObjectsScope::~SharedObjectsScope()
{
    DestroySharedObjects();
}

void SetVideoTrack(uint32_t width, uint32_t height, uint32_t frameCount, bool quarterTurn)
{
    gParseState->Reset();
    Mp4Track track;
    track.width = width;
    track.height = height;
    track.sampleCount = frameCount;
    track.trackId = 1;  // the first track, as ffmpeg numbers the fixtures' tracks
    if (quarterTurn) {
        track.matrix = {0, 1, 0, -1, 0, 0, 0, 0, 1};
        track.identity = 0;
    }
    gParseState->tracks.push_back(track);
    gParseState->videoTrack = 0;
    gParseState->frameCount = frameCount;
}

void LoadVideoTrack(const std::string& path)
{
    char16_t message[kReaderMessageLength] = {};
    EXPECT_EQ(OpenAndCheckVideo(platform::ToUtf16(path).c_str(), kReaderModeJob, message), kReaderOk)
        << platform::ToUtf8(message);
}

StampJob MakeJob(const std::u16string& input, const std::string& output, uint32_t width,
                 uint32_t height, uint32_t bitrate)
{
    StampJob job;
    job.callback = RecordCallback;
    job.inputPath = input.c_str();
    EXPECT_TRUE(platform::CopyToField(job.outputPath, kPathChars, platform::ToUtf16(output)));
    job.targetWidth = width;
    job.targetHeight = height;
    job.aspectX = job.aspectY = 1;
    job.bitrate = bitrate;
    return job;
}

CallbackCapture::CallbackCapture(CallbackLog* log)
{
    std::lock_guard guard(gActiveLogMutex);
    gActiveLog = log;
}

CallbackCapture::~CallbackCapture()
{
    std::lock_guard guard(gActiveLogMutex);
    gActiveLog = nullptr;
}

uint32_t RunEncodePipeline(StampJob& job, uint32_t divisor, CallbackLog* log)
{
    return RunPipeline(job, divisor, log, {MfEncodeThreadProc}).at(0);
}

NvencExitCodes RunNvencPipeline(StampJob& job, CallbackLog* log)
{
    std::vector<uint32_t> codes = RunPipeline(job, 1, log, {NvEncodeThreadProc, MfMuxThreadProc});
    return {codes.at(0), codes.at(1)};
}

}  // namespace wuvo::test
