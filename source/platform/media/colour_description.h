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

// Matrix codes of the two matrices players tell apart.
constexpr uint32_t kMatrixBt709 = 1;
constexpr uint32_t kMatrixBt470bg = 5;
constexpr uint32_t kMatrixSmpte170m = 6;

// The matrix players take a picture of width x height for when it names
// none: BT.709 from HD sizes on (1280 wide or 577 high), BT.601 below.
uint32_t GuessedMatrix(uint32_t width, uint32_t height);

// The description a player reads a picture of width x height with: an
// unnamed matrix guessed from the size, unnamed primaries and transfer
// those that go with the BT.709 or BT.601 matrix read.
ColourDescription AsPlayersRead(ColourDescription colour, uint32_t width, uint32_t height);

}  // namespace wuvo::platform
