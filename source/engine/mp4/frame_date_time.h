#pragma once

#include <cstdint>

namespace wuvo {

// A broken-down date and time; for a frame, also its index counted in
// average sample durations from the start of the video.
struct FrameDateTime {
    int32_t year = 0;
    int32_t month = 0;  // 1..12
    int32_t day = 0;
    int32_t hour = 0;
    int32_t minute = 0;
    int32_t second = 0;
    int32_t frameIndex = 0;
};
static_assert(sizeof(FrameDateTime) == 28);

}  // namespace wuvo
