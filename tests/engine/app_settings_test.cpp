#include "engine/settings/app_settings.h"

#include <cstring>

#include <gtest/gtest.h>

using namespace wuvo;

TEST(AppSettings, DefaultStampsDifferOnlyInPositionAndTimeFlag)
{
    AppSettings settings;
    std::memset(&settings, 0xA5, sizeof settings);
    ResetSettings(settings);

    StampStyle date = settings.dateStamp;
    StampStyle time = settings.timeStamp;
    EXPECT_EQ(date.y, 64);
    EXPECT_EQ(time.y, 960);
    EXPECT_EQ(date.hasTime, 1u);
    EXPECT_EQ(time.hasTime, 0u);
    date.y = time.y;
    date.hasTime = time.hasTime;
    EXPECT_EQ(std::memcmp(&date, &time, sizeof date), 0);

    EXPECT_EQ(std::u16string(date.font.faceName), u"Arial");
    EXPECT_EQ(date.font.height, -48);
    EXPECT_EQ(date.rasterHeight, 360);
    EXPECT_EQ(std::u16string(settings.renamePattern), u"@N-20@F@f-@L@l");
    EXPECT_EQ(settings.lastInputPath[0], 0);
    EXPECT_EQ(settings.reserved5[100], 0) << "reserved bytes are zeroed";
    EXPECT_EQ(settings.bitrate, 250u);
    EXPECT_EQ(settings.language, 3u);
}

TEST(AppSettings, OutputSizeIndexPastTheTableMeansNativeSize)
{
    EXPECT_EQ(OutputSizeFor(7).width, 1);
    EXPECT_EQ(OutputSizeFor(7).height, 1);
    EXPECT_EQ(OutputSizeFor(6).width, 1920);
    EXPECT_EQ(OutputSizeFor(0).height, 270);
    EXPECT_EQ(OutputSizeFor(8).width, 1);
    EXPECT_EQ(OutputSizeFor(0xFFFFFFFFu).height, 1);
}
