// Which pictures of a decode of every sample, shown once each in presentation order,
// are the frames of the clip that the edit list shows.
#include "engine/media/shown_pictures.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace wuvo;

TEST(ShownPictures, TheEditListsChoiceIsNumberedAsTheClipsFramesOrRefused)
{
    // Trimmed at both ends: 60 samples, frames from the tenth to the 56th.
    std::vector<uint32_t> ranks(47);
    std::iota(ranks.begin(), ranks.end(), 9u);
    ShownPictures shown;
    ASSERT_TRUE(shown.Select(ranks));
    EXPECT_EQ(shown.FrameOf(8), std::nullopt);
    EXPECT_EQ(shown.FrameOf(9), 0u);
    EXPECT_EQ(shown.FrameOf(55), 46u);
    EXPECT_EQ(shown.FrameOf(56), std::nullopt);
    EXPECT_TRUE(shown.HidesAny(60));

    ASSERT_TRUE(shown.Select({0, 1, 2, 3}));
    EXPECT_FALSE(shown.HidesAny(4)) << "without an edit list every picture is its own frame";
    EXPECT_TRUE(shown.HidesAny(5)) << "the last sample is cut";
    ASSERT_TRUE(shown.Select({0, 1, 30, 31}));
    EXPECT_EQ(shown.FrameOf(30), 2u) << "the middle cut out";

    EXPECT_FALSE(shown.Select({8, 9, 0, 1})) << "a later segment first";
    EXPECT_FALSE(shown.Select({0, 1, 1, 2})) << "a sample twice";
}
