#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace wuvo::platform {

// Dots per inch of the drawing surface; point sizes turn into pixels at this rate.
constexpr int32_t kLogPixelsY = 96;

// Pixel height of a font given in tenths of a point, as a negative (em) height.
int32_t EmHeightForTenthsOfPoint(int32_t tenthsOfPoint);

// What a font is asked for. The height follows the classic desktop rules:
// negative is the em height in pixels, positive the cell height (ascent plus
// descent), 0 a default size.
struct FontDescription {
    std::u16string faceName;
    int32_t height = 0;
    // The letters' width against the font's own: below 1 condensed.
    float widthScale = 1.0f;
    int32_t weight = 400;  // 100..900; 700 is bold
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
};

struct TextMetrics {
    int32_t ascent = 0;
    int32_t descent = 0;
    int32_t height = 0;  // ascent + descent: the distance between lines
    bool italic = false;
};

struct TextExtent {
    int32_t width = 0;
    int32_t height = 0;
};

// Draws text anti-aliased, white on black, into an 8-bit coverage surface and
// reads the coverage back. A carriage return, a line feed or both start a new
// line; every other character, "&" included, is drawn as it stands.
class TextRenderer {
public:
    virtual ~TextRenderer() = default;

    // The font of the following calls. False when no face could be loaded.
    virtual bool SelectFont(const FontDescription& font) = 0;
    virtual TextMetrics Metrics() const = 0;
    // The widest line's advance and the lines' total height.
    virtual TextExtent Measure(std::u16string_view text) = 0;
    // Paints the rectangle [left, right) x [top, bottom) black.
    virtual void Clear(int32_t left, int32_t top, int32_t right, int32_t bottom) = 0;
    // Draws text with its first line's top at (left, top); nothing is clipped
    // but the surface's own edges.
    virtual void Draw(std::u16string_view text, int32_t left, int32_t top) = 0;

    virtual int32_t SurfaceWidth() const = 0;
    virtual int32_t SurfaceHeight() const = 0;
    // Coverage of row y (0 black .. 255 white), SurfaceWidth() samples.
    virtual const uint8_t* Row(int32_t y) const = 0;
};

}  // namespace wuvo::platform
