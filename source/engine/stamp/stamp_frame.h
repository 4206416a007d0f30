#pragma once

#include <cstdint>

#include "engine/mp4/frame_date_time.h"
#include "engine/stamp/stamp_context.h"

namespace wuvo {

// A frame's date and time with the track values its sub-second texts need.
struct FrameClock {
    FrameDateTime date;
    uint32_t timescale = 0;
    uint32_t averageDelta = 0;
};

// Stamps frame n (its 8-bit luma plane, rows of width bytes): takes the
// frame's date and time, decides each enabled stamp's showing and strength
// by the settings, renders the texts when they may have changed and blends
// the date stamp, then the time stamp over it. Scale x and y turn stamp
// positions and sizes from the decoded to the stamped frame size. Always 0.
int StampFrame(StampContext& context, StampSchedule& dateSchedule, StampSchedule& timeSchedule, uint8_t* luma,
               int32_t width, int32_t height, uint32_t n, float scaleX, float scaleY);

// The same for a frame whose date and time are known.
int StampFrameAt(StampContext& context, StampSchedule& dateSchedule, StampSchedule& timeSchedule, uint8_t* luma,
                 int32_t width, int32_t height, uint32_t n, const FrameClock& clock, float scaleX, float scaleY);

// Hands the frame's broken-down time and track values to the text formatting.
void SetFrameTime(StampContext& context, const FrameClock& clock);

// Brings the masks of the shown stamps up to date: while no batch runs on
// every call, during a batch only when a stamp's text can have changed.
void RenderStampText(StampContext& context, float scaleX, float scaleY);

}  // namespace wuvo
