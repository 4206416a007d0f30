#pragma once

#include <cstdint>

// The size a picture is written at when a size is chosen from the table:
// the way players show the source, inside the size chosen.
namespace wuvo {

struct FrameSize {
    uint32_t width = 0;
    uint32_t height = 0;
    bool operator==(const FrameSize&) const = default;
};

// A picture of `pixels`, each aspectX:aspectY as wide as high; players show
// it as wide as Width() is to Height().
struct ShownShape {
    FrameSize pixels;
    uint32_t aspectX = 1;
    uint32_t aspectY = 1;
    uint64_t Width() const { return uint64_t{pixels.width} * aspectX; }
    uint64_t Height() const { return uint64_t{pixels.height} * aspectY; }
};

// The size chosen, meant the way the source is shown: its portrait form for
// a source shown upright, so that no picture is turned on its side.
FrameSize OrientTargetAsShown(FrameSize chosen, const ShownShape& source);

// The largest size of even sides, as 4:2:0 pictures need, that holds the
// source's shape in square pixels inside `target`: one side of the target,
// the other as the shape gives it. The target itself for a shape without
// size or one less than 1% off the target's.
FrameSize FitShapeInTarget(FrameSize target, const ShownShape& source);

}  // namespace wuvo
