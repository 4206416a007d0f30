#include "nv/nvdecoder/nv_decode_file.h"

#include <cstdio>
#include <memory>

#include "engine/pipeline/frame_pool.h"
#include "nv/common/src/driver_loader.h"
#include "nv/nvdecoder/cuda_decoder.h"
#include "nv/nvdecoder/nv12_copy.h"
#include "platform/threads/worker_thread.h"

namespace wuvo {

namespace {

using NSNVDECODE::CudaDecoder;
using NSNVDECODE::CUVIDFrameQueue;

// The consumer is woken by every queued picture; the time-out only guards
// against a wake-up that never comes.
constexpr uint32_t kPictureWaitMs = 100;
constexpr int kDeviceOrdinal = 0;
constexpr int kUnpairedFieldLimit = 1;

// Always false: the call failed.
bool ReportCudaError(const char* call, int result)
{
    std::fprintf(stderr, "%s has returned CUDA error %d\n", call, result);
    return false;
}

// What one decode builds. Release undoes it in reverse order, also after a
// failure half-way; the source is stopped before its watch thread is joined.
struct DecodeSession {
    CUcontext cudaCtx = nullptr;
    CUvideoctxlock ctxLock = nullptr;
    std::unique_ptr<CUVIDFrameQueue> queue;
    std::unique_ptr<CudaDecoder> decoder;
    platform::WorkerThread watch;
    void* hostPicture = nullptr;
    uint64_t hostBytes = 0;
    bool released = false;

