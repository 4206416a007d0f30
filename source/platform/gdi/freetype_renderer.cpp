#include "platform/gdi/freetype_renderer.h"

#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>

namespace wuvo::platform {

namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;
constexpr uint8_t kInk = 255;
// Share of the ascent above the baseline where a strike-out is drawn when the
// face does not say.
constexpr double kStrikeOutShare = 0.3;

int32_t PixelsFrom26Dot6(FT_Pos value) { return static_cast<int32_t>((value + 32) >> 6); }

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The code point at text[i], moving i past it.
char32_t NextCodePoint(std::u16string_view text, size_t& i)
{
    const char16_t unit = text[i++];
    if (IsHighSurrogate(unit) && i < text.size() && IsLowSurrogate(text[i]))
        return 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[i++] - 0xDC00);
    if (IsHighSurrogate(unit) || IsLowSurrogate(unit))
        return kReplacementCharacter;
    return unit;
}

// Calls visit(line) for each line; CR, LF and CR LF end a line.
template <typename Visit>
void ForEachLine(std::u16string_view text, Visit visit)
{
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n')
            continue;
        visit(text.substr(start, i - start));
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    visit(text.substr(start));
}

}  // namespace

int32_t EmHeightForTenthsOfPoint(int32_t tenthsOfPoint)
{
    // Tenths of a point to pixels, rounded half away from zero.
    constexpr int64_t kTenthsPerInch = 720;
    const int64_t product = static_cast<int64_t>(kLogPixelsY) * tenthsOfPoint;
    const int64_t half = product >= 0 ? kTenthsPerInch / 2 : -kTenthsPerInch / 2;
    return -static_cast<int32_t>((product + half) / kTenthsPerInch);
}

FreeTypeTextRenderer::FreeTypeTextRenderer(int32_t surfaceWidth, int32_t surfaceHeight)
    : width_(std::max(surfaceWidth, 1)),
      height_(std::max(surfaceHeight, 1)),
      surface_(static_cast<size_t>(width_) * height_, 0)
{
    if (FT_Init_FreeType(&library_) == 0)
        fonts_ = std::make_unique<FontSet>(library_);
}

FreeTypeTextRenderer::~FreeTypeTextRenderer()
{
    fonts_.reset();
    if (library_ != nullptr)
        FT_Done_FreeType(library_);
}

bool FreeTypeTextRenderer::SelectFont(const FontDescription& font)
{
    font_ = font;
    return fonts_ != nullptr && fonts_->Select(font);
}

TextMetrics FreeTypeTextRenderer::Metrics() const
{
    return fonts_ != nullptr ? fonts_->Metrics() : TextMetrics{};
}

int32_t FreeTypeTextRenderer::LoadGlyph(char32_t c, FT_GlyphSlot& slot)
{
    const GlyphSource source = fonts_->Find(c);
    if (source.face == nullptr || FT_Load_Glyph(source.face, source.index, FT_LOAD_NO_BITMAP) != 0)
        return 0;
    slot = source.face->glyph;
    if (source.slanted)
        FT_GlyphSlot_Oblique(slot);
    if (source.emboldened)
        FT_GlyphSlot_Embolden(slot);
    return PixelsFrom26Dot6(slot->advance.x);
}

int32_t FreeTypeTextRenderer::LayOutLine(std::u16string_view line, int32_t left, int32_t baseline, bool drawing)
{
    int32_t pen = 0;
    for (size_t i = 0; i < line.size();) {
        const char32_t c = NextCodePoint(line, i);
        FT_GlyphSlot slot = nullptr;
        const int32_t advance = LoadGlyph(c, slot);
        if (drawing && slot != nullptr && FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) == 0)
            Blit(slot->bitmap, left + pen + slot->bitmap_left, baseline - slot->bitmap_top);
        pen += advance;
    }
    return pen;
}

TextExtent FreeTypeTextRenderer::Measure(std::u16string_view text)
{
    TextExtent extent;
    if (fonts_ == nullptr)
        return extent;
    const int32_t lineHeight = Metrics().height;
    ForEachLine(text, [&](std::u16string_view line) {
        extent.width = std::max(extent.width, LayOutLine(line, 0, 0, false));
        extent.height += lineHeight;
    });
    return extent;
}

void FreeTypeTextRenderer::Draw(std::u16string_view text, int32_t left, int32_t top)
{
    if (fonts_ == nullptr)
        return;
    const TextMetrics metrics = Metrics();
    int32_t baseline = top + metrics.ascent;
    ForEachLine(text, [&](std::u16string_view line) {
        const int32_t advance = LayOutLine(line, left, baseline, true);
        DrawDecorations(left, left + advance, baseline);
        baseline += metrics.height;
    });
}

void FreeTypeTextRenderer::Blit(const FT_Bitmap& bitmap, int32_t left, int32_t top)
{
    for (int32_t row = 0; row < static_cast<int32_t>(bitmap.rows); ++row) {
        const int32_t y = top + row;
        if (y < 0 || y >= height_)
            continue;
        const uint8_t* source = bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch;
        uint8_t* target = surface_.data() + static_cast<size_t>(y) * width_;
        const int32_t first = std::max(0, -left);
        const int32_t last = std::min(static_cast<int32_t>(bitmap.width), width_ - left);
        // Overlapping glyphs keep the stronger coverage, as ink on ink does.
        for (int32_t column = first; column < last; ++column)
            target[left + column] = std::max(target[left + column], source[column]);
    }
}

void FreeTypeTextRenderer::Fill(int32_t left, int32_t top, int32_t right, int32_t bottom, uint8_t value)
{
    const int32_t x0 = std::clamp(left, 0, width_);
    const int32_t x1 = std::clamp(right, x0, width_);
    for (int32_t y = std::max(top, 0); y < std::min(bottom, height_); ++y)
        std::fill(surface_.begin() + static_cast<ptrdiff_t>(y) * width_ + x0,
                  surface_.begin() + static_cast<ptrdiff_t>(y) * width_ + x1, value);
}

void FreeTypeTextRenderer::DrawDecorations(int32_t left, int32_t right, int32_t baseline)
{
    FT_Face face = fonts_->PrimaryFace();
    if (face == nullptr || face->size == nullptr || (!font_.underline && !font_.strikeOut))
        return;
    const FT_Fixed scale = face->size->metrics.y_scale;
    const int32_t thickness = std::max(1, PixelsFrom26Dot6(FT_MulFix(face->underline_thickness, scale)));
    if (font_.underline) {
        const int32_t below = -PixelsFrom26Dot6(FT_MulFix(face->underline_position, scale));
        const int32_t top = baseline + below - thickness / 2;
        Fill(left, top, right, top + thickness, kInk);
    }
    if (font_.strikeOut) {
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        const bool known = os2 != nullptr && os2->version != 0xFFFF && os2->yStrikeoutSize > 0;
        const int32_t above = known ? PixelsFrom26Dot6(FT_MulFix(os2->yStrikeoutPosition, scale))
                                    : static_cast<int32_t>(std::lround(Metrics().ascent * kStrikeOutShare));
        const int32_t size = known ? std::max(1, PixelsFrom26Dot6(FT_MulFix(os2->yStrikeoutSize, scale))) : thickness;
        Fill(left, baseline - above, right, baseline - above + size, kInk);
    }
}

void FreeTypeTextRenderer::Clear(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    Fill(left, top, right, bottom, 0);
}

}  // namespace wuvo::platform
