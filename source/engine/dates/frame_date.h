#pragma once

#include <cstdint>

#include "engine/mp4/frame_date_time.h"

namespace wuvo {

// Adds an offset whose first six fields are years, months, days, hours,
// minutes and seconds (any sign, any size) to `date`, with calendar carries;
// the frame fields are left alone. Months are added before days, so
// January 31 plus one month is March 2 or 3.
void AddDateOffset(FrameDateTime& date, const FrameDateTime& offset);

// The date and time of frame `frame`: the date code plus the settings' time
// adjustment (read at every call) plus the frame's track time in whole
// seconds, with its index counted in average sample durations. Also hands
// out the video timescale and average sample delta. Frames past the sample
// table are extrapolated by the average delta. Always true.
bool GetFrameDateTime(uint32_t frame, FrameDateTime& date, uint32_t& timescale, uint32_t& averageDelta);

}  // namespace wuvo
