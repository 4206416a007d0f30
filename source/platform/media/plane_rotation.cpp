#include "platform/media/plane_rotation.h"

#include <cstddef>

namespace wuvo::platform {

namespace {

struct Point {
    int x;
    int y;
};

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

// Remaps through `turned`, the source point that the turn shows at (x, y),
// after the mirror when there is one.
template <typename TurnedFrom>
void RemapTurned(const uint8_t* source, int sourcePitch, int width, uint8_t* destination, int destinationPitch,
                 int destinationWidth, int destinationHeight, bool mirrored, TurnedFrom turned)
{
    if (!mirrored) {
        Remap(source, sourcePitch, destination, destinationPitch, destinationWidth, destinationHeight, turned);
        return;
    }
    Remap(source, sourcePitch, destination, destinationPitch, destinationWidth, destinationHeight, [&](int x, int y) {
        Point from = turned(x, y);
        return Point{width - 1 - from.x, from.y};
    });
}

}  // namespace

PictureTurn TurnOfMatrix(int a, int b, int c, int d)
{
    PictureTurn turn;
    // A mirroring matrix has a negative determinant; undoing a mirror left
    // to right, which comes first, leaves a plain turn.
    turn.mirrored = a * d - b * c < 0;
    if (turn.mirrored) {
        a = -a;
        b = -b;
    }
    if (a == 1 && b == 0 && c == 0 && d == 1)
        turn.degrees = 0;
    else if (a == 0 && b == 1 && c == -1 && d == 0)
        turn.degrees = 90;
    else if (a == -1 && b == 0 && c == 0 && d == -1)
        turn.degrees = 180;
    else if (a == 0 && b == -1 && c == 1 && d == 0)
        turn.degrees = 270;
    else
        return {};
    return turn;
}

void TurnPlane(const uint8_t* source, int sourcePitch, int width, int height, uint8_t* destination,
               int destinationPitch, PictureTurn turn)
{
    auto remap = [&](int turnedWidth, int turnedHeight, auto turned) {
        RemapTurned(source, sourcePitch, width, destination, destinationPitch, turnedWidth, turnedHeight,
                    turn.mirrored, turned);
    };
    switch (turn.degrees) {
    case 90:
        remap(height, width, [&](int x, int y) { return Point{y, height - 1 - x}; });
        break;
    case 180:
        remap(width, height, [&](int x, int y) { return Point{width - 1 - x, height - 1 - y}; });
        break;
    case 270:
        remap(height, width, [&](int x, int y) { return Point{width - 1 - y, x}; });
        break;
    default:
        remap(width, height, [](int x, int y) { return Point{x, y}; });
        break;
    }
}

}  // namespace wuvo::platform
