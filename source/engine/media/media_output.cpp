#include "engine/media/media_output.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <optional>

#include "engine/media/encoder_progress.h"
#include "engine/media/media_input.h"
#include "engine/media/output_timeline.h"
#include "engine/mp4/parse_state.h"
#include "engine/mp4/reader.h"
#include "engine/nvidia/nvidia_path.h"
#include "engine/pipeline/frame_wait.h"
#include "engine/pipeline/shared_objects.h"
#include "platform/files/posix_file.h"
#include "platform/media/media_status.h"
#include "platform/media/sink_writer.h"
#include "platform/media/source_reader.h"
#include "platform/text/format.h"
#include "platform/text/utf.h"
#include "platform/threads/worker_thread.h"

namespace wuvo {

namespace {

using platform::MediaSample;
using platform::ReadStatus;
using platform::SinkWriter;
using platform::SourceReader;

// AAC at 12000 bytes per second per channel (192 kbit/s for stereo).
constexpr uint32_t kAudioBytesPerSecondPerChannel = 24000 / 2;
constexpr uint32_t kBitsPerByte = 8;

struct EncodeRun {
    explicit EncodeRun(StampJob& stampJob) : job(stampJob) {}

    StampJob& job;
    SinkWriter writer;
    std::unique_ptr<ShownSound> audioReader;  // null when no audio is written
    bool audioOpen = false;                   // the audio has not ended yet
    uint32_t divisor = 1;
    std::optional<OutputTimeline> timeline;
    int64_t audioTime = 0;
    uint32_t audioReads = 0;
};

uint32_t OpenAudioReader(EncodeRun& run)
{
    run.audioReader = OpenAudioInput(run.job);
    run.audioOpen = run.audioReader != nullptr;
    return run.audioOpen ? platform::kMediaOk : platform::kMediaFailed;
}

// Frames arrive upright, so a quarter-turned picture is encoded at the
// target size turned the same way, and its pixel aspect is already upright.
platform::VideoEncoding VideoEncodingOf(const StampJob& job, const OutputTimeline& timeline)
{
    platform::VideoEncoding encoding;
    EncodedFrameSize(job, &encoding.width, &encoding.height);
    encoding.inputWidth = job.sourceWidth;
    encoding.inputHeight = job.sourceHeight;
    platform::FrameRate rate = EncoderRateOf(job, timeline);
    encoding.rateNumerator = rate.numerator;
    encoding.rateDenominator = rate.denominator;
    encoding.timing = timeline.Timing();
    encoding.bitrate = job.bitrate;
    encoding.aspectX = job.aspectX;
    encoding.aspectY = job.aspectY;
    encoding.colour = job.colour;
    return encoding;
}

uint32_t SetUp(EncodeRun& run)
{
    StampJob& job = run.job;
    bool audioWanted = gSettings.disableAudio == 0 && job.hasAudio == 1;
    if (audioWanted) {
        if (uint32_t opened = OpenAudioReader(run); opened != platform::kMediaOk)
            return opened;
    }
    if (IsNvdecSelected()) {
        // NVDEC delivers its frames at the size it decoded them to.
        std::lock_guard guard(gFramePool->lock);
        job.sourceWidth = gFramePool->width;
        job.sourceHeight = gFramePool->height;
    }
    if (uint32_t created = CreateOutputFile(job, run.writer); created != platform::kMediaOk)
        return created;
    uint64_t frameBytes = uint64_t{job.sourceWidth} * job.sourceHeight * 3 / 2;
    if (frameBytes == 0 || frameBytes > kFrameBufferBytes || job.frameDuration <= 0)
        return platform::kMediaFailed;
    {
        std::lock_guard guard(gFramePool->lock);
        run.divisor = gFramePool->divisor == 0 ? 1 : gFramePool->divisor;
    }
    OutputStarts starts = OutputStartsOf(run.audioReader.get(), run.divisor);
    run.timeline.emplace(*gParseState, run.divisor, job.frameDuration, starts.video);
    run.audioTime = starts.audio;
    if (!run.writer.AddVideoStream(VideoEncodingOf(job, *run.timeline)))
        return platform::kMediaFailed;
    if (run.audioReader &&
        !run.writer.AddAudioStream(AudioEncodingOf(run.audioReader->Format(), starts.audio)))
        return SoundNotWritten(job);
    return run.writer.BeginWriting() ? platform::kMediaOk : platform::kMediaFailed;
}

// Copies frame n out of the pool straight into the encoder's input and
// frees its slot, with the lock held.
bool TakeFrame(EncodeRun& run, uint32_t frame)
{
    if (run.divisor > 1)
        gFramePool->ReleaseSkipped(frame);
    bool taken = run.writer.TakeVideoFrame(gFramePool->GetBuffer(frame));
    gFramePool->SetDecoded(frame, 0);
    gFramePool->lock.Leave();
    return taken;
}

bool WantsAudio(const EncodeRun& run)
{
    return gSettings.disableAudio == 0 && run.audioReader;
}

// Every divisor-th audio sample, laid end to end, up to `until`, when the
// sound is wanted. An audio read that fails ends the audio for the rest of
// the file.
uint32_t WriteAudioUpTo(EncodeRun& run, int64_t until)
{
    while (WantsAudio(run) && run.audioOpen && run.audioTime <= until) {
        if (IsAbortRequested(*gEncodeState))
            return platform::kMediaOk;
        MediaSample sample;
        ReadStatus status = run.audioReader->Read(sample);
        if (status != ReadStatus::Sample) {
            run.audioOpen = false;
            return platform::kMediaOk;
        }
        if (run.audioReads % run.divisor == 0) {
            if (!run.writer.WriteAudio(sample.pcm, sample.pcmBytes))
                return SoundNotWritten(run.job);
            run.audioTime += sample.duration;
        }
        ++run.audioReads;
    }
    return platform::kMediaOk;
}

// The sound left after the last picture.
uint32_t FinishAudio(EncodeRun& run)
{
    if (uint32_t written = WriteAudioUpTo(run, kWholeSound); written != platform::kMediaOk)
        return written;
    return IsAbortRequested(*gEncodeState) ? kEncodeStoppedBetweenFrames : platform::kMediaOk;
}

uint32_t RunFrameLoop(EncodeRun& run)
{
    for (uint32_t k = 0;; ++k) {
        if (IsAbortRequested(*gEncodeState))
            return kEncodeStoppedBetweenFrames;
        uint32_t frame = run.divisor * k;
        FrameWait wait = WaitForFrame(&FramePool::IsStamped, frame, *gEncodeState, *gStampState);
        if (wait == FrameWait::Stopped)
            return kEncodeStoppedWaitingForFrame;
        if (wait == FrameWait::ProducerEnded)
            return FinishAudio(run);
        if (!TakeFrame(run, frame))
            return platform::kMediaFailed;
        std::optional<KeptFrame> shown = WaitForKeptFrame(*run.timeline, frame, run.divisor);
        if (!shown)
            return kEncodeStoppedBetweenFrames;
        if (!run.writer.WriteTakenVideoFrame(shown->start, shown->end - shown->start))
            return platform::kMediaFailed;
        if (uint32_t written = WriteAudioUpTo(run, shown->end); written != platform::kMediaOk)
            return written;
        ReportKeptFrameProgress(run.job, *shown, run.divisor);
    }
}

}  // namespace

std::unique_ptr<ShownSound> OpenAudioInput(StampJob& job)
{
    // FFmpeg's edit lists are left aside, and their cost with them: the
    // sound follows its own as the container reader read it, going back
    // and repeating where it says.
    auto reader = std::make_unique<SourceReader>();
    if (!OpenReaderOnTracks(*reader, job.inputPath, platform::EditLists::Ignored)) {
        LogJobMessage(job, u"Error opening input file for audio.");
        return nullptr;
    }
    if (!ConfigureReaderStreams(*reader, false, true))
        return nullptr;
    // Only once it is open: an open that fails is the file's fault, and said so.
    reader->SetStopCheck([] { return IsAbortRequested(*gEncodeState); });
    const Mp4ParseState& state = *gParseState;
    const Mp4Track* sound = state.SoundTrack();
    return std::make_unique<ShownSound>(std::move(reader), state.soundPieces, sound ? sound->timescale : 0);
}

uint32_t CreateOutputFile(StampJob& job, SinkWriter& writer)
{
    uint32_t created = writer.Create(platform::ToUtf8(job.outputPath));
    if (created == platform::kMediaFileInUse) {
        // The receiver of the failure waits for the encoder's flag to drop;
        // the file has failed, so it need not wait for the encode to end.
        SetRunning(*gEncodeState, false);
        LogJobMessage(job, u"Cannot open file for writing. The file is being used by another application");
        ReportJobFailed(job);
    }
    if (created == platform::kMediaOk && !writer.SetCreationTime(gParseState->movieCreationTime))
        return platform::kMediaFailed;
    return created;
}

std::optional<KeptFrame> WaitForKeptFrame(const OutputTimeline& timeline, uint32_t frame, uint32_t divisor)
{
    std::optional<KeptFrame> kept;
    gPipelineChanged.WaitUntil([&] {
        if (IsAbortRequested(*gEncodeState))
            return true;
        // Read before the pool: the next frame may come just before the
        // decoder ends.
        bool decoderEnded = !IsRunning(*gDecodeState);
        std::lock_guard guard(gFramePool->lock);
        const std::vector<uint32_t>& delivered = gFramePool->trackFrames;
        uint64_t next = uint64_t{frame} + divisor;
        if (frame >= delivered.size() || (next >= delivered.size() && !decoderEnded))
            return false;
        uint32_t trackFrame = delivered[frame];
        kept = KeptFrame{trackFrame, timeline.StartOf(trackFrame),
                         next < delivered.size() ? timeline.StartOf(delivered[next]) : timeline.End()};
        return true;
    }, kFrameWaitPollMs);
    return kept;
}

void ReportKeptFrameProgress(const StampJob& job, const KeptFrame& kept, uint32_t divisor)
{
    if (auto perMille = EncodedPerMille(kept.trackFrame / divisor + 1, GetVideoFrameCount(), divisor))
        ReportEncoderProgress(job, *perMille);
}

OutputStarts OutputStartsOf(const ShownSound* sound, uint32_t divisor)
{
    if (!sound)
        return {};
    int64_t video = ToTimeUnits(gParseState->shownStart, gParseState->timescale);
    int64_t audio = sound->Start();
    int64_t earlier = std::min(video, audio);
    divisor = std::max(divisor, 1u);
    return {(video - earlier) / divisor, (audio - earlier) / divisor};
}

platform::AudioEncoding AudioEncodingOf(const platform::AudioFormat& format, int64_t start)
{
    platform::AudioEncoding encoding;
    encoding.sampleRate = format.sampleRate;
    encoding.channels = format.channels;
    encoding.bitrate = format.channels * kAudioBytesPerSecondPerChannel * kBitsPerByte;
    encoding.startTime = start;
    return encoding;
}

uint32_t SoundNotWritten(const StampJob& job)
{
    LogJobMessage(job, platform::FormatText(u"The sound of <%s> could not be written; tick \"Disable audio.\" "
                                            u"to stamp the picture alone\n",
                                            job.inputPath)
                           .c_str());
    return platform::kMediaFailed;
}

platform::FrameRate EncoderRateOf(const StampJob& job, const OutputTimeline& timeline)
{
    platform::FrameRate rate = timeline.Rate();
    return rate.denominator != 0 ? rate : platform::FrameRate{job.rateNumerator, job.rateDenominator};
}

void EncodedFrameSize(const StampJob& job, uint32_t* width, uint32_t* height)
{
    bool swapped = false;
    GetVideoRotation(kRotationOfOutput, &swapped);
    *width = swapped ? job.targetHeight : job.targetWidth;
    *height = swapped ? job.targetWidth : job.targetHeight;
}

void LogWriteError(const StampJob& job, const platform::SinkWriter& writer)
{
    if (int error = writer.FileError(); error != 0)
        LogJobMessage(job, platform::FormatText(u"Cannot write output file %s: %s", job.outputPath,
                                                platform::ToUtf16(platform::ErrorText(error)).c_str())
                               .c_str());
}

uint32_t MfEncodeThreadProc(StampJob& job)
{
    SetRunning(*gEncodeState, true);
    uint32_t result;
    {
        EncodeRun run(job);
        result = SetUp(run);
        if (result == platform::kMediaOk)
            result = RunFrameLoop(run);
        if (result == platform::kMediaOk) {
            ReportJobProgress(job, kProgressComplete);
            if (!run.writer.Finalize())
                result = platform::kMediaFailed;
        }
        LogWriteError(job, run.writer);
    }  // an unfinished output is removed here
    SetRunning(*gEncodeState, false);
    return result;
}

}  // namespace wuvo
