#include "engine/pipeline/shared_objects.h"

#include <mutex>
#include <new>

#include "engine/mp4/parse_state.h"
#include "platform/memory/returned_memory.h"

namespace wuvo {

PacketQueue* gPacketQueue = nullptr;
FramePool* gFramePool = nullptr;
Mp4ParseState* gParseState = nullptr;
ThreadState* gEncodeState = nullptr;
ThreadState* gStampState = nullptr;
ThreadState* gDecodeState = nullptr;
ThreadState* gParseThreadState = nullptr;
ThreadState* gPreviewLoadState = nullptr;
platform::Lock* gLogLock = nullptr;
platform::ChangeSignal gPipelineChanged;

namespace {

ThreadState* NewThreadState()
{
    auto* state = new (std::nothrow) ThreadState;
    if (state)
        InitThreadState(*state);
    return state;
}

template <typename T>
void DeleteAndClear(T*& object)
{
    delete object;
    object = nullptr;
}

}  // namespace

bool CreateSharedObjects()
{
    platform::KeepFreedMemoryReturnable();
    gPacketQueue = new (std::nothrow) PacketQueue;
    if (gPacketQueue)
        gPacketQueue->Create();
    gFramePool = new (std::nothrow) FramePool;
    if (gFramePool && !gFramePool->Create())
        DeleteAndClear(gFramePool);
    gParseState = new (std::nothrow) Mp4ParseState;
    if (gParseState)
        gParseState->Create();
    gEncodeState = NewThreadState();
    gStampState = NewThreadState();
    gDecodeState = NewThreadState();
    gParseThreadState = NewThreadState();
    gPreviewLoadState = NewThreadState();
    gLogLock = new (std::nothrow) platform::Lock;

    bool complete = gPacketQueue && gFramePool && gParseState && gEncodeState && gStampState &&
                    gDecodeState && gParseThreadState && gPreviewLoadState && gLogLock;
    if (!complete)
        DestroySharedObjects();
    return complete;
}

void GiveBackJobMemory()
{
    {
        std::lock_guard guard(gFramePool->lock);
        gFramePool->GiveBackFrames();
    }
    platform::ReturnFreedMemory();
}

void DestroySharedObjects()
{
    DeleteAndClear(gLogLock);
    DeleteAndClear(gPreviewLoadState);
    DeleteAndClear(gParseThreadState);
    DeleteAndClear(gDecodeState);
    DeleteAndClear(gStampState);
    DeleteAndClear(gEncodeState);
    if (gParseState)
        gParseState->Destroy();
    DeleteAndClear(gParseState);
    if (gFramePool)
        gFramePool->Destroy();
    DeleteAndClear(gFramePool);
    DeleteAndClear(gPacketQueue);
}

}  // namespace wuvo
