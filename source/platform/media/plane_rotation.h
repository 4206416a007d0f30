#pragma once

#include <cstdint>

namespace wuvo::platform {

// Turns one plane of 8-bit samples clockwise by 90, 180 or 270 degrees.
// The source is width x height; the destination is height x width for a
// quarter turn, width x height for a half turn.
void RotatePlane(const uint8_t* source, int sourcePitch, int width, int height,
                 uint8_t* destination, int destinationPitch, int degrees);

}  // namespace wuvo::platform
