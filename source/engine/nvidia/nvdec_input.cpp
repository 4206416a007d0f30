#include <optional>
#include <vector>

#include "engine/media/media_input.h"
#include "engine/media/shown_pictures.h"
#include "engine/mp4/parse_state.h"
#include "engine/nvidia/nvidia_path.h"
#include "engine/pipeline/shared_objects.h"
#include "engine/settings/app_settings.h"
#include "nv/nvdecoder/nv_decode_file.h"
#include "platform/media/plane_rotation.h"
#include "platform/text/format.h"

namespace wuvo {

namespace {

constexpr uint32_t kNvidiaDecoderKind = 3;

// The decoder's pictures on their way into the pool: those the edit list
// hides are dropped, the others numbered as the clip's frames and turned
// upright and mirrored as the container says. One decode runs at a time and
// its callbacks take no context, so the state is the engine's one NVDEC
// decode's.
struct Delivery {
    ShownPictures shown;
    uint32_t pictures = 0;  // shown by the decoder so far
    uint32_t frame = 0;     // the frame of the picture being copied
    platform::PictureTurn turn;
    uint32_t width = 0;  // as decoded
    uint32_t height = 0;
    std::vector<uint8_t> picture;  // the decoded picture, when it is to be turned
    uint8_t* slot = nullptr;
};
Delivery* gDelivery = nullptr;

uint8_t* GetDeliveryBuffer(uint32_t picture)
{
    gDelivery->pictures = picture + 1;
    std::optional<uint32_t> frame = gDelivery->shown.FrameOf(picture);
    if (!frame)
        return nullptr;
    gDelivery->frame = *frame;
    gDelivery->slot = GetJobFrameBuffer(*frame);
    return gDelivery->slot && !gDelivery->turn.IsNone() ? gDelivery->picture.data() : gDelivery->slot;
}

void SetDeliverySize(uint32_t width, uint32_t height)
{
    gDelivery->width = width;
    gDelivery->height = height;
    if (!gDelivery->turn.IsNone())
        gDelivery->picture.resize(size_t{width} * height * 3 / 2);
    if (gDelivery->turn.IsQuarter())
        SetFrameSize(height, width);
    else
        SetFrameSize(width, height);
}

void TurnPlane(const uint8_t*& source, uint8_t*& destination, uint32_t width, uint32_t height)
{
    auto w = static_cast<int>(width);
    auto h = static_cast<int>(height);
    platform::TurnPlane(source, w, w, h, destination, gDelivery->turn.IsQuarter() ? h : w, gDelivery->turn);
    source += size_t{width} * height;
    destination += size_t{width} * height;
}

void DeliveryFrameDone(uint32_t)
{
    if (!gDelivery->turn.IsNone()) {
        const uint8_t* source = gDelivery->picture.data();
        uint8_t* destination = gDelivery->slot;
        TurnPlane(source, destination, gDelivery->width, gDelivery->height);
        for (int chroma = 0; chroma < 2; ++chroma)
            TurnPlane(source, destination, gDelivery->width / 2, gDelivery->height / 2);
    }
    JobFrameDecoded(gDelivery->frame);
}

void LogRefusal(const StampJob& job, const char16_t* format)
{
    LogJobMessage(job, platform::FormatText(format, job.inputPath).c_str());
}

// What NVDEC cannot give as the media layer does: its pictures come as 8-bit
// NV12 without their colour description, so HDR cannot be turned into SDR
// the same way, and it shows each picture once, in order. False after the
// reason is logged.
bool CanDeliver(const StampJob& job, Delivery& delivery)
{
    if (job.hdrSource) {
        LogRefusal(job, u"The NVIDIA decoder cannot convert HDR video to SDR: <%s>\n");
        return false;
    }
    if (!delivery.shown.Select(gParseState->presentationRanks)) {
        LogRefusal(job, u"The NVIDIA decoder cannot show the edit list, which repeats or reorders frames: <%s>\n");
        return false;
    }
    return true;
}

// Frames are numbered by the pictures the decoder showed; under an edit list
// that hides some, only a decoder that showed every sample numbers them right.
bool ShowedEverySample(const StampJob& job, const Delivery& delivery)
{
    const Mp4Track* video = gParseState->VideoTrack();
    uint32_t samples = video ? video->SizeTableEntries() : 0;
    if (!delivery.shown.HidesAny(samples) || delivery.pictures == samples)
        return true;
    LogRefusal(job, u"The NVIDIA decoder did not show every picture, so the edit list cannot be applied: <%s>\n");
    return false;
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
    Delivery delivery;
    if (!job.inputPath || !CanDeliver(job, delivery))
        return kDecodeFailed;
    callbacks.decoderPath = kDecoderPathNvdec;
    // (1, 1) asks for the source's own size.
    if (callbacks.targetWidth == 1 && callbacks.targetHeight == 1)
        callbacks.targetWidth = callbacks.targetHeight = 0;
    delivery.turn = GetVideoTurn();
    gDelivery = &delivery;
    callbacks.getBuffer = GetDeliveryBuffer;
    callbacks.setSize = SetDeliverySize;
    callbacks.frameDone = DeliveryFrameDone;
    callbacks.stopRequested = [] { return IsAbortRequested(*gDecodeState); };
    int result = NvDecodeFile(job.inputPath, callbacks);
    gDelivery = nullptr;
    return result == kNvDecodeOk && ShowedEverySample(job, delivery) ? kDecodeOk : kDecodeFailed;
}

}  // namespace wuvo
