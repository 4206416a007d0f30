#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "platform/gdi/text_renderer.h"

namespace wuvo::test {

// A text renderer with block glyphs, so that masks can be predicted exactly.
// Every character but a space is a block of kInk, kAdvance - 2 columns wide,
// one column in from its pen position, from kBlockTop below the line's top
// down to the baseline, with a softer left edge; "_" instead fills rows
// kUnderscoreTop to kUnderscoreBottom below the baseline.
class FakeTextRenderer final : public platform::TextRenderer {
public:
    static constexpr int32_t kAscent = 32;
    static constexpr int32_t kDescent = 8;
    static constexpr int32_t kBlockTop = 4;
    static constexpr int32_t kUnderscoreTop = 2;
    static constexpr int32_t kUnderscoreBottom = 6;
    static constexpr uint8_t kInk = 255;
    static constexpr uint8_t kEdgeInk = 100;

    explicit FakeTextRenderer(int32_t advance = 6, int32_t width = 4096, int32_t height = 2176)
        : advance_(advance), width_(width), height_(height), surface_(static_cast<size_t>(width) * height, 0)
    {
    }

    bool SelectFont(const platform::FontDescription& font) override
    {
        font_ = font;
        ++fontSelections;
        return true;
    }
    platform::TextMetrics Metrics() const override
    {
        return {kAscent, kDescent, kAscent + kDescent, font_.italic};
    }
    platform::TextExtent Measure(std::u16string_view text) override
    {
        platform::TextExtent extent;
        ForEachLine(text, [&](std::u16string_view line, int32_t) {
            extent.width = std::max(extent.width, static_cast<int32_t>(line.size()) * advance_);
            extent.height += kAscent + kDescent;
        });
        return extent;
    }
    void Clear(int32_t left, int32_t top, int32_t right, int32_t bottom) override
    {
        Fill(left, top, right, bottom, 0);
    }
    void Draw(std::u16string_view text, int32_t left, int32_t top) override
    {
        drawn.emplace_back(text);
        ForEachLine(text, [&](std::u16string_view line, int32_t lineTop) {
            for (size_t i = 0; i < line.size(); ++i)
                DrawGlyph(line[i], left + static_cast<int32_t>(i) * advance_, top + lineTop);
        });
    }
    int32_t SurfaceWidth() const override { return width_; }
    int32_t SurfaceHeight() const override { return height_; }
    const uint8_t* Row(int32_t y) const override { return surface_.data() + static_cast<size_t>(y) * width_; }

    std::vector<std::u16string> drawn;  // every text drawn, in order
    int fontSelections = 0;
    platform::FontDescription font_;

private:
    template <typename Visit>
    static void ForEachLine(std::u16string_view text, Visit visit)
    {
        int32_t top = 0;
        size_t start = 0;
        for (size_t i = 0; i <= text.size(); ++i)
            if (i == text.size() || text[i] == u'\r') {
                visit(text.substr(start, i - start), top);
                top += kAscent + kDescent;
                start = i + 1;
            }
    }
    void DrawGlyph(char16_t c, int32_t pen, int32_t top)
    {
        if (c == u' ')
            return;
        const int32_t baseline = top + kAscent;
        if (c == u'_') {
            Fill(pen + 1, baseline + kUnderscoreTop, pen + advance_ - 1, baseline + kUnderscoreBottom, kInk);
            return;
        }
        Fill(pen + 1, top + kBlockTop, pen + 2, baseline, kEdgeInk);
        Fill(pen + 2, top + kBlockTop, pen + advance_ - 1, baseline, kInk);
    }
    void Fill(int32_t left, int32_t top, int32_t right, int32_t bottom, uint8_t value)
    {
        for (int32_t y = std::max(top, 0); y < std::min(bottom, height_); ++y)
            for (int32_t x = std::max(left, 0); x < std::min(right, width_); ++x)
                surface_[static_cast<size_t>(y) * width_ + x] = value;
    }

    int32_t advance_;
    int32_t width_;
    int32_t height_;
    std::vector<uint8_t> surface_;
};

}  // namespace wuvo::test
