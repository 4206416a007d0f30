#include "nv/nvdecoder/nv12_copy.h"

#include <cstddef>
#include <cstring>

namespace wuvo::nv {

void CopyNv12ToI420(const uint8_t* nv12, uint32_t pitch, uint32_t surfaceHeight, uint32_t width, uint32_t height,
                    uint8_t* i420)
{
    for (uint32_t row = 0; row < height; ++row)
        std::memcpy(i420 + size_t{row} * width, nv12 + size_t{row} * pitch, width);
    const uint32_t chromaWidth = width / 2;
    const uint32_t chromaHeight = height / 2;
    uint8_t* u = i420 + size_t{width} * height;
    uint8_t* v = u + size_t{chromaWidth} * chromaHeight;
    const uint8_t* chroma = nv12 + size_t{surfaceHeight} * pitch;
    for (uint32_t row = 0; row < chromaHeight; ++row, chroma += pitch) {
        for (uint32_t x = 0; x < chromaWidth; ++x) {
            *u++ = chroma[2 * x];
            *v++ = chroma[2 * x + 1];
        }
    }
}

}  // namespace wuvo::nv
