#pragma once

// NVCUVID's entry points in the order the loader looks them up; every one is
// required.
#define WUVO_CUVID_ENTRY_POINTS(ENTRY) \
    ENTRY(cuvidCreateVideoSource) \
    ENTRY(cuvidCreateVideoSourceW) \
    ENTRY(cuvidDestroyVideoSource) \
    ENTRY(cuvidSetVideoSourceState) \
    ENTRY(cuvidGetVideoSourceState) \
    ENTRY(cuvidGetSourceVideoFormat) \
    ENTRY(cuvidGetSourceAudioFormat) \
    ENTRY(cuvidCreateVideoParser) \
    ENTRY(cuvidParseVideoData) \
    ENTRY(cuvidDestroyVideoParser) \
    ENTRY(cuvidGetDecoderCaps) \
    ENTRY(cuvidCreateDecoder) \
    ENTRY(cuvidDestroyDecoder) \
    ENTRY(cuvidDecodePicture) \
    ENTRY(cuvidMapVideoFrame64) \
    ENTRY(cuvidUnmapVideoFrame64) \
    ENTRY(cuvidCtxLockCreate) \
    ENTRY(cuvidCtxLockDestroy) \
    ENTRY(cuvidCtxLock) \
    ENTRY(cuvidCtxUnlock)
