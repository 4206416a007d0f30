#pragma once

#include <cstdint>

#include "engine/settings/app_settings.h"
#include "engine/stamp/stamp_context.h"
#include "engine/stamp/stamp_mask.h"

namespace wuvo {

// Draws the mask into an 8-bit plane of width x height samples (rows of
// width bytes) with its first cell at the style's (x, y), turned by rotation
// degrees (90, 180, 270; any other value draws it upright). Cells that land
// outside the plane are skipped; empty cells leave the picture as it is.
void BlendMaskRotated(const StampStyle& style, const WeightSet& weights, uint8_t* plane, int32_t width,
                      int32_t height, const StampMask& mask, uint32_t rotation);

// Mixes one non-empty cell value into a sample with the style's brightness
// and the effective weights of the cell's kind.
void BlendMaskPixel(uint8_t& sample, uint16_t value, const StampStyle& style, const WeightSet& weights);

}  // namespace wuvo
