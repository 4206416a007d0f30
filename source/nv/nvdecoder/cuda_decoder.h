#pragma once

#include <cstdint>
#include <string>

#include "nv/common/src/nvidia_api.h"
#include "nv/nvdecoder/frame_queue.h"

namespace wuvo::NSNVDECODE {

// Decode surfaces for a sequence: H.265's picture buffer for its luma
// sample count plus four spare, 20 for H.264.
uint32_t DecodeSurfaceCount(cudaVideoCodec codec, uint32_t codedWidth, uint32_t codedHeight);

// The decoder's create record for a source format: NV12 output at the
// requested size when both sides are above 0, else at the display size;
// each side made even (Nv12SurfaceSide), an odd display size by taking in
// the coded column or row beyond it rather than by scaling.
CUVIDDECODECREATEINFO MakeDecoderCreateInfo(const CUVIDEOFORMAT& format, CUvideoctxlock lock, int32_t targetWidth,
                                            int32_t targetHeight);

// Opens a file with NVCUVID's video source, parses it and decodes every
// picture into NV12 surfaces; pictures ready for display go to the queue.
class CudaDecoder {
public:
    CudaDecoder() = default;
    CudaDecoder(const CudaDecoder&) = delete;
    CudaDecoder& operator=(const CudaDecoder&) = delete;
    // Destroys only what Init created: decoder, parser, source.
    virtual ~CudaDecoder();

    // False after its message on standard error; what was made stays for
    // the destructor.
    virtual bool Init(const std::u16string& videoPath, CUvideoctxlock ctxLock, FrameQueue* pFrameQueue,
                      int32_t targetWidth, int32_t targetHeight);
    // Runs the source until it stops, then ends the queue's decode.
    virtual void Start();
    virtual void GetCodecParams(int* width, int* height, int* frame_rate_num, int* frame_rate_den,
                                int* progressive);
    virtual CUvideodecoder GetDecoder() { return m_videoDecoder; }
    // Asks the source to stop and ends the queue's decode, so no callback
    // waits for the consumer any more.
    void Stop();

private:
    static int CUDAAPI OnVideoData(void* user, CUVIDSOURCEDATAPACKET* packet);
    static int CUDAAPI OnVideoSequence(void* user, CUVIDEOFORMAT* format);
    static int CUDAAPI OnDecodePicture(void* user, CUVIDPICPARAMS* picture);
    static int CUDAAPI OnDisplayPicture(void* user, CUVIDPARSERDISPINFO* picture);

    bool CreateSource(const std::u16string& videoPath);
    bool CheckFormat(const CUVIDEOFORMAT& format) const;
    bool CreateParser(const CUVIDEOFORMAT& format);

    CUvideosource m_videoSource = nullptr;
    CUvideoparser m_videoParser = nullptr;
    CUvideodecoder m_videoDecoder = nullptr;
    CUvideoctxlock m_ctxLock = nullptr;
    CUVIDDECODECREATEINFO m_createInfo{};
    FrameQueue* m_frameQueue = nullptr;
};

}  // namespace wuvo::NSNVDECODE
