#include <memory>
#include <mutex>
#include <optional>

#include "engine/media/encoder_progress.h"
#include "engine/media/media_input.h"
#include "engine/media/media_output.h"
#include "engine/media/output_timeline.h"
#include "engine/mp4/parse_state.h"
#include "engine/nvidia/packet_path.h"
#include "engine/pipeline/shared_objects.h"
#include "engine/settings/app_settings.h"
#include "platform/media/hevc_annexb.h"
#include "platform/media/media_status.h"
#include "platform/media/sink_writer.h"
#include "platform/media/source_reader.h"
#include "platform/threads/worker_thread.h"

namespace wuvo {

namespace {

using platform::MediaSample;
using platform::ReadStatus;

constexpr uint32_t kPacketPollMs = 50;
constexpr uint32_t kMuxStoppedWhileWritingAudio = 14;
// NVENC is asked for at most two B pictures, and may send the second
// first as the one the other refers to (P3 B2 B1): a picture arrives at
// most two places after its display position, and decode times that far
// back stay before every display time.
constexpr int kReorderDepth = 2;

struct MuxRun {
    explicit MuxRun(StampJob& stampJob) : job(stampJob) {}

    StampJob& job;
    platform::SinkWriter writer;
    std::unique_ptr<ShownSound> audioReader;
    bool audioOpen = false;
    uint32_t divisor = 1;
    std::optional<OutputTimeline> timeline;
    int64_t audioTime = 0;
    uint32_t audioReads = 0;
};

enum class Take { Packet, Finished, Stopped };

// The oldest queued picture; Finished once the queue is empty and the
// encoder, which queues its last picture before it drops its flag, is done.
Take TakePacket(Packet& packet)
{
    std::optional<Take> taken;
    gPipelineChanged.WaitUntil([&] {
        if (IsAbortRequested(*gEncodeState)) {
            taken = Take::Stopped;
            return true;
        }
        std::lock_guard guard(gPacketQueue->lock);
        if (!gPacketQueue->packets.empty()) {
            packet = std::move(gPacketQueue->packets.front());
            gPacketQueue->packets.pop_front();
            taken = Take::Packet;
        } else if (!IsRunning(*gEncodeState)) {
            taken = Take::Finished;
        }
        return taken.has_value();
    }, kPacketPollMs);
    return *taken;
}

uint32_t OpenOutput(MuxRun& run)
{
    StampJob& job = run.job;
    if (gSettings.disableAudio == 0 && job.hasAudio) {
        run.audioReader = OpenAudioInput(job);
        if (!run.audioReader)
            return platform::kMediaFailed;
        run.audioOpen = true;
    }
    return CreateOutputFile(job, run.writer);
}

// The streams can be declared only once the first picture has brought the
// parameter sets.
uint32_t BeginStreams(MuxRun& run, const Packet& first)
{
    platform::PassThroughVideo video;
    {
        std::lock_guard guard(gFramePool->lock);
        video.width = gFramePool->width;
        video.height = gFramePool->height;
        run.divisor = gFramePool->divisor == 0 ? 1 : gFramePool->divisor;
    }
    OutputStarts starts = OutputStartsOf(run.audioReader.get(), run.divisor);
    run.timeline.emplace(*gParseState, run.divisor, run.job.frameDuration, starts.video);
    run.audioTime = starts.audio;
    video.timing = run.timeline->Timing();
    video.reorderDepth = kReorderDepth;
    video.aspectX = run.job.aspectX;
    video.aspectY = run.job.aspectY;
    video.colour = run.job.colour;
    video.parameterSets = platform::HevcParameterSets(first.data.data(), first.data.size());
    if (!run.writer.AddPassThroughVideoStream(video))
        return platform::kMediaFailed;
    if (run.audioReader) {
        if (!run.writer.AddAudioStream(AudioEncodingOf(run.audioReader->Format(), starts.audio)))
            return SoundNotWritten(run.job);
    }
    return run.writer.BeginWriting() ? platform::kMediaOk : platform::kMediaFailed;
}

// Every divisor-th audio sample up to `until`, laid end to end. A read that
// fails ends this step only: the next picture tries again, so a bad audio
// packet can neither stop the video nor keep the thread here.
uint32_t WriteAudioUpTo(MuxRun& run, int64_t until)
{
    while (run.audioOpen && gSettings.disableAudio == 0 && run.audioTime <= until) {
        if (IsAbortRequested(*gEncodeState))
            return kMuxStoppedWhileWritingAudio;
        MediaSample sample;
        ReadStatus status = run.audioReader->Read(sample);
        if (status == ReadStatus::EndOfStream)
            run.audioOpen = false;
        if (status != ReadStatus::Sample)
            break;
        if (run.audioReads % run.divisor == 0) {
            if (!run.writer.WriteAudio(sample.pcm, sample.pcmBytes))
                return SoundNotWritten(run.job);
            run.audioTime += sample.duration;
        }
        ++run.audioReads;
    }
    return platform::kMediaOk;
}

// Each picture is shown at its own frame's time; it is decoded in the order
// it came. The sound follows the k-th frame in display order.
uint32_t WritePackets(MuxRun& run, Packet packet)
{
    const OutputTimeline& timeline = *run.timeline;
    for (uint32_t k = 0;; ++k) {
        std::optional<KeptFrame> shown = WaitForKeptFrame(timeline, packet.frame * run.divisor, run.divisor);
        std::optional<KeptFrame> reached = WaitForKeptFrame(timeline, k * run.divisor, run.divisor);
        if (!shown || !reached)
            return kEncodeStoppedBetweenFrames;
        bool randomAccess = platform::IsHevcRandomAccess(packet.data.data(), packet.data.size());
        if (!run.writer.WriteVideoPacket(packet.data.data(), packet.data.size(), shown->start,
                                         shown->end - shown->start, randomAccess))
            return platform::kMediaFailed;
        if (uint32_t audio = WriteAudioUpTo(run, reached->end); audio != platform::kMediaOk)
            return audio;
        ReportKeptFrameProgress(run.job, *reached, run.divisor);
        Take next = TakePacket(packet);
        if (next == Take::Stopped)
            return kEncodeStoppedBetweenFrames;
        if (next == Take::Finished)
            return WriteAudioUpTo(run, kWholeSound);
    }
}

uint32_t Mux(MuxRun& run)
{
    if (uint32_t opened = OpenOutput(run); opened != platform::kMediaOk)
        return opened;
    if (run.job.frameDuration <= 0)
        return platform::kMediaFailed;
    Packet first;
    Take taken = TakePacket(first);
    if (taken == Take::Stopped)
        return kEncodeStoppedBetweenFrames;
    // An encoder that wrote nothing leaves nothing worth a file.
    if (taken == Take::Finished)
        return platform::kMediaFailed;
    if (uint32_t begun = BeginStreams(run, first); begun != platform::kMediaOk)
        return begun;
    uint32_t written = WritePackets(run, std::move(first));
    if (written != platform::kMediaOk)
        return written;
    ReportJobProgress(run.job, kProgressComplete);
    return run.writer.Finalize() ? platform::kMediaOk : platform::kMediaFailed;
}

}  // namespace

uint32_t MfMuxThreadProc(StampJob& job)
{
    MuxRun run(job);
    uint32_t result = Mux(run);
    LogWriteError(job, run.writer);
    return result;  // an unfinished output is removed with the writer
}

}  // namespace wuvo
