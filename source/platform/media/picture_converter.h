#pragma once

extern "C" {
#include <libavutil/frame.h>
}

#include "platform/media/ffmpeg_handles.h"
#include "platform/media/hdr_to_sdr.h"

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

    // `picture` itself when it already is limited-range SDR I420 and `rotation`
    // is 0, else a converted copy valid until the next call; null on
    // failure. `rotation` is the clockwise turn: 0, 90, 180 or 270.
    const AVFrame* ToUprightI420(const AVFrame& picture, int rotation);

private:
    bool Allocate(FramePtr& target, int width, int height);

    SwsContext* scaler_ = nullptr;
    HdrToSdrConverter toSdr_;
    FramePtr converted_;
    FramePtr turned_;
};

bool IsQuarterTurn(int rotation);

}  // namespace wuvo::platform
