#include "engine/job/run_stamp_job.h"

#include <mutex>

#include "engine/media/decoder_callbacks.h"
#include "engine/media/frame_runs.h"
#include "engine/media/media_input.h"
#include "engine/mp4/parse_state.h"
#include "engine/mp4/reader.h"
#include "engine/mp4/sample_data.h"
#include "engine/nvidia/nvidia_path.h"
#include "engine/pipeline/shared_objects.h"
#include "engine/settings/app_settings.h"
#include "platform/text/format.h"

namespace wuvo {

namespace {

// A copy that broke off, or a writer that failed, leaves tables that list
// more than the file holds. The decoder would end early without a word, and
// the short output would pass for the whole file.
bool MediaDataInFile(const StampJob& job)
{
    const Mp4ParseState& state = *gParseState;
    const Mp4Track& video = *state.VideoTrack();
    uint32_t listed = video.SizeTableEntries();
    uint32_t present = SamplesInFile(video, state.fileSize);
    if (present < listed) {
        LogJobMessage(job, platform::FormatText(u"%u of the %u frames listed could be read from <%s>\n", present,
                                                listed, job.inputPath)
                               .c_str());
        return false;
    }
    const Mp4Track* sound = state.SoundTrack();
    if (gSettings.disableAudio == 0 && sound && !SoundDataInFile(*sound, state.fileSize)) {
        LogJobMessage(job, platform::FormatText(u"The sound of <%s> could not be read; tick \"Disable audio.\" "
                                                u"to stamp the picture alone\n",
                                                job.inputPath)
                               .c_str());
        return false;
    }
    return true;
}

// Edit lists that step back within a long GOP again and again would have
// the same pictures decoded over and over, without end in sight.
bool DecodeWorkBounded(const StampJob& job)
{
    if (DecodeWorkWithinBound(*gParseState))
        return true;
    LogJobMessage(job, platform::FormatText(u"The edit list of <%s> goes back over its pictures too often to be "
                                            u"decoded\n",
                                            job.inputPath)
                           .c_str());
    return false;
}

bool NothingDecoded()
{
    std::lock_guard guard(gFramePool->lock);
    return gFramePool->decodedCount == 0;
}

}  // namespace

uint32_t ParseThreadProc(StampJob& job)
{
    SetRunning(*gParseThreadState, true);
    char16_t message[kReaderMessageLength] = {};
    int32_t result = OpenAndCheckVideo(job.inputPath, kReaderModeJob, message);
    if (result != kReaderOk)
        LogJobMessage(job, message);
    if (const char16_t* reason = gParseState->refusal)
        LogJobMessage(job, platform::FormatText(reason, job.inputPath).c_str());
    uint32_t exitCode = static_cast<uint32_t>(result);
    if (result == kReaderOk && (!MediaDataInFile(job) || !DecodeWorkBounded(job)))
        exitCode = kJobFailedResult;
    SetRunning(*gParseThreadState, false);
    gParseState->parseFinished = 1;
    return exitCode;
}

uint32_t DecodeThreadProc(StampJob& job)
{
    SetRunning(*gDecodeState, true);
    DecoderCallbacks callbacks;
    callbacks.decoderPath = kDecoderPathMediaLayer;
    callbacks.targetWidth = job.targetWidth;
    callbacks.targetHeight = job.targetHeight;
    callbacks.getBuffer = GetJobFrameBuffer;
    callbacks.setSize = SetFrameSize;
    callbacks.frameDone = JobFrameDecoded;
    uint32_t decoded = IsNvdecSelected() ? DecodeWithNvdec(job, callbacks) : DecodeWithMf(job.inputPath, callbacks);
    bool stopped = IsAbortRequested(*gDecodeState);
    // A decode that ends before its first picture has failed, even when the
    // decoder met no error: the data held nothing it could show.
    if (decoded == kDecodeOk && !stopped && NothingDecoded())
        decoded = kDecodeFailed;
    if (decoded != kDecodeOk && !stopped) {
        const char16_t* reason = decoded == kDecodeOutOfOrder
                                     ? u"Cannot decode video file <%s>: its pictures come too far out of the "
                                       u"order of their times\n"
                                     : u"Cannot decode video file <%s>\n";
        LogJobMessage(job, platform::FormatText(reason, job.inputPath).c_str());
        // Stop the stamper and the encoder before they see the decoder end,
        // so the short output is never finished as if it were complete.
        RequestAbort(*gStampState);
        RequestAbort(*gEncodeState);
    }
    SetRunning(*gDecodeState, false);
    return stopped || decoded != kDecodeOk ? kJobFailedResult : kJobSucceeded;
}

}  // namespace wuvo
