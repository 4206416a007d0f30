#include "support/png_writer.h"

#include <cstdio>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

namespace wuvo::test {

namespace {

struct CodecContextFree {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ScaleFree {
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};

std::unique_ptr<AVFrame, FrameFree> ToRgb(const uint8_t* frame, int width, int height)
{
    std::unique_ptr<AVFrame, FrameFree> rgb(av_frame_alloc());
    rgb->format = AV_PIX_FMT_RGB24;
    rgb->width = width;
    rgb->height = height;
    if (av_frame_get_buffer(rgb.get(), 0) < 0)
        return nullptr;
    std::unique_ptr<SwsContext, ScaleFree> scale(sws_getContext(
        width, height, AV_PIX_FMT_YUV420P, width, height, AV_PIX_FMT_RGB24, SWS_POINT, nullptr, nullptr, nullptr));
    if (!scale)
        return nullptr;
    const size_t lumaSize = static_cast<size_t>(width) * height;
    const uint8_t* planes[3] = {frame, frame + lumaSize, frame + lumaSize + lumaSize / 4};
    const int strides[3] = {width, width / 2, width / 2};
    sws_scale(scale.get(), planes, strides, 0, height, rgb->data, rgb->linesize);
    return rgb;
}

}  // namespace

bool WriteI420AsPng(const std::string& path, const uint8_t* frame, int width, int height)
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_PNG);
    if (codec == nullptr)
        return false;
    std::unique_ptr<AVCodecContext, CodecContextFree> context(avcodec_alloc_context3(codec));
    context->width = width;
    context->height = height;
    context->pix_fmt = AV_PIX_FMT_RGB24;
    context->time_base = {1, 25};
    auto rgb = ToRgb(frame, width, height);
    if (!rgb || avcodec_open2(context.get(), codec, nullptr) < 0 || avcodec_send_frame(context.get(), rgb.get()) < 0)
        return false;
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    if (avcodec_receive_packet(context.get(), packet.get()) < 0)
        return false;
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    return file && std::fwrite(packet->data, 1, packet->size, file.get()) == static_cast<size_t>(packet->size);
}

}  // namespace wuvo::test
