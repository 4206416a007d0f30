#include "engine/media/output_size.h"

#include <algorithm>

namespace wuvo {

namespace {

// 4:2:0 pictures have a chroma sample per two pixels each way.
constexpr uint64_t kSideStep = 2;
// A shape less than 1% off the target's fills the target: a stretch that
// small is not seen, and a 1920x1088 source keeps its 1920x1080 rather than
// an odd 1906x1080.
constexpr uint64_t kUnseenStretchPerMille = 10;
constexpr uint64_t kPerMille = 1000;

bool ShapesMatch(FrameSize target, uint64_t width, uint64_t height)
{
    const uint64_t source = width * target.height;
    const uint64_t chosen = height * target.width;
    const uint64_t apart = source > chosen ? source - chosen : chosen - source;
    return apart * kPerMille < kUnseenStretchPerMille * std::min(source, chosen);
}

// numerator / denominator to the nearest even number, from 2 up to `limit`.
uint32_t NearestEvenSide(uint64_t numerator, uint64_t denominator, uint32_t limit)
{
    const uint64_t even = (numerator + denominator) / (kSideStep * denominator) * kSideStep;
    return static_cast<uint32_t>(std::clamp<uint64_t>(even, kSideStep, std::max<uint64_t>(limit, kSideStep)));
}

}  // namespace

FrameSize OrientTargetAsShown(FrameSize chosen, const ShownShape& source)
{
    const bool portrait = source.Height() > source.Width();
    const uint32_t longer = std::max(chosen.width, chosen.height);
    const uint32_t shorter = std::min(chosen.width, chosen.height);
    return portrait ? FrameSize{shorter, longer} : FrameSize{longer, shorter};
}

FrameSize FitShapeInTarget(FrameSize target, const ShownShape& source)
{
    const uint64_t width = source.Width();
    const uint64_t height = source.Height();
    if (width == 0 || height == 0 || ShapesMatch(target, width, height))
        return target;
    // As wide as the target or wider: its width is the target's.
    if (width * target.height >= height * target.width)
        return {target.width, NearestEvenSide(height * target.width, width, target.height)};
    return {NearestEvenSide(width * target.height, height, target.width), target.height};
}

}  // namespace wuvo
