#include "engine/pipeline/thread_state_setters.h"

#include "engine/pipeline/shared_objects.h"
#include "platform/threads/worker_thread.h"

namespace wuvo {

namespace {

// How often a stopping setter looks whether the thread has let go.
constexpr uint32_t kStopPollMs = 200;

}  // namespace

void SetThreadState(ThreadState& state, uint8_t running)
{
    state.lock.Enter();
    while (state.running) {
        state.abort = 1;
        state.lock.Leave();
        platform::SleepMs(kStopPollMs);
        state.lock.Enter();
    }
    state.abort = 0;
    state.running = running;
    state.lock.Leave();
}

void SetParseState(uint8_t running) { SetThreadState(*gParseThreadState, running); }
void SetDecodeState(uint8_t running) { SetThreadState(*gDecodeState, running); }
void SetStampState(uint8_t running) { SetThreadState(*gStampState, running); }
void SetEncoderState(uint8_t running) { SetThreadState(*gEncodeState, running); }
void SetPreviewOpenState(uint8_t running) { SetThreadState(*gPreviewLoadState, running); }

void StopPipelineThreads()
{
    SetParseState(0);
    SetDecodeState(0);
    SetStampState(0);
    SetEncoderState(0);
}

}  // namespace wuvo
