#include "app/preview/frame_status.h"

#include <gtest/gtest.h>

using namespace wuvo;

TEST(FrameStatus, CountsHoursMinutesSecondsAndFramesAtTheGivenRate)
{
    // 60000/2002: 107892 frames an hour, 1798 a minute, 30 a second.
    EXPECT_EQ(FrameStatusText(107892, 200000, 60000, 2002), "Frame: 107892 (53.9%) [1:00:00:00]");
    EXPECT_EQ(FrameStatusText(1799, 1000, 60000, 2002), "Frame: 1799 (179.9%) [0:01:00:01]");
    EXPECT_EQ(FrameStatusText(30, 120, 25000, 1000), "Frame: 30 (25.0%) [0:00:01:05]");
    EXPECT_EQ(FrameStatusText(0, 1000, 60000, 2002), "Frame: 0 (0.0%) [0:00:00:00]");
    EXPECT_EQ(FrameStatusText(7, 0, 30, 1), "Frame: 7 (0.0%) [0:00:00:07]") << "no frames: no percentage";
    EXPECT_LE(FrameStatusText(4294967295u, 1, 4294967295u, 1).size(), 49u);
}

TEST(FrameStatus, UnitsShorterThanHalfAFrameAreSkippedRatherThanDividedBy)
{
    // 0.25 fps: a second is no whole frame, a minute 15, an hour 900.
    FrameClockText slow = SplitFrameTime(917, 1, 4);
    EXPECT_EQ(slow.hours, 1);
    EXPECT_EQ(slow.minutes, 1);
    EXPECT_EQ(slow.seconds, 0);
    EXPECT_EQ(slow.frames, 2);
    for (auto [numerator, denominator] : {std::pair{0u, 1u}, {30u, 0u}, {0u, 0u}}) {
        FrameClockText none = SplitFrameTime(7, numerator, denominator);
        EXPECT_EQ(none.hours + none.minutes + none.seconds, 0);
        EXPECT_EQ(none.frames, 7);
    }
}

// The line names a frame only while its picture is shown; until then it
// says that the picture is on its way, and that there is none when the
// decode gave none. With no file open it counts frame 0 as ever.
TEST(FrameStatus, NamesAFrameOnlyWhileItsPictureIsShown)
{
    EXPECT_EQ(PictureOfFrame(7, 7, false, true), FramePicture::Shown);
    EXPECT_EQ(PictureOfFrame(7, 7, true, true), FramePicture::Shown) << "the same frame again, a stamp moved";
    EXPECT_EQ(PictureOfFrame(1710, 7, true, true), FramePicture::OnItsWay);
    EXPECT_EQ(PictureOfFrame(0, std::nullopt, true, true), FramePicture::OnItsWay) << "a file's first picture";
    EXPECT_EQ(PictureOfFrame(1710, 7, false, true), FramePicture::Missing);
    EXPECT_EQ(PictureOfFrame(0, std::nullopt, false, false), FramePicture::Shown);
    EXPECT_EQ(FrameStatusText(1710, 1800, 30, 1, FramePicture::OnItsWay), "Loading: 1710 (95.0%) [0:00:57:00]");
    EXPECT_EQ(FrameStatusText(1710, 1800, 30, 1, FramePicture::Missing), "No picture: 1710 (95.0%) [0:00:57:00]");
}
