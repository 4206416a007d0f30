#pragma once

#include <cstdint>

#include "engine/settings/app_settings.h"
#include "engine/stamp/stamp_context.h"

namespace wuvo {

// Packs a date as year << 11 | month << 6 | day.
uint32_t PackDate(int32_t year, int32_t month, int32_t day);

// The packed calendar day after a packed date, across month and year ends.
uint32_t NextPackedDay(uint32_t packedDate);

// Day of the week of a Gregorian date, 0 = Sunday.
int32_t Weekday(int32_t year, int32_t month, int32_t day);

// Decides whether a stamp shows on frame n under its show rule (every frame,
// scene change, date change, periodic), after its delay, and writes the fade
// step's base weights. Reads the context's current and previous date and
// second; frame numbers count source frames, so stamping only every n-th
// frame keeps the rule's timing.
bool UpdateStampVisibility(const StampContext& context, uint32_t n, StampSchedule& schedule, WeightSet& weights,
                           const StampStyle& style);

// Turns the base weights into the effective ones for a transparency in
// percent (0..90; larger values count as 90).
void ApplyTransparency(WeightSet& weights, uint32_t transparency);

}  // namespace wuvo
