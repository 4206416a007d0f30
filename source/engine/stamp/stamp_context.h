#pragma once

#include <array>
#include <cstdint>
#include <ctime>

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
};

}  // namespace wuvo
