#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/media/source_reader.h"

namespace wuvo {

// Copies a decoded picture into a packed I420 buffer (Y width x height, then
// U and V of width/2 x height/2). False, and nothing copied, when the
// picture is not width x height, a plane is smaller than its rows and pitch
// say, or the frame does not fit `capacity`.
bool CopyI420Frame(const platform::VideoFrame& frame, uint32_t width, uint32_t height,
                   uint8_t* destination, size_t capacity);

}  // namespace wuvo