    ~DecodeSession() { Release(); }
    bool SetUpContext();
    // False when the context could not be destroyed.
    bool Release();
};

bool DecodeSession::SetUpContext()
{
    CUdevice device = 0;
    CUresult result = WUVO_CUDA(cuDeviceGet, &device, kDeviceOrdinal);
    if (result != CUDA_SUCCESS)
        return ReportCudaError("cuDeviceGet(&device, deviceID)", result);
    result = WUVO_CUDA(cuCtxCreate_v2, &cudaCtx, 0u, device);
    if (result != CUDA_SUCCESS) {
        cudaCtx = nullptr;
        return ReportCudaError("cuCtxCreate(&cudaCtx, CU_CTX_SCHED_AUTO, device)", result);
    }
    CUcontext curCtx = nullptr;
    result = WUVO_CUDA(cuCtxPopCurrent_v2, &curCtx);
    if (result != CUDA_SUCCESS)
        return ReportCudaError("cuCtxPopCurrent(&curCtx)", result);
    result = WUVO_CUVID(cuvidCtxLockCreate, &ctxLock, curCtx);
    if (result != CUDA_SUCCESS) {
        ctxLock = nullptr;
        return ReportCudaError("cuvidCtxLockCreate(&ctxLock, curCtx)", result);
    }
    result = WUVO_CUDA(cuCtxPushCurrent_v2, curCtx);
    if (result != CUDA_SUCCESS)
        return ReportCudaError("cuCtxPushCurrent(curCtx)", result);
    return true;
}

bool DecodeSession::Release()
{
    if (released)
        return true;
    released = true;
    if (hostPicture)
        WUVO_CUDA(cuMemFreeHost, hostPicture);
    if (watch.Started() && !watch.Finished())
        decoder->Stop();
    watch.Join();
    decoder.reset();
    queue.reset();
    if (ctxLock)
        WUVO_CUVID(cuvidCtxLockDestroy, ctxLock);
    if (!cudaCtx)
        return true;
    CUresult result = WUVO_CUDA(cuCtxDestroy_v2, cudaCtx);
    return result == CUDA_SUCCESS || ReportCudaError("cuCtxDestroy(cudaCtx)", result);
}

bool LoadDrivers()
{
    if (int32_t result = nv::cuInit(); result != 0)
        return ReportCudaError("cuInit(0, __CUDA_API_VERSION, hHandleDriver)", result);
    if (int32_t result = nv::cuvidInit(); result != 0)
        return ReportCudaError("cuvidInit(0)", result);
    return true;
}

// The size every frame is delivered at; refused when a frame pool slot
// cannot hold it.
bool SettleTargetSize(CudaDecoder& decoder, DecoderCallbacks& callbacks)
{
    int width = 0, height = 0, rateNumerator = 0, rateDenominator = 0, progressive = 0;
    decoder.GetCodecParams(&width, &height, &rateNumerator, &rateDenominator, &progressive);
    if (callbacks.targetWidth == 0 || callbacks.targetHeight == 0) {
        callbacks.targetWidth = static_cast<uint32_t>(width);
        callbacks.targetHeight = static_cast<uint32_t>(height);
    }
    if (width <= 0 || height <= 0 || !FitsFrameSlot(callbacks.targetWidth, callbacks.targetHeight)) {
        std::fprintf(stderr, "Video resolution too large: width = %u, height = %u\n", callbacks.targetWidth,
                     callbacks.targetHeight);
        return false;
    }
    return true;
}

bool SetUp(DecodeSession& session, const std::u16string& path, DecoderCallbacks& callbacks)
{
    if (!LoadDrivers() || !session.SetUpContext())
        return false;
    session.queue = std::make_unique<CUVIDFrameQueue>();
    session.decoder = std::make_unique<CudaDecoder>();
    if (!session.decoder->Init(path, session.ctxLock, session.queue.get(), static_cast<int32_t>(callbacks.targetWidth),
                               static_cast<int32_t>(callbacks.targetHeight)))
        return false;
    if (!SettleTargetSize(*session.decoder, callbacks))
        return false;
    callbacks.setSize(callbacks.targetWidth, callbacks.targetHeight);
    session.queue->Init(callbacks.targetWidth, callbacks.targetHeight);
    return session.watch.Start([&session] {
        session.decoder->Start();
        return 0u;
    });
}

CUVIDPROCPARAMS ProcessingFor(const CUVIDPARSERDISPINFO& picture)
{
    CUVIDPROCPARAMS params{};
    params.progressive_frame = picture.progressive_frame;
    params.top_field_first = picture.top_field_first;
    params.unpaired_field = picture.progressive_frame == 1 || picture.repeat_first_field <= kUnpairedFieldLimit;
    return params;
}

// Maps the picture and copies it into host memory, allocated at the first
// picture; false when the driver fails or the picture would not fit.
bool FetchPicture(DecodeSession& session, const CUVIDPARSERDISPINFO& picture, uint32_t width, uint32_t height,
                  uint32_t& pitchOut)
{
    unsigned long long devicePointer = 0;
    unsigned int pitch = 0;
    CUVIDPROCPARAMS params = ProcessingFor(picture);
    CUvideodecoder decoder = session.decoder->GetDecoder();
    if (nv::CallSlot<tcuvidMapVideoFrame64>(nv::CuvidEntry(nv::CuvidSlot::cuvidMapVideoFrame), decoder,
                                            picture.picture_index, &devicePointer, &pitch, &params) != CUDA_SUCCESS)
        return false;
    uint64_t bytes = nv::Nv12Bytes(pitch, nv::Nv12SurfaceSide(height));
    if (!session.hostPicture && WUVO_CUDA(cuMemAllocHost_v2, &session.hostPicture, bytes) == CUDA_SUCCESS)
        session.hostBytes = bytes;
    bool copied = session.hostPicture && pitch >= width && bytes <= session.hostBytes &&
                  WUVO_CUDA(cuMemcpyDtoH_v2, session.hostPicture, devicePointer, bytes) == CUDA_SUCCESS;
    nv::CallSlot<tcuvidUnmapVideoFrame64>(nv::CuvidEntry(nv::CuvidSlot::cuvidUnmapVideoFrame), decoder,
                                          devicePointer);
    pitchOut = pitch;
    return copied;
}

// Takes the pictures in display order until the source has ended. Every
// picture counts a frame number, also one the engine has no buffer for.
// False when a picture could not be fetched or the caller stops the decode,
// which then ends without reading the rest of the file.
bool ConsumePictures(DecodeSession& session, DecoderCallbacks& callbacks)
{
    const uint32_t width = callbacks.targetWidth;
    const uint32_t height = callbacks.targetHeight;
    for (uint32_t frame = 0;; ++frame) {
        CUVIDPARSERDISPINFO picture{};
        for (;;) {
            // Also while no picture comes, as over a run of samples that hold none.
            if (callbacks.stopRequested && callbacks.stopRequested())
                return false;
            bool ended = session.queue->IsEndOfDecode();
            if (session.queue->Dequeue(picture))
                break;
            if (ended)
                return true;
            session.queue->WaitForPicture(kPictureWaitMs);
        }
        uint32_t pitch = 0;
        bool fetched = FetchPicture(session, picture, width, height, pitch);
        if (fetched) {
            if (uint8_t* buffer = callbacks.getBuffer(frame)) {
                nv::CopyNv12ToI420(static_cast<const uint8_t*>(session.hostPicture), pitch, nv::Nv12SurfaceSide(height),
                                   width, height, buffer);
                callbacks.frameDone(frame);
            }
        }
        session.queue->ReleaseFrame(picture);
        if (!fetched)
            return false;
    }
}

}  // namespace

int NvDecodeFile(std::u16string path, DecoderCallbacks& callbacks)
{
    DecodeSession session;
    if (!SetUp(session, path, callbacks))
        return kNvDecodeFailed;
    bool consumed = ConsumePictures(session, callbacks);
    bool released = session.Release();
    return consumed && released ? kNvDecodeOk : kNvDecodeFailed;
}

}  // namespace wuvo
