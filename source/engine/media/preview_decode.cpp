#include "engine/media/preview_decode.h"

#include "engine/media/media_input.h"
#include "engine/pipeline/shared_objects.h"
#include "platform/threads/worker_thread.h"

namespace wuvo {

uint32_t RunMfPreviewDecode(const DecoderCallbacks& request)
{
    platform::WorkerThread thread;
    if (!thread.Start([&request] { return MfPreviewThreadProc(request); }))
        return kDecodeFailed;
    thread.Join();
    return kDecodeOk;
}

uint32_t MfPreviewThreadProc(const DecoderCallbacks& request)
{
    SetRunning(*gDecodeState, true);
    DecoderCallbacks callbacks;
    callbacks.startFrame = request.startFrame;
    callbacks.seekFlag = 1;
    callbacks.decoderPath = kDecoderPathMediaLayer;
    callbacks.getBuffer = GetFreeFrameBuffer;
    callbacks.setSize = SetFrameSize;
    callbacks.frameDone = FrameDecoded;
    uint32_t decoded = DecodeWithMf(request.path, callbacks);
    SetRunning(*gDecodeState, false);
    return IsAbortRequested(*gDecodeState) || decoded != kDecodeOk ? kDecodeFailed : kDecodeOk;
}

}  // namespace wuvo
