#pragma once

#include "engine/pipeline/frame_pool.h"
#include "engine/pipeline/packet_queue.h"
#include "engine/pipeline/thread_state.h"
#include "platform/threads/change_signal.h"
#include "platform/threads/lock.h"

namespace wuvo {

struct Mp4ParseState;

// The objects the pipeline threads and the preview share for the whole run.
extern PacketQueue* gPacketQueue;
extern FramePool* gFramePool;
extern Mp4ParseState* gParseState;
extern ThreadState* gEncodeState;
extern ThreadState* gStampState;
extern ThreadState* gDecodeState;
extern ThreadState* gParseThreadState;
extern ThreadState* gPreviewLoadState;
// Serialises the job callback's messages and progress.
extern platform::Lock* gLogLock;
// Signalled when a pool frame is decoded, stamped or freed, a thread state
// changes or a job thread ends: what the pipeline's waits wait for.
extern platform::ChangeSignal gPipelineChanged;

// False when any of them cannot be made; nothing is then left allocated.
bool CreateSharedObjects();
void DestroySharedObjects();

// Between jobs, with no pipeline thread running: what the last job took (its
// frames in the pool, the memory its codecs freed) goes back to the system.
void GiveBackJobMemory();

}  // namespace wuvo
