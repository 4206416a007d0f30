#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "engine/settings/app_settings.h"

namespace wuvo {

// How far a stamp may be placed: 20 pixels short of the frame's right and
// bottom edges. Frames arrive upright, so a quarter-turned video's limits
// are already those of its turned picture.
struct PositionLimits {
    uint32_t maxX;
    uint32_t maxY;
};
PositionLimits PositionLimitsFor(uint32_t frameWidth, uint32_t frameHeight);

// One nudge of a position by `step`: towards 0, stopping there, or away from
// it, stopping at `limit`.
uint32_t NudgedTowardsZero(uint32_t value, uint32_t step);
uint32_t NudgedTowardsLimit(uint32_t value, uint32_t step, uint32_t limit);

// A held nudge or frame-step button repeats every 250 ms; its step grows
// with the ticks: 1, 1, 3, 3, 3, 6, 6, 6 and then 10.
constexpr uint32_t kRepeatPeriodMs = 250;
constexpr std::array<uint32_t, 9> kRepeatSteps{1, 1, 3, 3, 3, 6, 6, 6, 10};

// Whether a custom format shows a date or a time: any of the conversions
// that give a part of a date, or of a time, appears in it.
bool FormatShowsDate(std::u16string_view format);
bool FormatShowsTime(std::u16string_view format);

// Makes the stamp's working format a copy of the custom slot it draws, and
// its date and time flags those of that format: the engine redraws a stamp
// between date changes only when its flags say that it shows a time.
void FollowCustomSlot(StampStyle& style, const char16_t* slot);
// The same for both stamps with the slots of the settings' stamp language,
// after the language (and with it the date stamp's slot) changed.
void FollowCustomSlots(AppSettings& settings);

}  // namespace wuvo
