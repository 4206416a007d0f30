#pragma once

extern "C" {
#include <libavutil/frame.h>
}

#include "platform/media/ffmpeg_handles.h"

struct AVFilterGraph;
struct AVFilterContext;

namespace wuvo::platform {

// Whether pictures of this transfer (an AVColorTransferCharacteristic) are
// HDR: PQ or HLG.
bool IsHdrTransfer(int transfer);

// Turns HDR pictures into the SDR that every player and the preview show
// alike: BT.709 primaries, transfer and matrix, limited-range 8-bit I420.
// Light up to 100 cd/m2, SDR's white, keeps its level; brighter highlights
// are rolled off below white with the Moebius curve, which leaves colours
// in range as they were.
class HdrToSdrConverter {
public:
    HdrToSdrConverter();
    ~HdrToSdrConverter();
    HdrToSdrConverter(const HdrToSdrConverter&) = delete;
    HdrToSdrConverter& operator=(const HdrToSdrConverter&) = delete;

    // The converted picture, valid until the next call; null on failure.
    const AVFrame* Convert(const AVFrame& picture);

private:
    bool Build(const AVFrame& picture);
    bool Configure(const AVFrame& picture);
    void Free();

    AVFilterGraph* graph_ = nullptr;
    AVFilterContext* source_ = nullptr;
    AVFilterContext* sink_ = nullptr;
    FramePtr converted_;
    // The layout the graph was built for.
    int width_ = 0;
    int height_ = 0;
    int format_ = -1;
};

}  // namespace wuvo::platform
