#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <memory>
#include <vector>

#include "platform/gdi/font_set.h"
#include "platform/gdi/text_renderer.h"

namespace wuvo::platform {

// The text renderer over FreeType, with fonts chosen by fontconfig. One
// instance is one drawing surface with its selected font; it is not meant
// for two threads at once.
class FreeTypeTextRenderer final : public TextRenderer {
public:
    FreeTypeTextRenderer(int32_t surfaceWidth, int32_t surfaceHeight);
    ~FreeTypeTextRenderer() override;
    FreeTypeTextRenderer(const FreeTypeTextRenderer&) = delete;
    FreeTypeTextRenderer& operator=(const FreeTypeTextRenderer&) = delete;

    // False when FreeType could not start; every other call then does nothing.
    bool Ready() const { return fonts_ != nullptr; }

    bool SelectFont(const FontDescription& font) override;
    TextMetrics Metrics() const override;
    TextExtent Measure(std::u16string_view text) override;
    void Clear(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
    void Draw(std::u16string_view text, int32_t left, int32_t top) override;

    int32_t SurfaceWidth() const override { return width_; }
    int32_t SurfaceHeight() const override { return height_; }
    const uint8_t* Row(int32_t y) const override { return surface_.data() + static_cast<size_t>(y) * width_; }

private:
    // Loads c's glyph into its face's slot; the advance in whole pixels.
    int32_t LoadGlyph(char32_t c, FT_GlyphSlot& slot);
    // Advance of one line of text; draws it when drawing is set.
    int32_t LayOutLine(std::u16string_view line, int32_t left, int32_t baseline, bool drawing);
    void Blit(const FT_Bitmap& bitmap, int32_t left, int32_t top);
    void Fill(int32_t left, int32_t top, int32_t right, int32_t bottom, uint8_t value);
    void DrawDecorations(int32_t left, int32_t right, int32_t baseline);

    int32_t width_;
    int32_t height_;
    std::vector<uint8_t> surface_;
    FT_Library library_ = nullptr;
    std::unique_ptr<FontSet> fonts_;
    FontDescription font_;
};

}  // namespace wuvo::platform
