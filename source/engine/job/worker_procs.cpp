#include "engine/job/run_stamp_job.h"

#include "engine/media/decoder_callbacks.h"
#include "engine/media/media_input.h"
#include "engine/mp4/parse_state.h"
#include "engine/mp4/reader.h"
#include "engine/nvidia/nvidia_path.h"
#include "engine/pipeline/shared_objects.h"
#include "platform/text/format.h"

namespace wuvo {

uint32_t ParseThreadProc(StampJob& job)
{
    SetRunning(*gParseThreadState, true);
    char16_t message[kReaderMessageLength] = {};
    int32_t result = OpenAndCheckVideo(job.inputPath, kReaderModeJob, message);
    if (result != kReaderOk)
        LogJobMessage(job, message);
    SetRunning(*gParseThreadState, false);
    gParseState->parseFinished = 1;
    return static_cast<uint32_t>(result);
}

uint32_t DecodeThreadProc(StampJob& job)
{
    SetRunning(*gDecodeState, true);
    DecoderCallbacks callbacks;
    callbacks.decoderPath = kDecoderPathMediaLayer;
    callbacks.targetWidth = job.targetWidth;
    callbacks.targetHeight = job.targetHeight;
    callbacks.getBuffer = GetFreeFrameBuffer;
    callbacks.setSize = SetFrameSize;
    callbacks.frameDone = FrameDecoded;
    uint32_t decoded = IsNvdecSelected() ? DecodeWithNvdec(job, callbacks) : DecodeWithMf(job.inputPath, callbacks);
    bool stopped = IsAbortRequested(*gDecodeState);
    if (decoded != kDecodeOk && !stopped) {
        LogJobMessage(job, platform::FormatText(u"Cannot decode video file <%s>\n", job.inputPath).c_str());
        // Stop the stamper and the encoder before they see the decoder end,
        // so the short output is never finished as if it were complete.
        RequestAbort(*gStampState);
        RequestAbort(*gEncodeState);
    }
    SetRunning(*gDecodeState, false);
    return stopped || decoded != kDecodeOk ? kJobFailedResult : kJobSucceeded;
}

}  // namespace wuvo
