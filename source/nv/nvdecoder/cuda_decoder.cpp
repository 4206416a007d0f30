#include "nv/nvdecoder/cuda_decoder.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "nv/common/src/driver_loader.h"
#include "nv/nvdecoder/nv12_copy.h"
#include "platform/text/utf.h"
#include "platform/threads/worker_thread.h"

namespace wuvo::NSNVDECODE {

namespace {

constexpr uint32_t kH264Surfaces = 20;
// H.265's largest luma picture size at level 6 and above, and the picture
// buffer it allows by how much of it a picture fills, plus four spare.
constexpr int64_t kMaxLumaPictureSize = 35'651'584;
constexpr uint32_t kHevcSurfacesQuarter = 20;
constexpr uint32_t kHevcSurfacesHalf = 16;
constexpr uint32_t kHevcSurfacesThreeQuarters = 12;
constexpr uint32_t kHevcSurfacesFull = 10;
constexpr uint32_t kOutputSurfaces = 2;
constexpr int kParserDisplayDelay = 1;
// How often Start looks whether the source is still running.
constexpr uint32_t kSourceStatePollMs = 10;
// How long a decode waits for the consumer to free its surface, per look.
constexpr uint32_t kSurfaceInUsePollMs = 1;

// NV12 surfaces have even sides. An odd display side takes in the coded
// sample beyond it, which the copy leaves out, so nothing is scaled.
void SetOutputSize(CUVIDDECODECREATEINFO& info, const CUVIDEOFORMAT& format, int32_t targetWidth,
                   int32_t targetHeight)
{
    const auto& display = format.display_area;
    bool requested = targetWidth > 0 && targetHeight > 0;
    info.ulTargetWidth = nv::Nv12SurfaceSide(requested ? targetWidth : display.right - display.left);
    info.ulTargetHeight = nv::Nv12SurfaceSide(requested ? targetHeight : display.bottom - display.top);
    int right = display.right;
    int bottom = display.bottom;
    if (!requested) {
        right = std::min(display.left + static_cast<int>(info.ulTargetWidth), static_cast<int>(format.coded_width));
        bottom = std::min(display.top + static_cast<int>(info.ulTargetHeight), static_cast<int>(format.coded_height));
    }
    info.display_area.right = static_cast<short>(right);
    info.display_area.bottom = static_cast<short>(bottom);
    info.target_rect.right = static_cast<short>(info.ulTargetWidth);
    info.target_rect.bottom = static_cast<short>(info.ulTargetHeight);
}

CudaDecoder& DecoderOf(void* user)
{
    return *static_cast<CudaDecoder*>(user);
}

}  // namespace

uint32_t DecodeSurfaceCount(cudaVideoCodec codec, uint32_t codedWidth, uint32_t codedHeight)
{
    if (codec != cudaVideoCodec_HEVC)
        return kH264Surfaces;
    int64_t samples = int64_t{codedWidth} * codedHeight;
    if (samples <= kMaxLumaPictureSize / 4)
        return kHevcSurfacesQuarter;
    if (samples <= kMaxLumaPictureSize / 2)
        return kHevcSurfacesHalf;
    if (samples <= kMaxLumaPictureSize * 3 / 4)
        return kHevcSurfacesThreeQuarters;
    return kHevcSurfacesFull;
}

CUVIDDECODECREATEINFO MakeDecoderCreateInfo(const CUVIDEOFORMAT& format, CUvideoctxlock lock, int32_t targetWidth,
                                            int32_t targetHeight)
{
    CUVIDDECODECREATEINFO info{};
    info.ulWidth = format.coded_width;
    info.ulHeight = format.coded_height;
    info.ulNumDecodeSurfaces = DecodeSurfaceCount(format.codec, format.coded_width, format.coded_height);
    info.CodecType = format.codec;
    info.ChromaFormat = cudaVideoChromaFormat_420;
    info.ulCreationFlags = cudaVideoCreate_PreferCUVID;
    info.bitDepthMinus8 = 0;
    info.OutputFormat = cudaVideoSurfaceFormat_NV12;
    info.DeinterlaceMode = cudaVideoDeinterlaceMode_Weave;
    SetOutputSize(info, format, targetWidth, targetHeight);
    info.ulNumOutputSurfaces = kOutputSurfaces;
    info.vidLock = lock;
    return info;
}

CudaDecoder::~CudaDecoder()
{
    if (m_videoDecoder)
        WUVO_CUVID(cuvidDestroyDecoder, m_videoDecoder);
    if (m_videoParser)
        WUVO_CUVID(cuvidDestroyVideoParser, m_videoParser);
    if (m_videoSource)
        WUVO_CUVID(cuvidDestroyVideoSource, m_videoSource);
}

bool CudaDecoder::CreateSource(const std::u16string& videoPath)
{
    CUVIDSOURCEPARAMS params{};
    params.pUserData = this;
    params.pfnVideoDataHandler = OnVideoData;
    // The driver takes wide characters, which are UTF-32 here: no character is lost.
    std::u32string wide = platform::ToUtf32(videoPath);
    std::wstring path(wide.begin(), wide.end());
    if (WUVO_CUVID(cuvidCreateVideoSourceW, &m_videoSource, path.c_str(), &params) != CUDA_SUCCESS) {
        m_videoSource = nullptr;
        std::fprintf(stderr, "cuvidCreateVideoSource failed\n");
        std::fprintf(stderr, "Please check if the path exists, or the video is a valid H264 file\n");
        return false;
    }
    return true;
}

bool CudaDecoder::CheckFormat(const CUVIDEOFORMAT& format) const
{
    if (format.codec != cudaVideoCodec_H264 && format.codec != cudaVideoCodec_HEVC) {
        std::fprintf(stderr, "The sample only supports H264/HEVC input video!\n");
        return false;
    }
    if (format.chroma_format != cudaVideoChromaFormat_420) {
        std::fprintf(stderr, "The sample only supports 4:2:0 chroma!\n");
        return false;
    }
    // The surfaces are made for 8-bit samples; deeper ones would not fit them.
    if (format.bit_depth_luma_minus8 != 0 || format.bit_depth_chroma_minus8 != 0) {
        std::fprintf(stderr, "The sample only supports 8-bit input video!\n");
        return false;
    }
    return true;
}

bool CudaDecoder::CreateParser(const CUVIDEOFORMAT& format)
{
    CUVIDPARSERPARAMS params{};
    params.CodecType = format.codec;
    params.ulMaxNumDecodeSurfaces = m_createInfo.ulNumDecodeSurfaces;
    params.ulMaxDisplayDelay = kParserDisplayDelay;
    params.pUserData = this;
    params.pfnSequenceCallback = OnVideoSequence;
    params.pfnDecodePicture = OnDecodePicture;
    params.pfnDisplayPicture = OnDisplayPicture;
    CUresult result = WUVO_CUVID(cuvidCreateVideoParser, &m_videoParser, &params);
    if (result != CUDA_SUCCESS) {
        m_videoParser = nullptr;
        std::fprintf(stderr, "cuvidCreateVideoParser failed, error code: %d\n", static_cast<int>(result));
        return false;
    }
    return true;
}

bool CudaDecoder::Init(const std::u16string& videoPath, CUvideoctxlock ctxLock, FrameQueue* pFrameQueue,
                       int32_t targetWidth, int32_t targetHeight)
{
    m_frameQueue = pFrameQueue;
    m_ctxLock = ctxLock;
    if (!CreateSource(videoPath))
        return false;
    CUVIDEOFORMAT format{};
    WUVO_CUVID(cuvidGetSourceVideoFormat, m_videoSource, &format, 0u);
    if (!CheckFormat(format))
        return false;
    CUVIDDECODECREATEINFO info = MakeDecoderCreateInfo(format, m_ctxLock, targetWidth, targetHeight);
    CUresult result = WUVO_CUVID(cuvidCreateDecoder, &m_videoDecoder, &info);
    if (result != CUDA_SUCCESS) {
        m_videoDecoder = nullptr;
        std::fprintf(stderr, "cuvidCreateDecoder() failed, error code: %d\n", static_cast<int>(result));
        return false;
    }
    m_createInfo = info;
    return CreateParser(format);
}

void CudaDecoder::Start()
{
    if (WUVO_CUVID(cuvidSetVideoSourceState, m_videoSource, cudaVideoState_Started) == CUDA_SUCCESS) {
        auto* getState = reinterpret_cast<tcuvidGetVideoSourceState*>(nv::CuvidEntry(nv::CuvidSlot::cuvidGetVideoSourceState));
        while (getState && getState(m_videoSource) == cudaVideoState_Started)
            platform::SleepMs(kSourceStatePollMs);
    }
    m_frameQueue->EndDecode();
}

void CudaDecoder::Stop()
{
    if (m_videoSource)
        WUVO_CUVID(cuvidSetVideoSourceState, m_videoSource, cudaVideoState_Stopped);
    m_frameQueue->EndDecode();
}

void CudaDecoder::GetCodecParams(int* width, int* height, int* frame_rate_num, int* frame_rate_den,
                                 int* progressive)
{
    CUVIDEOFORMAT format{};
    WUVO_CUVID(cuvidGetSourceVideoFormat, m_videoSource, &format, 0u);
    *width = format.display_area.right - format.display_area.left;
    *height = format.display_area.bottom - format.display_area.top;
    *frame_rate_num = static_cast<int>(format.frame_rate.numerator);
    *frame_rate_den = static_cast<int>(format.frame_rate.denominator);
    *progressive = format.progressive_sequence;
}

int CUDAAPI CudaDecoder::OnVideoData(void* user, CUVIDSOURCEDATAPACKET* packet)
{
    if (WUVO_CUVID(cuvidParseVideoData, DecoderOf(user).m_videoParser, packet) != CUDA_SUCCESS)
        std::printf("error!\n");
    return 1;
}

int CUDAAPI CudaDecoder::OnVideoSequence(void* user, CUVIDEOFORMAT* format)
{
    const CUVIDDECODECREATEINFO& created = DecoderOf(user).m_createInfo;
    if (format->codec == created.CodecType && format->coded_width == created.ulWidth &&
        format->coded_height == created.ulHeight && format->chroma_format == created.ChromaFormat)
        return 1;
    std::fprintf(stderr, "NvTranscoder doesn't deal with dynamic video format changing\n");
    return 0;
}

int CUDAAPI CudaDecoder::OnDecodePicture(void* user, CUVIDPICPARAMS* picture)
{
    CudaDecoder& decoder = DecoderOf(user);
    int index = picture->CurrPicIdx;
    // A surface the decoder was not made with would be written past its end.
    if (!FrameQueue::IsValidPictureIndex(index) || static_cast<uint32_t>(index) >= decoder.m_createInfo.ulNumDecodeSurfaces)
        return 0;
    while (decoder.m_frameQueue->IsInUse(index) && !decoder.m_frameQueue->IsEndOfDecode())
        platform::SleepMs(kSurfaceInUsePollMs);
    WUVO_CUVID(cuvidDecodePicture, decoder.m_videoDecoder, picture);
    return 1;
}

int CUDAAPI CudaDecoder::OnDisplayPicture(void* user, CUVIDPARSERDISPINFO* picture)
{
    DecoderOf(user).m_frameQueue->Enqueue(*picture);
    return 1;
}

}  // namespace wuvo::NSNVDECODE
