#pragma once

#include <array>
#include <cstdint>
#include <ctime>

#include "engine/settings/app_settings.h"
#include "engine/stamp/stamp_mask.h"

namespace wuvo {

// Blend weights of one stamp; index 0 is the glyph, 1..5 the outline rings.
// A stamp colour mixes into a picture sample as
// (picture * second + colour * first) / (first + second); 1000 is full strength.
struct WeightSet {
    std::array<uint32_t, 6> baseFirst{};
    std::array<uint32_t, 6> baseSecond{};
    std::array<uint32_t, 6> first{};
    std::array<uint32_t, 6> second{};
};

// Per-run stamping state of a job or of one preview painting.
struct StampContext {
    StampMask dateMask;
    StampMask timeMask;
    uint32_t curSeconds = 0;   // time of day in seconds
    uint32_t prevSeconds = 0;
    uint32_t curDate = 0;      // year << 11 | month << 6 | day
    uint32_t prevDate = 0;
    uint8_t dateShown = 0;
    uint8_t datePrevShown = 0;
    uint8_t timeShown = 0;
    uint8_t timePrevShown = 0;
    std::tm tm{};
    uint32_t frameIndexByTime = 0;
    uint32_t timescale = 0;
    uint32_t averageDelta = 0;
    WeightSet dateWeights;
    WeightSet timeWeights;
    // The width of the frame's pixels over their height as players show
    // them: texts are drawn narrower by it, to look as on square pixels.
    float pixelAspect = 1.0f;
};

// Show, delay and fade state of one stamp, in frames.
struct StampSchedule {
    uint32_t sceneFrames = 0;
    uint32_t dateChangeFrames = 0;
    uint32_t periodicFrames = 0;
    uint32_t periodFrames = 0;
    uint32_t start = 0;
    uint32_t end = 0;
    uint32_t fadeFrames = 0;
    uint32_t fadeFramesSquared = 0;
    uint32_t step = 0;
    uint32_t fadeInEnd = 0;
    uint32_t fadeOutStart = 0;
    uint32_t delayFrames = 0;
    // First frame of the next period: the first stamped frame at or past it
    // opens a periodic showing, also when stamped frames skip the multiple.
    uint32_t nextPeriodFrame = 0;
};

// A new context with every field 0 but tm.tm_yday and tm.tm_isdst, which are
// -1, and square pixels; null when memory is exhausted.
StampContext* CreateStampContext();

// Releases a context and its masks' cells; null is ignored.
void FreeStampContext(StampContext* context);

// Gives both stamps' weight sets the full-strength base pairs: glyph and
// ring 1 (1000, 0), rings 2 to 5 (1000, 800 / 2000 / 4000 / 7000).
void SetBaseWeights(StampContext& context);

// Marks the previous frame's date and second as never seen, so that the
// first frame differs from any previous one.
void MarkNoPreviousFrame(StampContext& context);

// Carries this frame's date, second and shown flags into the previous-frame
// fields; called after every frame.
void CarryToPreviousFrame(StampContext& context);

// The start values of a stamp's schedule: its durations in seconds times the
// whole frame rate, every counter 0.
StampSchedule MakeStampSchedule(const StampStyle& style, uint32_t framesPerSecond);

}  // namespace wuvo
