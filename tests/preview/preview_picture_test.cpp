#include "app/preview/preview_picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <tuple>
#include <utility>

using namespace wuvo;

namespace {

using Rgb = std::array<int, 3>;

Rgb PixelOf(const RgbPicture& picture, uint32_t x, uint32_t y)
{
    const uint8_t* p = picture.At(x, y);
    return {p[0], p[1], p[2]};
}

// A packed I420 frame with every luma sample `y` and every chroma pair (u, v).
std::vector<uint8_t> FlatFrame(uint32_t width, uint32_t height, uint8_t y, uint8_t u, uint8_t v)
{
    std::vector<uint8_t> frame(I420Bytes(width, height), y);
    const size_t chroma = size_t{width / 2} * (height / 2);
    std::fill_n(frame.begin() + width * height, chroma, u);
    std::fill_n(frame.begin() + width * height + chroma, chroma, v);
    return frame;
}

RgbPicture Flat(uint32_t width, uint32_t height, uint8_t grey)
{
    RgbPicture picture(width, height);
    std::fill(picture.pixels.begin(), picture.pixels.end(), grey);
    return picture;
}

}  // namespace

// Limited range, as players read camera video, with the matrix the picture
// names, also at a size players would guess the other for; without one,
// BT.709 from 1280 wide or 577 high, BT.601 below. The reds are ffmpeg's own
// conversions of RGB (252, 0, 0) by each matrix.
TEST(PreviewPicture, ConvertsLimitedRangeByThePicturesMatrix)
{
    constexpr uint32_t kUnnamed = 2, kBt709 = 1, kBt470bg = 5, kBt601 = 6;
    auto convert = [](uint32_t matrix, uint32_t width, uint32_t height, uint8_t y, uint8_t u, uint8_t v) {
        std::vector<uint8_t> frame = FlatFrame(width, height, y, u, v);
        return PixelOf(ConvertI420ToRgb(frame.data(), width, height, {2, 2, matrix}), 1, 1);
    };
    auto red = [](const Rgb& got) { return std::abs(got[0] - 252) <= 2 && got[1] <= 2 && got[2] <= 2; };
    EXPECT_EQ(convert(kBt709, 2, 2, 16, 128, 128), (Rgb{0, 0, 0}));
    EXPECT_EQ(convert(kBt709, 2, 2, 235, 128, 128), (Rgb{255, 255, 255}));
    EXPECT_TRUE(red(convert(kBt709, 2, 2, 62, 102, 238)));
    EXPECT_TRUE(red(convert(kBt601, 1280, 2, 81, 91, 239)));
    EXPECT_TRUE(red(convert(kBt470bg, 1280, 2, 81, 91, 239)));
    for (auto [width, height, bt709] : {std::tuple{1280u, 2u, true}, {1279u, 2u, false}, {720u, 577u, true},
                                        {720u, 576u, false}})
        EXPECT_EQ(red(convert(kUnnamed, width, height, 62, 102, 238)), bt709) << width << "x" << height;
    EXPECT_EQ(convert(kBt709, 2, 2, 235, 128, 255)[0], 255) << "clamped above";
    EXPECT_EQ(convert(kBt709, 2, 2, 16, 0, 128)[2], 0) << "clamped below";
}

// Every level of Y, U and V comes out as the exact conversion rounds it:
// 2 x 2 blocks of four luma levels, one per pair of chroma levels.
TEST(PreviewPicture, EveryLevelIsThatOfTheExactConversion)
{
    constexpr int kLevels = 256;
    constexpr uint32_t kSide = 2 * kLevels;
    for (auto [matrix, kr, kb] : {std::tuple{1u, 0.2126, 0.0722}, {6u, 0.299, 0.114}}) {
        const double kg = 1 - kr - kb;
        size_t wrong = 0;
        std::vector<uint8_t> frame = FlatFrame(kSide, kSide, 0, 0, 0);
        uint8_t* u = frame.data() + kSide * kSide;
        uint8_t* v = u + kLevels * kLevels;
        for (int i = 0; i < kLevels * kLevels; ++i) {
            u[i] = static_cast<uint8_t>(i % kLevels);
            v[i] = static_cast<uint8_t>(i / kLevels);
        }
        for (int first = 0; first < kLevels; first += 4) {
            for (uint32_t y = 0; y < kSide; ++y)
                for (uint32_t x = 0; x < kSide; ++x)
                    frame[y * kSide + x] = static_cast<uint8_t>(first + x % 2 + 2 * (y % 2));
            const RgbPicture picture = ConvertI420ToRgb(frame.data(), kSide, kSide, {2, 2, matrix});
            for (uint32_t y = 0; y < kSide; ++y) {
                for (uint32_t x = 0; x < kSide; ++x) {
                    const double luma = 255.0 / 219 * (frame[y * kSide + x] - 16);
                    const double cb = 255.0 / 224 * (x / 2 - 128.0), cr = 255.0 / 224 * (y / 2 - 128.0);
                    const double exact[] = {luma + 2 * (1 - kr) * cr, luma - 2 * (kb * (1 - kb) * cb + kr * (1 - kr) * cr) / kg,
                                            luma + 2 * (1 - kb) * cb};
                    for (int c = 0; c < 3; ++c)
                        wrong += picture.At(x, y)[c] != std::clamp(static_cast<int>(std::floor(exact[c] + 0.5)), 0, 255);
                }
            }
        }
        EXPECT_EQ(wrong, 0u) << "matrix " << matrix;
    }
}

