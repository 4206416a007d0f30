#pragma once

extern "C" {
#include <libavutil/frame.h>
}

#include "platform/media/ffmpeg_handles.h"
#include "platform/media/hdr_to_sdr.h"
#include "platform/media/plane_rotation.h"

struct SwsContext;

namespace wuvo::platform {

// Turns decoded pictures of any layout and range into upright 8-bit
// limited-range I420; HDR pictures become BT.709 SDR on the way.
class PictureConverter {
public:
    PictureConverter();
    ~PictureConverter();
    PictureConverter(const PictureConverter&) = delete;
    PictureConverter& operator=(const PictureConverter&) = delete;

    // `picture` itself when it already is limited-range SDR I420 and is
    // not to be turned, else a converted copy valid until the next call;
    // null on failure.
    const AVFrame* ToUprightI420(const AVFrame& picture, PictureTurn turn);

private:
    // What a scaler is made for: the pictures' size, layout and range.
    struct ScalerInput {
        int width = 0;
        int height = 0;
        int format = -1;
        bool fullRange = false;
        bool operator==(const ScalerInput&) const = default;
    };

    bool Allocate(FramePtr& target, int width, int height);
    bool PrepareScaler(const AVFrame& picture);

    SwsContext* scaler_ = nullptr;
    ScalerInput scalerInput_;
    HdrToSdrConverter toSdr_;
    FramePtr converted_;
    FramePtr turned_;
};

}  // namespace wuvo::platform
