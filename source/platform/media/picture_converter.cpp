#include "platform/media/picture_converter.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include "platform/media/plane_rotation.h"

namespace wuvo::platform {

namespace {

constexpr int kPlanes = 3;

bool IsFullRange(const AVFrame& picture)
{
    return picture.color_range == AVCOL_RANGE_JPEG || picture.format == AV_PIX_FMT_YUVJ420P;
}

// Limited-range I420, the only kind the encoder writes: a full-range picture
// passed on unconverted would be stretched once more by every player.
bool IsI420(const AVFrame& picture)
{
    return picture.format == AV_PIX_FMT_YUV420P && !IsFullRange(picture);
}

// Tells the scaler the source's range; the target stays limited.
bool SetSourceRange(SwsContext* scaler, bool fullRange)
{
    int* sourceTable = nullptr;
    int* targetTable = nullptr;
    int sourceRange = 0, targetRange = 0, brightness = 0, contrast = 0, saturation = 0;
    if (sws_getColorspaceDetails(scaler, &sourceTable, &sourceRange, &targetTable, &targetRange, &brightness,
                                 &contrast, &saturation) < 0)
        return false;
    return sws_setColorspaceDetails(scaler, sourceTable, fullRange ? 1 : 0, targetTable, 0, brightness, contrast,
                                    saturation) >= 0;
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

const AVFrame* PictureConverter::ToUprightI420(const AVFrame& picture, PictureTurn turn)
{
    const AVFrame* result = &picture;
    if (IsHdrTransfer(picture.color_trc)) {
        if (!(result = toSdr_.Convert(picture)))
            return nullptr;
    } else if (!IsI420(picture)) {
        // 10-bit, full-range and other layouts become 8-bit limited-range
        // I420 with ffmpeg's own default scaler flags, so frames match its
        // command line output.
        scaler_ = sws_getCachedContext(scaler_, picture.width, picture.height,
                                       static_cast<AVPixelFormat>(picture.format), picture.width,
                                       picture.height, AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr,
                                       nullptr, nullptr);
        if (!scaler_ || !SetSourceRange(scaler_, IsFullRange(picture)) ||
            !Allocate(converted_, picture.width, picture.height) ||
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
