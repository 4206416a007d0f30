#include "platform/media/picture_converter.h"

extern "C" {
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include "platform/media/plane_rotation.h"

namespace wuvo::platform {

namespace {

constexpr int kPlanes = 3;

// The layout without the old full-range names, which the scaler warns about
// at every picture: the range is told apart.
AVPixelFormat PlainLayout(int format)
{
    switch (format) {
    case AV_PIX_FMT_YUVJ420P: return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P: return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P: return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P: return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P: return AV_PIX_FMT_YUV411P;
    default: return static_cast<AVPixelFormat>(format);
    }
}

bool IsFullRange(const AVFrame& picture)
{
    return picture.color_range == AVCOL_RANGE_JPEG || PlainLayout(picture.format) != picture.format;
}

// Limited-range I420, the only kind the encoder writes: a full-range picture
// passed on unconverted would be stretched once more by every player.
bool IsI420(const AVFrame& picture)
{
    return picture.format == AV_PIX_FMT_YUV420P && !IsFullRange(picture);
}

// A scaler to limited-range I420 of the same size, with ffmpeg's own default
// flags, so that frames match its command line output. The range is set
// before the scaler is made: made for alike ranges, it would only change
// the depth of 10-bit samples, whatever range it were told afterwards.
SwsContext* MakeScaler(int width, int height, AVPixelFormat format, bool fullRange)
{
    SwsContext* scaler = sws_alloc_context();
    if (!scaler)
        return nullptr;
    bool set = av_opt_set_int(scaler, "srcw", width, 0) >= 0 && av_opt_set_int(scaler, "srch", height, 0) >= 0 &&
               av_opt_set_int(scaler, "dstw", width, 0) >= 0 && av_opt_set_int(scaler, "dsth", height, 0) >= 0 &&
               av_opt_set_pixel_fmt(scaler, "src_format", format, 0) >= 0 &&
               av_opt_set_pixel_fmt(scaler, "dst_format", AV_PIX_FMT_YUV420P, 0) >= 0 &&
               av_opt_set_int(scaler, "src_range", fullRange ? 1 : 0, 0) >= 0 &&
               av_opt_set_int(scaler, "dst_range", 0, 0) >= 0 && av_opt_set_int(scaler, "sws_flags", SWS_BICUBIC, 0) >= 0;
    if (!set || sws_init_context(scaler, nullptr, nullptr) < 0) {
        sws_freeContext(scaler);
        return nullptr;
    }
    return scaler;
}

}  // namespace

PictureConverter::PictureConverter() : converted_(av_frame_alloc()), turned_(av_frame_alloc()) {}

PictureConverter::~PictureConverter()
{
    sws_freeContext(scaler_);
}

bool PictureConverter::Allocate(FramePtr& target, int width, int height)
{
    if (!target)
        return false;
    if (target->width == width && target->height == height && target->data[0])
        return true;
    av_frame_unref(target.get());
    target->format = AV_PIX_FMT_YUV420P;
    target->width = width;
    target->height = height;
    return av_frame_get_buffer(target.get(), 0) == 0;
}

bool PictureConverter::PrepareScaler(const AVFrame& picture)
{
    ScalerInput input{picture.width, picture.height, PlainLayout(picture.format), IsFullRange(picture)};
    if (scaler_ && input == scalerInput_)
        return true;
    sws_freeContext(scaler_);
    scaler_ = MakeScaler(input.width, input.height, static_cast<AVPixelFormat>(input.format), input.fullRange);
    scalerInput_ = input;
    return scaler_ != nullptr;
}

const AVFrame* PictureConverter::ToUprightI420(const AVFrame& picture, PictureTurn turn)
{
    const AVFrame* result = &picture;
    if (IsHdrTransfer(picture.color_trc)) {
        if (!(result = toSdr_.Convert(picture)))
            return nullptr;
    } else if (!IsI420(picture)) {
        // 10-bit, full-range and other layouts become 8-bit limited-range I420.
        if (!PrepareScaler(picture) || !Allocate(converted_, picture.width, picture.height) ||
            sws_scale(scaler_, picture.data, picture.linesize, 0, picture.height, converted_->data,
                      converted_->linesize) != picture.height)
            return nullptr;
        result = converted_.get();
    }
    if (turn.IsNone())
        return result;
    bool quarter = turn.IsQuarter();
    if (!Allocate(turned_, quarter ? result->height : result->width,
                  quarter ? result->width : result->height))
        return nullptr;
    for (int plane = 0; plane < kPlanes; ++plane) {
        int shift = plane == 0 ? 0 : 1;
        TurnPlane(result->data[plane], result->linesize[plane], (result->width + shift) >> shift,
                  (result->height + shift) >> shift, turned_->data[plane], turned_->linesize[plane], turn);
    }
    return turned_.get();
}

}  // namespace wuvo::platform
