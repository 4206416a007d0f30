#pragma once

#include <cstddef>
#include <cstdint>

namespace wuvo {

// Cell values of a stamp mask.
constexpr uint16_t kMaskEmpty = 0;
constexpr uint16_t kMaskGlyphMax = 255;    // 1..255: glyph coverage
constexpr uint16_t kMaskFirstRing = 1001;  // 1001..1005: outline rings, inner first
constexpr int kOutlineRings = 5;

// A grid of 16-bit cells written by the text rasteriser and read by the blend.
struct StampMask {
    uint32_t capacity = 0;   // cells the buffer holds
    uint32_t rowLength = 0;  // cells per row
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t* cells = nullptr;  // owned
};

// Makes room for at least `cells` cells; the content is not kept. False,
// and the mask left empty (no rows in use), when memory is exhausted.
bool ReserveMaskCells(StampMask& mask, size_t cells);

// Releases the cells; the mask is empty afterwards.
void ReleaseMaskCells(StampMask& mask);

}  // namespace wuvo
