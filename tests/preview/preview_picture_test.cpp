#include "app/preview/preview_picture.h"

#include <gtest/gtest.h>

#include <array>
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

TEST(PreviewPicture, ConvertsFullRangeYuvTruncatingAndClamping)
{
    auto convert = [](uint8_t y, uint8_t u, uint8_t v) {
        std::vector<uint8_t> frame = FlatFrame(2, 2, y, u, v);
        return PixelOf(ConvertI420ToRgb(frame.data(), 2, 2), 1, 1);
    };
    EXPECT_EQ(convert(128, 128, 128), (Rgb{128, 128, 128}));
    EXPECT_EQ(convert(255, 128, 255)[0], 255) << "255 + 1.402 * 127 is clamped";
    EXPECT_EQ(convert(0, 0, 128)[2], 0) << "0 - 1.772 * 128 is clamped";
    // R = 100 - 1.402 * 30 = 57.94; G = 100 - (0.34414 * 50 - 0.71414 * 30) = 104.2; B = 100 + 1.772 * 50 = 188.6.
    EXPECT_EQ(convert(100, 178, 98), (Rgb{57, 104, 188}));
}

TEST(PreviewPicture, EachTwoByTwoBlockTakesItsOwnChromaAndOddEdgesStayInside)
{
    // 3 x 3: one chroma sample, which the odd last row and column share.
    std::vector<uint8_t> odd = FlatFrame(3, 3, 90, 128, 228);
    RgbPicture picture = ConvertI420ToRgb(odd.data(), 3, 3);
    EXPECT_EQ(PixelOf(picture, 2, 2), PixelOf(picture, 0, 0));
    EXPECT_EQ(PixelOf(picture, 2, 2)[0], 230);  // 90 + 1.402 * 100

    // 4 x 2: the right block is blue, the left one neutral.
    std::vector<uint8_t> frame = FlatFrame(4, 2, 60, 128, 128);
    frame[4 * 2 + 1] = 228;
    RgbPicture blocks = ConvertI420ToRgb(frame.data(), 4, 2);
    EXPECT_EQ(PixelOf(blocks, 1, 1), (Rgb{60, 60, 60}));
    EXPECT_EQ(PixelOf(blocks, 2, 0), (Rgb{60, 25, 237}));  // G = 60 - 34.4, B = 60 + 177.2
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
