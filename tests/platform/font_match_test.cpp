#include "platform/gdi/font_match.h"

#include <gtest/gtest.h>

using namespace wuvo::platform;

namespace {

FontDescription Font(const char16_t* face, int32_t weight = 400)
{
    FontDescription font;
    font.faceName = face;
    font.height = -48;
    font.weight = weight;
    return font;
}

}  // namespace

// The test machine has fonts-liberation2 and fonts-dejavu-core installed.
TEST(MatchedFontFamily, AnInstalledFaceIsItselfAMissingOneFallsBackToAnother)
{
    EXPECT_EQ(MatchedFontFamily(Font(u"Liberation Serif")), u"Liberation Serif");
    EXPECT_EQ(MatchedFontFamily(Font(u"DejaVu Sans", 700)), u"DejaVu Sans");
    std::u16string fallback = MatchedFontFamily(Font(u"Nowhere Sans Pro"));
    EXPECT_FALSE(fallback.empty());
    EXPECT_NE(fallback, u"Nowhere Sans Pro");
}
