// NVCUVID without a GPU: the video source demuxes with libavformat, every
// sample of the stream as NVCUVID's own demuxer gives them, without the edit
// list; the parser decodes with libavcodec, and the decoder converts the
// pictures into NV12 "device" surfaces in host memory at the size it was
// created for. Handles are checked as a real driver checks them: each misuse
// is answered with the driver's error and counted.
#include <iconv.h>

#include <atomic>
#include <cwchar>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include "nv/common/src/nvidia_api.h"
#include "nvidia/fake/fake_control.h"

using wuvo::fake::CuvidControl;
using wuvo::fake::Handles;

namespace {

constexpr CUresult kInvalidValue = static_cast<CUresult>(1);
constexpr CUresult kFileNotFound = static_cast<CUresult>(301);
constexpr CUresult kNotSupported = static_cast<CUresult>(801);
constexpr CUresult kInvalidContext = static_cast<CUresult>(201);
constexpr CUresult kInvalidHandle = static_cast<CUresult>(400);
// Real decoders code whole blocks and hand out pitched rows.
constexpr uint32_t kCodedAlignment = 16;
constexpr uint32_t kPitchAlignment = 256;
constexpr AVRational kTenMegahertz{1, 10'000'000};
constexpr int kOutOfRangeIndex = 25;
// A packet flag of the fake's own, above NVCUVID's: the picture is decoded
// but, as the edit list hides it, not shown.
constexpr unsigned long kHiddenPicture = 0x40000000;

CuvidControl gControl;

CUresult Misuse(const std::string& what, CUresult answer)
{
    gControl.violations.Report(what);
    return answer;
}

uint32_t Align(uint32_t value, uint32_t alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

// The wide path as the file system wants it.
std::string Utf8Of(const wchar_t* wide)
{
    iconv_t converter = iconv_open("UTF-8", "WCHAR_T");
    std::string out(std::wcslen(wide) * 4, '\0');
    char* in = reinterpret_cast<char*>(const_cast<wchar_t*>(wide));
    size_t inLeft = std::wcslen(wide) * sizeof(wchar_t);
    char* next = out.data();
    size_t outLeft = out.size();
    iconv(converter, &in, &inLeft, &next, &outLeft);
    iconv_close(converter);
    out.resize(out.size() - outLeft);
    return out;
}

cudaVideoCodec CodecOf(AVCodecID id)
{
    switch (id) {
    case AV_CODEC_ID_HEVC: return cudaVideoCodec_HEVC;
    case AV_CODEC_ID_H264: return cudaVideoCodec_H264;
    case AV_CODEC_ID_MPEG2VIDEO: return cudaVideoCodec_MPEG2;
    case AV_CODEC_ID_VP9: return cudaVideoCodec_VP9;
    default: return cudaVideoCodec_NumCodecs;
    }
}

AVCodecID CodecIdOf(cudaVideoCodec codec)
{
    return codec == cudaVideoCodec_HEVC ? AV_CODEC_ID_HEVC : codec == cudaVideoCodec_H264 ? AV_CODEC_ID_H264 : AV_CODEC_ID_NONE;
}

CUVIDEOFORMAT FormatOf(cudaVideoCodec codec, int width, int height, AVPixelFormat pixels, AVRational rate)
{
    CUVIDEOFORMAT format{};
    format.codec = codec;
    format.frame_rate.numerator = static_cast<unsigned>(rate.num);
    format.frame_rate.denominator = static_cast<unsigned>(rate.den);
    format.progressive_sequence = 1;
    format.coded_width = Align(static_cast<uint32_t>(width), kCodedAlignment);
    format.coded_height = Align(static_cast<uint32_t>(height), kCodedAlignment);
    format.display_area.right = width;
    format.display_area.bottom = height;
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(pixels);
    if (descriptor) {
        format.bit_depth_luma_minus8 = static_cast<unsigned char>(descriptor->comp[0].depth - 8);
        format.bit_depth_chroma_minus8 = format.bit_depth_luma_minus8;
        bool halfWidth = descriptor->log2_chroma_w == 1;
        bool halfHeight = descriptor->log2_chroma_h == 1;
        format.chroma_format = halfWidth && halfHeight ? cudaVideoChromaFormat_420
                               : halfWidth             ? cudaVideoChromaFormat_422
                                                       : cudaVideoChromaFormat_444;
    }
    return format;
}

struct Source {
    AVFormatContext* format = nullptr;
    AVBSFContext* filter = nullptr;
    int stream = -1;
    CUVIDSOURCEPARAMS params{};
    CUVIDEOFORMAT videoFormat{};
    std::thread thread;
    std::atomic<int> state{cudaVideoState_Stopped};
    std::atomic<bool> stop{false};

    ~Source()
    {
        stop = true;
        if (thread.joinable())
            thread.join();
        av_bsf_free(&filter);
        avformat_close_input(&format);
    }

    void Deliver(AVPacket* packet)
    {
        CUVIDSOURCEDATAPACKET data{};
        data.flags = CUVID_PKT_TIMESTAMP | ((packet->flags & AV_PKT_FLAG_DISCARD) ? kHiddenPicture : 0);
        data.payload_size = static_cast<tcu_ulong>(packet->size);
        data.payload = packet->data;
        AVRational base = format->streams[stream]->time_base;
        data.timestamp = packet->pts == AV_NOPTS_VALUE ? 0 : av_rescale_q(packet->pts, base, kTenMegahertz);
        params.pfnVideoDataHandler(params.pUserData, &data);
    }

    bool Filter(AVPacket* in, AVPacket* out)
    {
        if (av_bsf_send_packet(filter, in) < 0)
            return false;
        while (!stop && av_bsf_receive_packet(filter, out) == 0) {
            Deliver(out);
            av_packet_unref(out);
        }
        return true;
    }

    void Run()
    {
        AVPacket* packet = av_packet_alloc();
        AVPacket* out = av_packet_alloc();
        bool reading = true;
        while (!stop && reading) {
            if (av_read_frame(format, packet) < 0) {
                reading = false;
                Filter(nullptr, out);
                break;
            }
            if (packet->stream_index == stream)
                Filter(packet, out);
            av_packet_unref(packet);
        }
        if (!stop) {
            CUVIDSOURCEDATAPACKET end{};
            end.flags = CUVID_PKT_ENDOFSTREAM;
            params.pfnVideoDataHandler(params.pUserData, &end);
        }
        av_packet_free(&packet);
        av_packet_free(&out);
        state = cudaVideoState_Stopped;
    }
};

struct Parser {
    CUVIDPARSERPARAMS params{};
    AVCodecContext* codec = nullptr;
    AVFrame* frame = av_frame_alloc();
    bool sequenceSeen = false;
    bool sequenceAccepted = false;
    uint32_t nextSurface = 0;
    int pictures = 0;

    ~Parser()
    {
        avcodec_free_context(&codec);
        av_frame_free(&frame);
    }

    void Picture(AVFrame& picture)
    {
        if (!sequenceSeen) {
            CUVIDEOFORMAT format = FormatOf(params.CodecType, picture.width, picture.height,
                                            static_cast<AVPixelFormat>(picture.format), AVRational{0, 1});
            sequenceAccepted = params.pfnSequenceCallback(params.pUserData, &format) != 0;
            sequenceSeen = true;
        }
        if (!sequenceAccepted)
            return;
        int index = static_cast<int>(nextSurface++ % params.ulMaxNumDecodeSurfaces);
        if (++pictures == gControl.badPictureIndexAt.load())
            index = kOutOfRangeIndex;
        CUVIDPICPARAMS decode{};
        decode.CurrPicIdx = index;
        decode.pBitstreamData = reinterpret_cast<const unsigned char*>(&picture);
        params.pfnDecodePicture(params.pUserData, &decode);
        CUVIDPARSERDISPINFO display{};
        display.picture_index = index;
        display.progressive_frame = 1;
        display.timestamp = picture.pts;
        params.pfnDisplayPicture(params.pUserData, &display);
    }

    CUresult Drain()
    {
        for (;;) {
            int received = avcodec_receive_frame(codec, frame);
            if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
                return CUDA_SUCCESS;
            if (received < 0)
                return kInvalidValue;
            Picture(*frame);
            av_frame_unref(frame);
        }
    }
};

struct ContextLock {
    CUcontext context = nullptr;
    std::atomic<int> users{0};  // decoders made with it
};

struct Decoder {
    CUVIDDECODECREATEINFO info{};
    ContextLock* lock = nullptr;
    uint32_t pitch = 0;
    size_t surfaceBytes = 0;
    std::vector<std::vector<uint8_t>> surfaces;
    std::vector<std::atomic<bool>> decoded;
    std::vector<std::atomic<bool>> mapped;
    std::atomic<int> mappedCount{0};
    SwsContext* scaler = nullptr;
    AVFrame* resized = av_frame_alloc();

    ~Decoder()
    {
        sws_freeContext(scaler);
        av_frame_free(&resized);
    }

    // The picture as 8-bit 4:2:0 at the target size: FFmpeg's own samples
    // when no scaling is needed, so they can be compared exactly.
    const AVFrame* Resized(const AVFrame& frame)
    {
        auto width = static_cast<int>(info.ulTargetWidth);
        auto height = static_cast<int>(info.ulTargetHeight);
        if (frame.width == width && frame.height == height && frame.format == AV_PIX_FMT_YUV420P)
            return &frame;
        scaler = sws_getCachedContext(scaler, frame.width, frame.height, static_cast<AVPixelFormat>(frame.format),
                                      width, height, AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr);
        av_frame_unref(resized);
        resized->format = AV_PIX_FMT_YUV420P;
        resized->width = width;
        resized->height = height;
        if (!scaler || av_frame_get_buffer(resized, 0) < 0 ||
            sws_scale(scaler, frame.data, frame.linesize, 0, frame.height, resized->data, resized->linesize) <= 0)
            return nullptr;
        return resized;
    }

    void Interleave(const AVFrame& planar, uint8_t* surface) const
    {
        uint32_t width = info.ulTargetWidth;
        uint32_t height = info.ulTargetHeight;
        for (uint32_t row = 0; row < height; ++row)
            std::memcpy(surface + size_t{row} * pitch, planar.data[0] + size_t{row} * planar.linesize[0], width);
        uint8_t* chroma = surface + size_t{height} * pitch;
        for (uint32_t row = 0; row < (height + 1) / 2; ++row, chroma += pitch) {
            const uint8_t* u = planar.data[1] + size_t{row} * planar.linesize[1];
            const uint8_t* v = planar.data[2] + size_t{row} * planar.linesize[2];
            for (uint32_t x = 0; x < (width + 1) / 2; ++x) {
                chroma[2 * x] = u[x];
                chroma[2 * x + 1] = v[x];
            }
        }
    }

    bool ValidIndex(int index) const { return index >= 0 && static_cast<size_t>(index) < surfaces.size(); }
};

Handles<Source> gSources;
Handles<Parser> gParsers;
Handles<Decoder> gDecoders;
Handles<ContextLock> gLocks;

}  // namespace

extern "C" {

CuvidControl* WuvoFakeCuvid() { return &gControl; }

CUresult cuvidCreateVideoSourceW(CUvideosource* object, const wchar_t* path, CUVIDSOURCEPARAMS* params)
{
    auto source = std::make_unique<Source>();
    source->params = *params;
    std::string file = Utf8Of(path);
    AVDictionary* options = nullptr;
    av_dict_set(&options, "ignore_editlist", gControl.applyEditList ? "0" : "1", 0);
    int opened = avformat_open_input(&source->format, file.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0 || avformat_find_stream_info(source->format, nullptr) < 0)
        return kFileNotFound;
    source->stream = av_find_best_stream(source->format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (source->stream < 0)
        return kFileNotFound;
    AVStream* stream = source->format->streams[source->stream];
    AVCodecParameters* codec = stream->codecpar;
    const char* filterName = codec->codec_id == AV_CODEC_ID_HEVC   ? "hevc_mp4toannexb"
                             : codec->codec_id == AV_CODEC_ID_H264 ? "h264_mp4toannexb"
                                                                   : "null";
    if (av_bsf_alloc(av_bsf_get_by_name(filterName), &source->filter) < 0 ||
        avcodec_parameters_copy(source->filter->par_in, codec) < 0 || av_bsf_init(source->filter) < 0)
        return kFileNotFound;
    AVRational rate = stream->avg_frame_rate.num ? stream->avg_frame_rate : stream->r_frame_rate;
    source->videoFormat = FormatOf(CodecOf(codec->codec_id), codec->width, codec->height,
                                   static_cast<AVPixelFormat>(codec->format), rate);
    *object = gSources.Add<CUvideosource>(std::move(source));
    ++gControl.sources;
    return CUDA_SUCCESS;
}

CUresult cuvidCreateVideoSource(CUvideosource*, const char*, CUVIDSOURCEPARAMS*) { return kNotSupported; }

CUresult cuvidDestroyVideoSource(CUvideosource object)
{
    if (!gSources.Take(object))
        return Misuse("destroy of a video source that is not live", kInvalidHandle);
    --gControl.sources;
    return CUDA_SUCCESS;
}

CUresult cuvidSetVideoSourceState(CUvideosource object, cudaVideoState state)
{
    Source* source = gSources.Find(object);
    if (!source)
        return Misuse("state set on a video source that is not live", kInvalidHandle);
    if (state == cudaVideoState_Started && !source->thread.joinable()) {
        source->state = cudaVideoState_Started;
        source->thread = std::thread([source] { source->Run(); });
    } else if (state == cudaVideoState_Stopped) {
        source->stop = true;
    }
    return CUDA_SUCCESS;
}

cudaVideoState cuvidGetVideoSourceState(CUvideosource object)
{
    Source* source = gSources.Find(object);
    if (!source)
        return Misuse("state of a video source that is not live", kInvalidHandle), cudaVideoState_Error;
    return static_cast<cudaVideoState>(source->state.load());
}

CUresult cuvidGetSourceVideoFormat(CUvideosource object, CUVIDEOFORMAT* format, unsigned int)
{
    Source* source = gSources.Find(object);
    if (!source)
        return Misuse("format of a video source that is not live", kInvalidHandle);
    *format = source->videoFormat;
    return CUDA_SUCCESS;
}

CUresult cuvidGetSourceAudioFormat(CUvideosource, CUAUDIOFORMAT*, unsigned int) { return kNotSupported; }

CUresult cuvidCreateVideoParser(CUvideoparser* object, CUVIDPARSERPARAMS* params)
{
    auto parser = std::make_unique<Parser>();
    parser->params = *params;
    const AVCodec* codec = avcodec_find_decoder(CodecIdOf(params->CodecType));
    if (!codec || params->ulMaxNumDecodeSurfaces == 0)
        return kNotSupported;
    parser->codec = avcodec_alloc_context3(codec);
    parser->codec->thread_count = 1;
    if (avcodec_open2(parser->codec, codec, nullptr) < 0)
        return kNotSupported;
    *object = gParsers.Add<CUvideoparser>(std::move(parser));
    ++gControl.parsers;
    return CUDA_SUCCESS;
}

CUresult cuvidParseVideoData(CUvideoparser object, CUVIDSOURCEDATAPACKET* packet)
{
    Parser* parser = gParsers.Find(object);
    if (!parser)
        return Misuse("data for a parser that is not live", kInvalidHandle);
    if (packet->payload_size > 0) {
        AVPacket* data = av_packet_alloc();
        av_new_packet(data, static_cast<int>(packet->payload_size));
        std::memcpy(data->data, packet->payload, packet->payload_size);
        data->pts = packet->timestamp;
        if (packet->flags & kHiddenPicture)
            data->flags |= AV_PKT_FLAG_DISCARD;  // the decoder drops what it decodes from it
        int sent = avcodec_send_packet(parser->codec, data);
        av_packet_free(&data);
        if (sent < 0)
            return kInvalidValue;
        if (CUresult drained = parser->Drain(); drained != CUDA_SUCCESS)
            return drained;
    }
    if (packet->flags & CUVID_PKT_ENDOFSTREAM) {
        avcodec_send_packet(parser->codec, nullptr);
        return parser->Drain();
    }
    return CUDA_SUCCESS;
}

CUresult cuvidDestroyVideoParser(CUvideoparser object)
{
    if (!gParsers.Take(object))
        return Misuse("destroy of a parser that is not live", kInvalidHandle);
    --gControl.parsers;
    return CUDA_SUCCESS;
}

CUresult cuvidGetDecoderCaps(CUVIDDECODECAPS*) { return kNotSupported; }

CUresult cuvidCreateDecoder(CUvideodecoder* object, CUVIDDECODECREATEINFO* info)
{
    if (!WuvoFakeCudaHasCurrentContext())
        return Misuse("decoder created without a current context", kInvalidContext);
    ContextLock* lock = gLocks.Find(info->vidLock);
    if (!lock)
        return Misuse("decoder created with a context lock that is not live", kInvalidHandle);
    // The header asks for even output sizes: NV12 chroma covers 2 x 2 samples.
    if (info->ulTargetWidth % 2 != 0 || info->ulTargetHeight % 2 != 0)
        return Misuse("decoder asked for an odd output size", kInvalidValue);
    if (info->OutputFormat != cudaVideoSurfaceFormat_NV12 || info->ChromaFormat != cudaVideoChromaFormat_420 ||
        info->ulNumDecodeSurfaces == 0 || info->ulTargetWidth == 0 || info->ulTargetHeight == 0)
        return kInvalidValue;
    auto decoder = std::make_unique<Decoder>();
    decoder->info = *info;
    decoder->lock = lock;
    decoder->pitch = Align(static_cast<uint32_t>(info->ulTargetWidth), kPitchAlignment);
    size_t rows = info->ulTargetHeight + info->ulTargetHeight / 2;
    decoder->surfaceBytes = rows * decoder->pitch;
    decoder->surfaces.assign(info->ulNumDecodeSurfaces, std::vector<uint8_t>(decoder->surfaceBytes));
    decoder->decoded = std::vector<std::atomic<bool>>(info->ulNumDecodeSurfaces);
    decoder->mapped = std::vector<std::atomic<bool>>(info->ulNumDecodeSurfaces);
    gControl.surfaces = static_cast<uint32_t>(info->ulNumDecodeSurfaces);
    gControl.targetWidth = static_cast<uint32_t>(info->ulTargetWidth);
    gControl.targetHeight = static_cast<uint32_t>(info->ulTargetHeight);
    gControl.pitch = decoder->pitch;
    ++lock->users;
    *object = gDecoders.Add<CUvideodecoder>(std::move(decoder));
    ++gControl.decoders;
    return CUDA_SUCCESS;
}

CUresult cuvidDestroyDecoder(CUvideodecoder object)
{
    std::unique_ptr<Decoder> decoder = gDecoders.Take(object);
    if (!decoder)
        return Misuse("destroy of a decoder that is not live", kInvalidHandle);
    if (decoder->mappedCount != 0)
        gControl.violations.Report("decoder destroyed with pictures mapped");
    if (!gLocks.Find(decoder->info.vidLock))
        gControl.violations.Report("decoder destroyed after its context lock");
    else
        --decoder->lock->users;
    --gControl.decoders;
    return CUDA_SUCCESS;
}

CUresult cuvidDecodePicture(CUvideodecoder object, CUVIDPICPARAMS* picture)
{
    Decoder* decoder = gDecoders.Find(object);
    if (!decoder)
        return Misuse("decode with a decoder that is not live", kInvalidHandle);
    if (!gLocks.Find(decoder->info.vidLock))
        return Misuse("decode after the decoder's context lock was destroyed", kInvalidContext);
    int index = picture->CurrPicIdx;
    if (!decoder->ValidIndex(index))
        return Misuse("decode into a surface the decoder does not have", kInvalidValue);
    if (decoder->mapped[index])
        gControl.violations.Report("decode into a mapped surface");
    auto* frame = reinterpret_cast<const AVFrame*>(picture->pBitstreamData);
    const AVFrame* planar = decoder->Resized(*frame);
    if (!planar)
        return kInvalidValue;
    decoder->Interleave(*planar, decoder->surfaces[index].data());
    decoder->decoded[index] = true;
    ++gControl.picturesDecoded;
    return CUDA_SUCCESS;
}

CUresult cuvidMapVideoFrame64(CUvideodecoder object, int index, unsigned long long* device, unsigned int* pitch,
                              CUVIDPROCPARAMS*)
{
    Decoder* decoder = gDecoders.Find(object);
    if (!decoder)
        return Misuse("map with a decoder that is not live", kInvalidHandle);
    if (!WuvoFakeCudaHasCurrentContext())
        return Misuse("map without a current context", kInvalidContext);
    if (++gControl.maps == gControl.failMapAtCall.load())
        return kInvalidValue;
    if (!decoder->ValidIndex(index) || !decoder->decoded[index])
        return Misuse("map of a picture that was not decoded", kInvalidValue);
    if (decoder->mapped[index] || ++decoder->mappedCount > static_cast<int>(decoder->info.ulNumOutputSurfaces))
        gControl.violations.Report("more pictures mapped than output surfaces");
    decoder->mapped[index] = true;
    uint8_t* surface = decoder->surfaces[index].data();
    WuvoFakeCudaMapRange(surface, decoder->surfaceBytes);
    *device = reinterpret_cast<unsigned long long>(surface);
    *pitch = decoder->pitch;
    ++gControl.mappings;
    return CUDA_SUCCESS;
}

CUresult cuvidUnmapVideoFrame64(CUvideodecoder object, unsigned long long device)
{
    Decoder* decoder = gDecoders.Find(object);
    if (!decoder)
        return Misuse("unmap with a decoder that is not live", kInvalidHandle);
    if (!WuvoFakeCudaHasCurrentContext())
        return Misuse("unmap without a current context", kInvalidContext);
    for (size_t i = 0; i < decoder->surfaces.size(); ++i) {
        if (reinterpret_cast<unsigned long long>(decoder->surfaces[i].data()) == device && decoder->mapped[i]) {
            decoder->mapped[i] = false;
            --decoder->mappedCount;
            WuvoFakeCudaUnmapRange(decoder->surfaces[i].data());
            --gControl.mappings;
            return CUDA_SUCCESS;
        }
    }
    return Misuse("unmap of a picture that is not mapped", kInvalidValue);
}

CUresult cuvidCtxLockCreate(CUvideoctxlock* lock, CUcontext context)
{
    if (!WuvoFakeCudaRetainContext(context))
        return Misuse("context lock on a context that is not live", kInvalidContext);
    auto created = std::make_unique<ContextLock>();
    created->context = context;
    *lock = gLocks.Add<CUvideoctxlock>(std::move(created));
    ++gControl.ctxLocks;
    return CUDA_SUCCESS;
}

CUresult cuvidCtxLockDestroy(CUvideoctxlock handle)
{
    std::unique_ptr<ContextLock> lock = gLocks.Take(handle);
    if (!lock)
        return Misuse("destroy of a context lock that is not live", kInvalidHandle);
    if (lock->users != 0)
        gControl.violations.Report("context lock destroyed while a decoder uses it");
    if (!WuvoFakeCudaReleaseContext(lock->context))
        gControl.violations.Report("context lock destroyed after its context");
    --gControl.ctxLocks;
    return CUDA_SUCCESS;
}

CUresult cuvidCtxLock(CUvideoctxlock, unsigned int) { return CUDA_SUCCESS; }

CUresult cuvidCtxUnlock(CUvideoctxlock, unsigned int) { return CUDA_SUCCESS; }

}  // extern "C"
