#include "platform/media/plane_rotation.h"

#include <cstddef>

namespace wuvo::platform {

namespace {

// Row y of the destination, column x, comes from source row sy, column sx.
template <typename SourceOf>
void Remap(const uint8_t* source, int sourcePitch, uint8_t* destination, int destinationPitch,
           int destinationWidth, int destinationHeight, SourceOf sourceOf)
{
    for (int y = 0; y < destinationHeight; ++y) {
        uint8_t* row = destination + static_cast<ptrdiff_t>(y) * destinationPitch;
        for (int x = 0; x < destinationWidth; ++x) {
            auto [sx, sy] = sourceOf(x, y);
            row[x] = source[static_cast<ptrdiff_t>(sy) * sourcePitch + sx];
        }
    }
}

struct Point {
    int x;
    int y;
};

}  // namespace

void RotatePlane(const uint8_t* source, int sourcePitch, int width, int height,
                 uint8_t* destination, int destinationPitch, int degrees)
{
    switch (degrees) {
    case 90:
        Remap(source, sourcePitch, destination, destinationPitch, height, width,
              [&](int x, int y) { return Point{y, height - 1 - x}; });
        break;
    case 180:
        Remap(source, sourcePitch, destination, destinationPitch, width, height,
              [&](int x, int y) { return Point{width - 1 - x, height - 1 - y}; });
        break;
    case 270:
        Remap(source, sourcePitch, destination, destinationPitch, height, width,
              [&](int x, int y) { return Point{width - 1 - y, x}; });
        break;
    default:
        Remap(source, sourcePitch, destination, destinationPitch, width, height,
              [](int x, int y) { return Point{x, y}; });
        break;
    }
}

}  // namespace wuvo::platform