TEST(PreviewPicture, EachTwoByTwoBlockTakesItsOwnChromaAndOddEdgesStayInside)
{
    // 3 x 3: one chroma sample, which the odd last row and column share.
    std::vector<uint8_t> odd = FlatFrame(3, 3, 90, 128, 228);
    RgbPicture picture = ConvertI420ToRgb(odd.data(), 3, 3, {});
    EXPECT_EQ(PixelOf(picture, 2, 2), PixelOf(picture, 0, 0));
    EXPECT_EQ(PixelOf(picture, 2, 2)[0], 246);  // 1.16438 * (90 - 16) + 1.59603 * 100

    // 4 x 2: the right block is blue, the left one neutral.
    std::vector<uint8_t> frame = FlatFrame(4, 2, 60, 128, 128);
    frame[4 * 2 + 1] = 228;
    RgbPicture blocks = ConvertI420ToRgb(frame.data(), 4, 2, {});
    EXPECT_EQ(PixelOf(blocks, 1, 1), (Rgb{51, 51, 51}));
    EXPECT_EQ(PixelOf(blocks, 2, 0), (Rgb{51, 12, 253}));  // G = 51.2 - 39.2, B = 51.2 + 201.7
}

// Players widen a picture of wide pixels and heighten one of narrow pixels,
// unless that leaves the layout's room.
TEST(PreviewPicture, PixelsThatAreNotSquareAreShownWidenedOrHeightened)
{
    for (auto [w, h, aspect, shownW, shownH] : {std::tuple{1440u, 1080u, 4.0f / 3, 1920u, 1080u},
                                                {720u, 480u, 8.0f / 9, 720u, 540u},
                                                {4096u, 2160u, 4.0f / 3, 4096u, 1620u}}) {
        const PictureSize shown = ShownPictureSize(w, h, aspect, kLandscapePicture);
        EXPECT_EQ(std::pair(shown.width, shown.height), std::pair(shownW, shownH)) << w << "x" << h;
    }
}

TEST(PreviewPicture, StartPatternRampsOverTheLandscapeRoom)
{
    RgbPicture pattern = MakeStartPattern(kLandscapePicture.width, kLandscapePicture.height);
    EXPECT_EQ(PixelOf(pattern, 0, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(PixelOf(pattern, 2048, 1088), (Rgb{0, 127, 127}));
    EXPECT_EQ(PixelOf(pattern, 4095, 2175), (Rgb{0, 255, 255}));
}

TEST(PreviewPicture, ComposedViewHasGreyBarsAndAveragesWhatItScales)
{
    RgbPicture frame = Flat(1920, 1080, 200);
    RgbPicture view = ComposeView(frame, PlanView({2, 1920, 1080, 960, 600, 0, 0}), 960, 600);
    EXPECT_EQ(PixelOf(view, 500, 29), (Rgb{128, 128, 128}));
    EXPECT_EQ(PixelOf(view, 500, 30), (Rgb{200, 200, 200}));
    EXPECT_EQ(PixelOf(view, 959, 569), (Rgb{200, 200, 200}));
    EXPECT_EQ(PixelOf(view, 0, 570), (Rgb{128, 128, 128}));

    // Three columns (0, 255, 0) onto two: each target pixel covers one and a half.
    RgbPicture stripes = Flat(3, 1, 0);
    std::fill_n(stripes.At(1, 0), 3, 255);
    RgbPicture halved = ComposeView(stripes, {{}, {0, 0, 3, 1}, {0, 0, 2, 1}}, 2, 1);
    EXPECT_EQ(PixelOf(halved, 0, 0), (Rgb{85, 85, 85}));
    EXPECT_EQ(PixelOf(halved, 1, 0), (Rgb{85, 85, 85}));
    // Growing keeps each source pixel's value.
    RgbPicture grown = ComposeView(stripes, {{}, {0, 0, 3, 1}, {0, 0, 6, 2}}, 6, 2);
    EXPECT_EQ(PixelOf(grown, 3, 1), (Rgb{255, 255, 255}));
    EXPECT_EQ(PixelOf(grown, 5, 0), (Rgb{0, 0, 0}));
}

TEST(PreviewPicture, SourceOutsideThePictureIsLeftBlackNotRead)
{
    RgbPicture small = Flat(10, 10, 99);
    RgbPicture copied = ComposeView(small, {{}, {5, 5, 20, 20}, {-3, 0, 20, 20}}, 12, 12);
    // Source columns 8 and 9 land on view columns 0 and 1, rows 5 to 9 on 0 to 4.
    EXPECT_EQ(PixelOf(copied, 0, 0), (Rgb{99, 99, 99}));
    EXPECT_EQ(PixelOf(copied, 1, 4), (Rgb{99, 99, 99}));
    EXPECT_EQ(PixelOf(copied, 2, 4), (Rgb{0, 0, 0}));
    EXPECT_EQ(PixelOf(copied, 0, 5), (Rgb{0, 0, 0}));
    RgbPicture scaled = ComposeView(small, {{}, {-10, 0, 20, 10}, {0, 0, 4, 2}}, 4, 2);
    EXPECT_EQ(PixelOf(scaled, 0, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(PixelOf(scaled, 3, 1), (Rgb{99, 99, 99}));
}
