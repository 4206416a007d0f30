#pragma once

#include "engine/settings/app_settings.h"
#include "engine/stamp/stamp_mask.h"
#include "platform/gdi/text_renderer.h"

namespace wuvo {

// Size of the process-wide drawing surface: wide enough for a full row of
// the largest frame, tall enough for its height plus room.
constexpr int32_t kRasterSurfaceWidth = 4096;
constexpr int32_t kRasterSurfaceHeight = 2176;

// Turns a stamp text (at most 99 characters; a carriage return starts a new
// line) into the mask's glyph coverage 1..255 and, with the style's outline
// on, the outline rings 1001..1005 around it; the letters are `widthScale`
// times as wide as the font's own. Uses the process-wide text renderer under
// its lock, so a preview and a job never draw at once.
void RasterizeStampText(StampMask& mask, const char16_t* text, const StampStyle& style, float widthScale = 1.0f);

// The same with a given renderer, whose surface must not be in use elsewhere.
void RasterizeStampText(StampMask& mask, const char16_t* text, const StampStyle& style,
                        platform::TextRenderer& renderer, float widthScale = 1.0f);

// The font a stamp is drawn with: the record's face and style at the size
// `rasterHeight` (tenths of a point) gives at the surface's pixels per inch.
platform::FontDescription DescribeStampFont(const FontRecord& record, int32_t rasterHeight,
                                            float widthScale = 1.0f);

// Makes `renderer` the process-wide one until the returned previous one is
// put back; null restores the FreeType renderer. For tests.
platform::TextRenderer* ReplaceStampTextRenderer(platform::TextRenderer* renderer);

}  // namespace wuvo
