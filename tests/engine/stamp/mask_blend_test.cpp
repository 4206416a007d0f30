#include "engine/stamp/mask_blend.h"

#include <vector>

#include <gtest/gtest.h>

#include "engine/stamp/stamp_visibility.h"

using namespace wuvo;

namespace {

StampStyle Style(uint32_t outline, uint32_t font = 220, uint32_t outlineBrightness = 20)
{
    AppSettings settings;
    ResetSettings(settings);
    StampStyle style = settings.dateStamp;
    style.outline = outline;
    style.fontBrightness = font;
    style.outlineBrightness = outlineBrightness;
    return style;
}

WeightSet FullWeights()
{
    StampContext context;
    SetBaseWeights(context);
    return context.dateWeights;
}

uint8_t Blend(uint8_t sample, uint16_t value, const StampStyle& style, const WeightSet& weights)
{
    BlendMaskPixel(sample, value, style, weights);
    return sample;
}

// A mask of `rows` x `columns` cells, each a distinct glyph coverage.
struct NumberedMask {
    std::vector<uint16_t> cells;
    StampMask mask;
    NumberedMask(uint32_t rows, uint32_t columns) : cells(rows * columns)
    {
        for (uint32_t i = 0; i < cells.size(); ++i)
            cells[i] = static_cast<uint16_t>(i + 1);
        mask.capacity = static_cast<uint32_t>(cells.size());
        mask.rowLength = mask.width = columns;
        mask.height = rows;
        mask.cells = cells.data();
    }
};

// A plane whose samples hold 0; the blend writes each cell's coverage, since
// with no outline, font brightness 255 and full weights colour = coverage.
struct Plane {
    int32_t width;
    int32_t height;
    std::vector<uint8_t> samples;
    Plane(int32_t w, int32_t h) : width(w), height(h), samples(static_cast<size_t>(w) * h, 0) {}
    uint8_t At(int32_t x, int32_t y) const { return samples[static_cast<size_t>(y) * width + x]; }
};

// Where cell (r, c) of a mask at (x, y) lands, by rotation: upright text runs
// rightward, 90 upward, 180 leftward, 270 downward.
struct Landing {
    int32_t x;
    int32_t y;
};
Landing LandingOf(uint32_t rotation, int32_t x, int32_t y, int32_t r, int32_t c)
{
    switch (rotation) {
    case 90: return {x + r, y - c};
    case 180: return {x - c, y - r};
    case 270: return {x - r, y + c};
    default: return {x + c, y + r};
    }
}

int CountChanged(const Plane& plane)
{
    int changed = 0;
    for (uint8_t sample : plane.samples)
        changed += sample != 0;
    return changed;
}

}  // namespace

TEST(MaskBlend, GlyphCoverageShadesIntoOutlineOrPicture)
{
    const WeightSet full = FullWeights();
    EXPECT_EQ(Blend(37, 255, Style(1), full), 220);
    EXPECT_EQ(Blend(37, 128, Style(1), full), 120);
    EXPECT_EQ(Blend(100, 128, Style(0), full), 160);
    EXPECT_EQ(Blend(100, 1001, Style(1), full), 20);
}

TEST(MaskBlend, RingWeightsMixWithThePicture)
{
    const WeightSet full = FullWeights();
    EXPECT_EQ(Blend(200, 1002, Style(1), full), 100);
    EXPECT_EQ(Blend(200, 1005, Style(1), full), 177);

    WeightSet faded = full;
    ApplyTransparency(faded, 90);
    EXPECT_EQ(faded.first[0], 100u);
    EXPECT_EQ(faded.second[0], 900u);
    // Nine tenths of the sample stay: (200 * 900 + 220 * 100) / 1000.
    EXPECT_EQ(Blend(200, 255, Style(1), faded), 202);
}

TEST(MaskBlend, OutOfRangeSettingsAreClamped)
{
    const WeightSet full = FullWeights();
    EXPECT_EQ(Blend(0, 255, Style(0, 1000), full), 255) << "brightness above 255 is white";
    EXPECT_EQ(Blend(0, 1001, Style(1, 220, 300), full), 255);
    EXPECT_EQ(Blend(77, 1006, Style(1), full), 77) << "not a ring: left alone";
}

TEST(MaskBlend, UpsideDownTextLiesAboveAndLeftOfItsPosition)
{
    NumberedMask mask(4, 5);
    Plane plane(200, 200);
    StampStyle style = Style(0, 255);
    style.x = style.y = 100;
    BlendMaskRotated(style, FullWeights(), plane.samples.data(), plane.width, plane.height, mask.mask, 180);
    EXPECT_EQ(plane.At(100, 100), 1);
    EXPECT_EQ(plane.At(96, 97), 20);
    EXPECT_EQ(CountChanged(plane), 20) << "nothing outside the 5 x 4 cells";
}

// The mask is slid across, and past every edge of, a small plane (exactly
// sized, so a stray write is caught by the sanitizers); every cell lands
// where it belongs or nowhere. A rotation of 45 degrees draws upright.
TEST(MaskBlend, ClipsAtEveryEdgeForEveryRotation)
{
    constexpr int32_t kWidth = 7;
    constexpr int32_t kHeight = 5;
    for (uint32_t rotation : {0u, 90u, 180u, 270u, 45u}) {
        for (int32_t y = -6; y <= kHeight + 5; ++y)
            for (int32_t x = -6; x <= kWidth + 5; ++x) {
                NumberedMask mask(3, 4);
                Plane plane(kWidth, kHeight);
                StampStyle style = Style(0, 255);
                style.x = x;
                style.y = y;
                BlendMaskRotated(style, FullWeights(), plane.samples.data(), kWidth, kHeight, mask.mask, rotation);
                int inside = 0;
                for (int32_t r = 0; r < 3; ++r)
                    for (int32_t c = 0; c < 4; ++c) {
                        const Landing at = LandingOf(rotation, x, y, r, c);
                        if (at.x >= 0 && at.x < kWidth && at.y >= 0 && at.y < kHeight) {
                            ++inside;
                            EXPECT_EQ(plane.At(at.x, at.y), r * 4 + c + 1);
                        }
                    }
                const int changed = CountChanged(plane);
                EXPECT_EQ(changed, inside) << "rotation " << rotation << " at " << x << "," << y;
            }
    }
}

TEST(MaskBlend, EmptyCellsAndEmptyMasksLeaveThePicture)
{
    NumberedMask mask(2, 2);
    mask.cells[1] = 0;
    Plane plane(4, 4);
    StampStyle style = Style(0, 255);
    style.x = style.y = 0;
    BlendMaskRotated(style, FullWeights(), plane.samples.data(), 4, 4, mask.mask, 0);
    EXPECT_EQ(plane.At(1, 0), 0);
    EXPECT_EQ(plane.At(0, 1), 3);

    StampMask empty;
    BlendMaskRotated(style, FullWeights(), plane.samples.data(), 4, 4, empty, 0);
    style.x = INT32_MAX;
    style.y = INT32_MIN;
    BlendMaskRotated(style, FullWeights(), plane.samples.data(), 4, 4, mask.mask, 270);
    EXPECT_EQ(plane.At(0, 1), 3);
}
