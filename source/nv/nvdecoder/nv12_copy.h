#pragma once

#include <cstdint>

namespace wuvo::nv {

// The side of an NVDEC output surface for a picture side: NV12 wants it even.
constexpr uint32_t Nv12SurfaceSide(uint32_t side)
{
    return (side + 1) & ~1u;
}

// Copies the top-left width x height of an NV12 surface (rows `pitch` apart,
// interleaved chroma starting `surfaceHeight` rows down) into packed I420:
// Y width x height, then U and V of width/2 x height/2 each.
void CopyNv12ToI420(const uint8_t* nv12, uint32_t pitch, uint32_t surfaceHeight, uint32_t width, uint32_t height,
                    uint8_t* i420);

// Bytes of a mapped NV12 picture of `height` rows `pitch` apart.
constexpr uint64_t Nv12Bytes(uint32_t pitch, uint32_t height)
{
    return uint64_t{height} * pitch * 3 / 2;
}

}  // namespace wuvo::nv
