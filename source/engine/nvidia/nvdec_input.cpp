#include <vector>

#include "engine/media/media_input.h"
#include "engine/nvidia/nvidia_path.h"
#include "engine/settings/app_settings.h"
#include "nv/nvdecoder/nv_decode_file.h"
#include "platform/media/plane_rotation.h"

namespace wuvo {

namespace {

constexpr uint32_t kNvidiaDecoderKind = 3;

// A turned video's pictures go through here on their way into the pool.
// One decode runs at a time, and its callbacks take no context, so the
// state is the engine's one NVDEC decode's.
struct UprightDecode {
    int degrees = 0;
    bool quarter = false;
    uint32_t width = 0;  // as decoded
    uint32_t height = 0;
    std::vector<uint8_t> picture;
    uint8_t* slot = nullptr;
};
UprightDecode* gUpright = nullptr;

uint8_t* GetUprightBuffer(uint32_t frame)
{
    gUpright->slot = GetFreeFrameBuffer(frame);
    return gUpright->slot ? gUpright->picture.data() : nullptr;
}

void SetUprightSize(uint32_t width, uint32_t height)
{
    gUpright->width = width;
    gUpright->height = height;
    gUpright->picture.resize(size_t{width} * height * 3 / 2);
    if (gUpright->quarter)
        SetFrameSize(height, width);
    else
        SetFrameSize(width, height);
}

void TurnPlane(const uint8_t*& source, uint8_t*& destination, uint32_t width, uint32_t height)
{
    auto w = static_cast<int>(width);
    auto h = static_cast<int>(height);
    platform::RotatePlane(source, w, w, h, destination, gUpright->quarter ? h : w, gUpright->degrees);
    source += size_t{width} * height;
    destination += size_t{width} * height;
}

void UprightFrameDone(uint32_t frame)
{
    const uint8_t* source = gUpright->picture.data();
    uint8_t* destination = gUpright->slot;
    TurnPlane(source, destination, gUpright->width, gUpright->height);
    for (int chroma = 0; chroma < 2; ++chroma)
        TurnPlane(source, destination, gUpright->width / 2, gUpright->height / 2);
    FrameDecoded(frame);
}

}  // namespace

bool IsNvdecSelected()
{
    return gSettings.nvDecoderAvailable != 0 && gSettings.decoderKind == kNvidiaDecoderKind;
}

bool IsNvencSelected()
{
    return gSettings.nvEncoderSelected != 0 && gSettings.decoderKind == kNvidiaDecoderKind;
}

uint32_t DecodeWithNvdec(const StampJob& job, DecoderCallbacks& callbacks)
{
    if (!job.inputPath)
        return kDecodeFailed;
    callbacks.decoderPath = kDecoderPathNvdec;
    // (1, 1) asks for the source's own size.
    if (callbacks.targetWidth == 1 && callbacks.targetHeight == 1)
        callbacks.targetWidth = callbacks.targetHeight = 0;
    UprightDecode upright;
    upright.degrees = static_cast<int>(GetVideoRotation(kRotationOfOutput, &upright.quarter));
    if (upright.degrees != 0) {
        gUpright = &upright;
        callbacks.getBuffer = GetUprightBuffer;
        callbacks.setSize = SetUprightSize;
        callbacks.frameDone = UprightFrameDone;
    }
    int result = NvDecodeFile(job.inputPath, callbacks);
    gUpright = nullptr;
    return result == kNvDecodeOk ? kDecodeOk : kDecodeFailed;
}

}  // namespace wuvo
