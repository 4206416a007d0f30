#pragma once

#include <cstdint>

namespace wuvo::platform {

// How a picture's colours are to be read, as the codes of ISO/IEC 23091-2
// that HEVC and MP4 carry (FFmpeg numbers them the same way).
struct ColourDescription {
    static constexpr uint32_t kUnspecified = 2;
    uint32_t primaries = kUnspecified;
    uint32_t transfer = kUnspecified;
    uint32_t matrix = kUnspecified;
};

}  // namespace wuvo::platform
