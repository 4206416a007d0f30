#pragma once

#include <cstdint>

#include "engine/pipeline/thread_state.h"

namespace wuvo {

// Stores `running` into a thread state. With 0 it first stops the thread that
// holds the state: raises its abort flag and waits until the thread has left
// its work. With 1 it claims the state. Safe from any thread, also twice at once.
void SetThreadState(ThreadState& state, uint8_t running);

// The same for each of the shared thread states.
void SetParseState(uint8_t running);
void SetDecodeState(uint8_t running);
void SetStampState(uint8_t running);
void SetEncoderState(uint8_t running);
void SetPreviewOpenState(uint8_t running);

// Stops the parse, decode, stamp and encode threads, in that order.
void StopPipelineThreads();

}  // namespace wuvo
