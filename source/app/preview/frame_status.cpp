#include "app/preview/frame_status.h"

#include <algorithm>
#include <cstdio>

namespace wuvo {

namespace {

constexpr float kSecondsPerMinute = 60.0f;
constexpr float kSecondsPerHour = 3600.0f;
// The status edit holds 49 characters.
constexpr size_t kStatusLength = 50;
// More frames per unit than any real video has; keeps the rounding defined.
constexpr double kMaxUnitFrames = 1e15;

// Frames in one unit of `seconds`, the product in single precision.
int64_t FramesPerUnit(float framesPerSecond, float seconds)
{
    const double frames = static_cast<double>(framesPerSecond * seconds) + 0.5;
    if (!(frames >= 0))  // also NaN
        return 0;
    return static_cast<int64_t>(std::min(frames, kMaxUnitFrames));
}

// Whole units in `rest`, which keeps the frames left over.
int64_t TakeUnits(int64_t& rest, int64_t unit)
{
    if (unit == 0)
        return 0;
    const int64_t units = rest / unit;
    rest -= units * unit;
    return units;
}

// The status line's first word: only a shown frame is "Frame".
const char* LeadOf(FramePicture picture)
{
    switch (picture) {
    case FramePicture::OnItsWay: return "Loading";
    case FramePicture::Missing: return "No picture";
    default: return "Frame";
    }
}

}  // namespace

FrameClockText SplitFrameTime(uint32_t frame, uint32_t rateNumerator, uint32_t rateDenominator)
{
    const float fps =
        rateDenominator == 0 ? 0.0f : static_cast<float>(rateNumerator) / static_cast<float>(rateDenominator);
    FrameClockText clock;
    int64_t rest = frame;
    clock.hours = TakeUnits(rest, FramesPerUnit(fps, kSecondsPerHour));
    clock.minutes = TakeUnits(rest, FramesPerUnit(fps, kSecondsPerMinute));
    clock.seconds = TakeUnits(rest, FramesPerUnit(fps, 1.0f));
    clock.frames = rest;
    return clock;
}

FramePicture PictureOfFrame(uint32_t frame, std::optional<uint32_t> shownFrame, bool requested, bool fileOpen)
{
    if (!fileOpen || shownFrame == frame)
        return FramePicture::Shown;
    return requested ? FramePicture::OnItsWay : FramePicture::Missing;
}

std::string FrameStatusText(uint32_t frame, int32_t frameCount, uint32_t rateNumerator, uint32_t rateDenominator,
                            FramePicture picture)
{
    const FrameClockText clock = SplitFrameTime(frame, rateNumerator, rateDenominator);
    const double percent = frameCount > 0 ? frame * 100.0 / frameCount : 0.0;
    char text[kStatusLength];
    std::snprintf(text, sizeof text, "%s: %d (%.1f%%) [%lld:%02lld:%02lld:%02lld]", LeadOf(picture),
                  static_cast<int32_t>(frame), percent, static_cast<long long>(clock.hours),
                  static_cast<long long>(clock.minutes), static_cast<long long>(clock.seconds),
                  static_cast<long long>(clock.frames));
    return text;
}

}  // namespace wuvo
