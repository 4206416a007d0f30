#include "app/preview/preview_load.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <utility>
#include <vector>

#include "app/preview/preview_geometry.h"
#include "engine/dates/frame_date.h"
#include "engine/media/media_input.h"
#include "engine/media/preview_decode.h"
#include "engine/mp4/parse_state.h"
#include "engine/pipeline/shared_objects.h"
#include "engine/pipeline/thread_state_setters.h"
#include "engine/settings/app_settings.h"
#include "engine/stamp/mask_blend.h"
#include "engine/stamp/stamp_frame.h"
#include "engine/stamp/stamp_visibility.h"

namespace wuvo {

namespace {

// The pool keeps a rate as a fraction; thousandths of a frame per second
// are finer than the status line shows.
constexpr uint32_t kRateDenominator = 1000;

// The video's own frame rate: its frames over their summed durations.
void UseFileFrameRate()
{
    const Mp4ParseState& state = *gParseState;
    const Mp4Track* video = state.VideoTrack();
    if (video == nullptr || video->timescale == 0)
        return;
    const uint64_t frames = video->SizeTableEntries();
    uint64_t counted = 0;
    uint64_t duration = 0;
    for (size_t i = 0; i < video->sttsCounts.size() && counted < frames; ++i) {
        const uint64_t take = std::min<uint64_t>(video->sttsCounts[i], frames - counted);
        duration += take * video->sttsDeltas[i];
        counted += take;
    }
    if (duration == 0)
        return;
    const double rate = std::round(static_cast<double>(frames) * video->timescale * kRateDenominator / duration);
    if (rate < 1 || rate > std::numeric_limits<uint32_t>::max())
        return;
    std::lock_guard guard(gFramePool->lock);
    gFramePool->rateNumerator = static_cast<uint32_t>(rate);
    gFramePool->rateDenominator = kRateDenominator;
}

// Marks the frame as the one shown, so the pool keeps it and its neighbours;
// whether the pool holds it already.
bool ShowFrame(uint32_t frame)
{
    std::lock_guard guard(gFramePool->lock);
    gFramePool->shownFrame = static_cast<int32_t>(frame);
    return gFramePool->IsDecoded(frame);
}

void DescribeFrame(PreviewResult& result)
{
    {
        std::lock_guard guard(gFramePool->lock);
        result.width = gFramePool->width;
        result.height = gFramePool->height;
    }
    result.portrait = IsQuarterTurnedVideo();
}

void PrepareWeights(WeightSet& weights, const StampStyle& style)
{
    if (style.enabled)
        ApplyTransparency(weights, style.transparency);
}

}  // namespace

int32_t PreviewOpenJob(const std::u16string& path, char16_t* message)
{
    SetRunning(*gPreviewLoadState, true);
    const int32_t result = OpenAndCheckVideo(path.c_str(), kReaderModeCheck, message);
    if (result == kReaderOk)
        UseFileFrameRate();
    SetRunning(*gPreviewLoadState, false);
    return result;
}

uint32_t PreviewDecodeJob(const std::u16string& path, uint32_t frame, const std::function<bool()>& superseded)
{
    {
        std::lock_guard guard(gFramePool->lock);
        gFramePool->mode = kPoolModePreview;
    }
    SetDecodeState(1);
    // A newer request that came before the state was held could not
    // interrupt the decode.
    if (!superseded || !superseded()) {
        DecoderCallbacks request;
        request.startFrame = frame;
        request.path = path.c_str();
        RunMfPreviewDecode(request);
    }
    SetRunning(*gDecodeState, false);
    return 0;
}

void InterruptPreviewDecode()
{
    std::lock_guard guard(gDecodeState->lock);
    if (gDecodeState->running)
        gDecodeState->abort = 1;
}

PreviewResult PreviewLoadProc(const PreviewRequest& request, const std::function<bool()>& superseded)
{
    PreviewResult result;
    result.sequence = request.sequence;
    result.frame = request.frame;
    result.outcome = PreviewOutcome::Dropped;
    if (superseded())
        return result;
    if (!ShowFrame(request.frame))
        PreviewDecodeJob(request.path, request.frame, superseded);
    DescribeFrame(result);
    // A frame too large for a pool buffer is refused by the decode, which
    // still reports its size: it is told apart from a frame that is missing.
    if (result.width != 0 && !FitsPreviewLayout(result.width, result.height, result.portrait)) {
        result.outcome = PreviewOutcome::TooLarge;
        return result;
    }
    if (superseded())
        return result;
    result.picture = ConvertPreviewFrame(request.frame, result.width, result.height);
    result.outcome = result.picture ? PreviewOutcome::Converted : PreviewOutcome::NotDecoded;
    return result;
}

std::shared_ptr<const RgbPicture> ConvertPreviewFrame(uint32_t frame, uint32_t width, uint32_t height)
{
    std::vector<uint8_t> copy;
    float pixelAspect = 1.0f;
    platform::ColourDescription colour;
    {
        std::lock_guard guard(gFramePool->lock);
        const uint8_t* buffer = gFramePool->mode == kPoolModeJob ? nullptr : gFramePool->GetBuffer(frame);
        if (buffer == nullptr || !FitsFrameSlot(width, height))
            return nullptr;
        // The pool's frame stays unstamped for later requests.
        copy.assign(buffer, buffer + I420Bytes(width, height));
        pixelAspect = gFramePool->PixelAspect();
        colour = gFramePool->colour;
    }
    DrawPreviewStamps(copy.data(), static_cast<int32_t>(width), static_cast<int32_t>(height), frame, pixelAspect);
    RgbPicture picture = ConvertI420ToRgb(copy.data(), width, height, colour);
    const PictureSize room = IsQuarterTurnedVideo() ? kPortraitPicture : kLandscapePicture;
    const PictureSize shown = ShownPictureSize(width, height, pixelAspect, room);
    if (shown.width != width || shown.height != height)
        picture = StretchPicture(picture, shown);
    return std::make_shared<const RgbPicture>(std::move(picture));
}

int DrawPreviewStamps(uint8_t* plane, int32_t width, int32_t height, uint32_t frame, float pixelAspect)
{
    FrameClock clock;
    GetFrameDateTime(frame, clock.date, clock.timescale, clock.averageDelta);
    StampContext* context = CreateStampContext();
    if (context == nullptr)
        return 0;
    const AppSettings& settings = gSettings;
    SetBaseWeights(*context);
    context->pixelAspect = pixelAspect;
    context->dateShown = settings.dateStamp.enabled != 0;
    context->timeShown = settings.timeStamp.enabled != 0;
    PrepareWeights(context->dateWeights, settings.dateStamp);
    PrepareWeights(context->timeWeights, settings.timeStamp);
    SetFrameTime(*context, clock);
    RenderStampText(*context, 1.0f, 1.0f);
    // A stamp that is not shown has an empty mask and draws nothing.
    BlendMaskRotated(settings.dateStamp, context->dateWeights, plane, width, height, context->dateMask,
                     settings.dateStamp.rotation);
    BlendMaskRotated(settings.timeStamp, context->timeWeights, plane, width, height, context->timeMask,
                     settings.timeStamp.rotation);
    FreeStampContext(context);
    return 0;
}

bool IsQuarterTurnedVideo()
{
    bool swapped = false;
    GetVideoRotation(kRotationOfInput, &swapped);
    return swapped;
}

}  // namespace wuvo
