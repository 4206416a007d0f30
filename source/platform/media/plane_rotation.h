#pragma once

#include <cstdint>

namespace wuvo::platform {

// How a stored picture is turned to be shown as its display matrix says:
// first mirrored left to right when `mirrored`, then turned clockwise by
// `degrees` (0, 90, 180 or 270).
struct PictureTurn {
    int degrees = 0;
    bool mirrored = false;

    bool IsQuarter() const { return degrees == 90 || degrees == 270; }
    bool IsNone() const { return degrees == 0 && !mirrored; }
};

// The turn of a display matrix from the signs of its words a, b, c and d
// (in MP4 order a b u / c d v / x y w, a stored point (x, y) shows at
// (ax + cy, bx + dy)); none for a matrix that is no quarter turn or mirror.
PictureTurn TurnOfMatrix(int a, int b, int c, int d);

// Turns one plane of 8-bit samples. The source is width x height; the
// destination is height x width for a quarter turn, else width x height.
void TurnPlane(const uint8_t* source, int sourcePitch, int width, int height, uint8_t* destination,
               int destinationPitch, PictureTurn turn);

}  // namespace wuvo::platform
