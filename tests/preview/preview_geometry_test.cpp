#include "app/preview/preview_geometry.h"

#include <gtest/gtest.h>

using namespace wuvo;

namespace {

constexpr uint32_t kFit = 2;
constexpr uint32_t kActual = kViewActualSize;

ViewPlan Plan(uint32_t mode, uint32_t fw, uint32_t fh, uint32_t vw, uint32_t vh, uint32_t sx = 0, uint32_t sy = 0)
{
    return PlanView({mode, fw, fh, vw, vh, sx, sy});
}

}  // namespace

TEST(PreviewGeometry, FitStretchesTheWholeFrameWithBarsWhereTheAspectDiffers)
{
    ViewPlan same = Plan(kFit, 1920, 1080, 960, 540);
    EXPECT_TRUE(same.fills.empty());
    EXPECT_EQ(same.target, (PixelRect{0, 0, 960, 540}));
    EXPECT_EQ(same.source, (PixelRect{0, 0, 1920, 1080}));

    // (600 - 540) / 2 = 30 rows above and below; the fills reach 2 rows further.
    ViewPlan wide = Plan(kFit, 1920, 1080, 960, 600);
    EXPECT_EQ(wide.fills, (std::vector<PixelRect>{{0, 0, 960, 32}, {0, 568, 960, 32}}));
    EXPECT_EQ(wide.target, (PixelRect{0, 30, 960, 540}));

    // A portrait frame: 1080 * 360 / 1920 = 202 columns, (640 - 202) / 2 = 219 beside.
    ViewPlan tall = Plan(kFit, 1080, 1920, 640, 360);
    EXPECT_EQ(tall.fills, (std::vector<PixelRect>{{0, 0, 221, 360}, {419, 0, 221, 360}}));
    EXPECT_EQ(tall.target, (PixelRect{219, 0, 202, 360}));

    // No frame size yet: nothing to divide by.
    EXPECT_EQ(Plan(kFit, 0, 0, 640, 360).source, (PixelRect{0, 0, 0, 0}));
}

TEST(PreviewGeometry, ActualSizeCopiesFromTheScrollOffsetsAndCentresWhatIsSmaller)
{
    ViewPlan both = Plan(kActual, 1920, 1080, 625, 345, 100, 50);
    EXPECT_TRUE(both.fills.empty());
    EXPECT_EQ(both.source, (PixelRect{100, 50, 625, 345}));
    EXPECT_EQ(both.target, (PixelRect{0, 0, 625, 345}));

    ViewPlan low = Plan(kActual, 1920, 200, 625, 345, 100, 50);
    EXPECT_EQ(low.fills, (std::vector<PixelRect>{{0, 0, 625, 74}, {0, 271, 625, 74}}));
    EXPECT_EQ(low.source, (PixelRect{100, 0, 625, 200}));
    EXPECT_EQ(low.target, (PixelRect{0, 72, 625, 200}));

    ViewPlan small = Plan(kActual, 320, 240, 640, 360, 100, 50);
    EXPECT_EQ(small.fills,
              (std::vector<PixelRect>{{0, 0, 640, 62}, {0, 298, 640, 62}, {0, 61, 162, 240}, {478, 61, 162, 240}}));
    EXPECT_EQ(small.source, (PixelRect{0, 0, 320, 240}));
    EXPECT_EQ(small.target, (PixelRect{160, 60, 320, 240}));

    ViewPlan narrow = Plan(kActual, 300, 1000, 640, 360, 100, 50);
    EXPECT_EQ(narrow.fills, (std::vector<PixelRect>{{0, 0, 172, 360}, {468, 0, 172, 360}}));
    EXPECT_EQ(narrow.source, (PixelRect{0, 50, 300, 360}));
    EXPECT_EQ(narrow.target, (PixelRect{170, 0, 300, 360}));
}

TEST(PreviewGeometry, BarsShowInActualSizeOnlyWhereTheFrameDoesNotFit)
{
    // A 644 x 364 picture: a 640 x 360 view without bars, 625 x 345 with both.
    LayoutInput hd{kActual, 0, 0, false, false, 1920, 1080, 640, 360};
    EXPECT_EQ(DecideBars(hd), (BarLayout{true, true, -15, -15}));
    LayoutInput settled{kActual, 0, 0, true, true, 1920, 1080, 625, 345};
    EXPECT_EQ(DecideBars(settled), (BarLayout{true, true, 0, 0}));
    settled.dx = 100;  // the window grew
    EXPECT_EQ(DecideBars(settled), (BarLayout{true, true, 100, 0}));

    EXPECT_EQ(DecideBars({kActual, 0, 0, false, false, 1920, 300, 640, 360}), (BarLayout{false, true, 0, -15}));
    EXPECT_EQ(DecideBars({kActual, 0, 0, false, false, 400, 1000, 640, 360}), (BarLayout{true, false, -15, 0}));
    EXPECT_EQ(DecideBars({kActual, 0, 0, true, true, 320, 240, 625, 345}), (BarLayout{false, false, 15, 15}));
    // Fit gives the bars' room back.
    EXPECT_EQ(DecideBars({kFit, 0, 0, true, true, 1920, 1080, 625, 345}), (BarLayout{false, false, 15, 15}));
    EXPECT_EQ(DecideBars({kFit, 0, 0, false, false, 1920, 1080, 640, 360}), (BarLayout{false, false, 0, 0}));
}

TEST(PreviewGeometry, ScrollingMovesByAHundredthOrAPageAndStaysInsideTheFrame)
{
    const ScrollRange rows{1080, 345};
    EXPECT_EQ(NextScrollPosition(ScrollCode::LineForward, 0, 0, rows), 10);
    EXPECT_EQ(NextScrollPosition(ScrollCode::LineBack, 5, 0, rows), 0);
    EXPECT_EQ(NextScrollPosition(ScrollCode::PageForward, 100, 0, rows), 445);
    EXPECT_EQ(NextScrollPosition(ScrollCode::PageForward, 500, 0, rows), 735);
    EXPECT_EQ(NextScrollPosition(ScrollCode::End, 0, 0, rows), 735) << "the last 345 rows";
    EXPECT_EQ(NextScrollPosition(ScrollCode::Start, 300, 0, rows), 0);
    EXPECT_EQ(NextScrollPosition(ScrollCode::ThumbPosition, 0, 800, rows), 735);
    EXPECT_EQ(NextScrollPosition(ScrollCode::Other, 300, 0, rows), std::nullopt);
    EXPECT_EQ(NextScrollPosition(ScrollCode::End, 0, 0, {200, 345}), 0) << "a frame smaller than the view";
}

TEST(PreviewGeometry, FramesMustFitAPoolBufferAndTheLayout)
{
    EXPECT_TRUE(FitsPreviewLayout(4096, 2160, false));
    EXPECT_FALSE(FitsPreviewLayout(4096, 2176, false)) << "more than a pool buffer";
    EXPECT_TRUE(FitsPreviewLayout(2160, 3840, true));
    EXPECT_FALSE(FitsPreviewLayout(2160, 3840, false));
    EXPECT_FALSE(FitsPreviewLayout(4352, 1000, false));
    EXPECT_FALSE(FitsPreviewLayout(65536, 65536, false)) << "no product wraps";
}
