#include "engine/text/stamp_text.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "engine/settings/app_settings.h"
#include "engine/text/format_tables.h"
#include "support/stamp_languages.h"

using namespace wuvo;
using namespace wuvo::test;

namespace {

class StampTextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::memcpy(savedDates, DateFormatTable, sizeof savedDates);
        std::memcpy(savedTimes, TimeFormatTable, sizeof savedTimes);
        ResetSettings(gSettings);
        SetTime(2023, 12, 31, 0, 21, 50, 38);
    }
    void TearDown() override
    {
        std::memcpy(DateFormatTable, savedDates, sizeof savedDates);
        std::memcpy(TimeFormatTable, savedTimes, sizeof savedTimes);
        ResetSettings(gSettings);
    }

    void SetTime(int year, int month, int day, int weekday, int hour, int minute, int second)
    {
        context.tm = std::tm{};
        context.tm.tm_year = year - 1900;
        context.tm.tm_mon = month - 1;
        context.tm.tm_mday = day;
        context.tm.tm_wday = weekday;
        context.tm.tm_hour = hour;
        context.tm.tm_min = minute;
        context.tm.tm_sec = second;
        context.tm.tm_yday = -1;
        context.tm.tm_isdst = -1;
    }

    std::u16string Date(uint32_t language, uint32_t index, bool upperCase = false)
    {
        gSettings.language = language;
        gSettings.dateStamp.formatIndex = index;
        gSettings.dateStamp.upperCase = upperCase;
        char16_t text[kStampTextLength];
        std::memset(text, 0x55, sizeof text);
        FormatDateText(context, text);
        return text;
    }

    std::u16string Time(uint32_t index, bool upperCase = false)
    {
        gSettings.timeStamp.formatIndex = index;
        gSettings.timeStamp.upperCase = upperCase;
        char16_t text[kStampTextLength];
        std::memset(text, 0x55, sizeof text);
        FormatTimeText(context, text);
        return text;
    }

    static void SetSlot(char16_t* slot, std::u16string_view format)
    {
        std::memset(slot, 0, kFormatChars * sizeof(char16_t));
        std::copy(format.begin(), format.end(), slot);
    }

    StampContext context;
    char16_t savedDates[kDateFormatEntries][kFormatChars];
    char16_t savedTimes[kTimeFormatEntries][kFormatChars];
};

}  // namespace

TEST_F(StampTextTest, DefaultStampsReadAsTheRuntimeWritesThem)
{
    EXPECT_EQ(Date(gSettings.language, gSettings.dateStamp.formatIndex), u"Sunday, December 31, 2023");
    SetTime(2023, 12, 31, 0, 9, 50, 38);
    EXPECT_EQ(Time(gSettings.timeStamp.formatIndex), u"9:50:38");
}

// Every entry as the product ships it, and each fixed time format reads like
// its label in the time format list at the moment the label shows.
TEST_F(StampTextTest, TablesHoldTheShippedFormats)
{
    const char16_t* dates[kDateFormatEntries] = {
        u"%Y-%m-%d\\n%#I:%M:%S%p", u"%Y-%m-%d", u"%d-%m-%Y", u"%m-%d-%Y",
        u"%Y.%m.%d", u"%d.%m.%Y", u"%m.%d.%Y", u"",
        u"%#x\\n%#I:%M:%S%p", u"%#x", u"%#x %A", u"", u"", u"", u"", u"",
        u"%b-%#d-%Y\\n%#I:%M:%S%p", u"%b-%#d-%Y", u"%#d-%b-%Y", u"%b %#d %Y",
        u"%#d %b %Y", u"%B %#d, %Y", u"%a %b %#d, %Y", u"%A %B %#d, %Y",
        u"%#x\\n%#I:%M:%S%p", u"%#x", u"%#d %B %Y", u"%#d %b %Y",
        u"%A %#d %B %Y", u"%A %#d %b %Y", u"%a %#d %B %Y", u"%a %#d %b %Y"};
    for (size_t i = 0; i < kDateFormatEntries; ++i)
        EXPECT_EQ(std::u16string(DateFormatTable[i]), dates[i]) << "date entry " << i;
    const char16_t* times[kTimeFormatEntries] = {
        u"%#H:%M:%S EST", u"%#H:%M:%S", u"%#H:%M", u"%#I:%M:%S%p", u"%#I:%M%p",
        u"%H:%M:%S", u"%H:%M", u"%I:%M:%S%p", u"%I:%M%p", u"%#H:%M:%S",
        u"%H:%M:%S", u"%#H:%M:%S", u"%H:%M:%S", u"%H:%M:%S", u"%H:%M:%S"};
    for (size_t i = 0; i < kTimeFormatEntries; ++i)
        EXPECT_EQ(std::u16string(TimeFormatTable[i]), times[i]) << "time entry " << i;

    // The labels show 21:50:38, 09:50:38 two frames (200 ms) into the
    // video, or midnight at its start.
    struct Label {
        uint32_t index;
        int hour, minute, second;
        uint32_t frame;
        const char16_t* text;
    };
    const Label labels[] = {
        {1, 21, 50, 38, 2, u"21:50:38"},    {2, 21, 50, 38, 2, u"21:50"},
        {3, 21, 50, 38, 2, u"9:50:38pm"},   {4, 21, 50, 38, 2, u"9:50pm"},
        {5, 9, 50, 38, 2, u"09:50:38"},     {6, 9, 50, 38, 2, u"09:50"},
        {7, 9, 50, 38, 2, u"09:50:38am"},   {8, 9, 50, 38, 2, u"09:50am"},
        {9, 9, 50, 38, 2, u"9:50:38:02"},   {10, 9, 50, 38, 2, u"09:50:38:02"},
        {11, 9, 50, 38, 2, u"9:50:38.200"}, {12, 9, 50, 38, 2, u"09:50:38.200"},
        {13, 0, 0, 0, 0, u"00:00:00:00"},   {14, 0, 0, 0, 0, u"00:00:00"}};
    context.averageDelta = 1;  // ten frames a second
    context.timescale = 10;
    for (const Label& label : labels) {
        SetTime(2003, 6, 22, 0, label.hour, label.minute, label.second);
        context.frameIndexByTime = label.frame;
        EXPECT_EQ(Time(label.index), label.text) << "time entry " << label.index;
    }
}

TEST_F(StampTextTest, FrameAndMillisecondSuffixes)
{
    SetTime(2023, 12, 31, 0, 21, 50, 39);
    context.frameIndexByTime = 45;
    context.averageDelta = 1001;
    context.timescale = 30000;
    EXPECT_EQ(Time(9), u"21:50:39:45");
    EXPECT_EQ(Time(10), u"21:50:39:45");
    EXPECT_EQ(Time(13), u"21:50:39:45");
    EXPECT_EQ(Time(11), u"21:50:39.1501") << "45 * 1001 / 30 = 1501.5 ms, truncated";
    context.frameIndexByTime = 5000;
    EXPECT_EQ(Time(12), u"21:50:39.166833") << "5000 * 1001 * 1000 is past 32 bits";

    context.frameIndexByTime = 7;
    EXPECT_EQ(Time(10), u"21:50:39:07") << "at least two digits";
    EXPECT_EQ(Time(11), u"21:50:39.233");
    context.frameIndexByTime = 0xFFFFFFFFu;
    EXPECT_EQ(Time(10), u"21:50:39:4294967295") << "no sign and no cut";
    context.averageDelta = 0xFFFFFFFFu;
    context.timescale = 1;
    EXPECT_EQ(Time(11), u"21:50:39.18446744073709551615") << "past 64 bits it stays at the largest value";
    context.timescale = 0;
    EXPECT_EQ(Time(12), u"21:50:39.000") << "no division by a zero time scale";

    SetTime(2024, 1, 1, 1, 9, 5, 0);
    EXPECT_EQ(Time(14), u"09:05:00");
    EXPECT_EQ(Time(5), u"09:05:00");
}

TEST_F(StampTextTest, TwelveHourFormatsAreLowerCaseUnlessUpperCaseIsAsked)
{
    EXPECT_EQ(Time(3), u"9:50:38pm");
    EXPECT_EQ(Time(3, true), u"9:50:38PM");
    EXPECT_EQ(Time(4), u"9:50pm");
    SetTime(2023, 12, 31, 0, 9, 5, 0);
    EXPECT_EQ(Time(7), u"09:05:00am");
    EXPECT_EQ(Time(7, true), u"09:05:00AM");
    EXPECT_EQ(Time(8), u"09:05am");

    gSettings.language = kRussian;
    EXPECT_EQ(Time(7), u"09:05:00am") << "fixed formats are English whatever the language";
}

TEST_F(StampTextTest, UpperCaseChangesOnlyLatinLetters)
{
    EXPECT_EQ(Date(kBulgarian, 3), u"31 дек 2023") << "group 3, entry 27";
    EXPECT_EQ(Date(kBulgarian, 3, true), u"31 дек 2023");
    EXPECT_EQ(Date(kFrench, 4, true), u"DIMANCHE 31 DéCEMBRE 2023");
    EXPECT_EQ(Date(2, 7, true), u"SUNDAY DECEMBER 31, 2023");
}

TEST_F(StampTextTest, CustomFormatsGiveLinesAndALowerCaseAmPm)
{
    EXPECT_EQ(Date(kNumeric, 0), u"2023-12-31\r9:50:38pm");
    EXPECT_EQ(Date(kNumeric, 0, true), u"2023-12-31\r9:50:38PM");
    EXPECT_EQ(Date(kChinese, 0), u"2023年12月31日\r9:50:38下午") << "no AM or PM to lower";

    gSettings.language = kDefaultLanguage;
    SetSlot(TimeFormatTable[0], u"%#H:%M\\n%S");
    EXPECT_EQ(Time(0), u"21:50\r38");
    SetSlot(TimeFormatTable[0], u"%p or %p");
    EXPECT_EQ(Time(0), u"pm or PM") << "only the first marker";
    SetSlot(TimeFormatTable[0], u"%H AM %p");
    EXPECT_EQ(Time(0), u"21 am PM") << "the rule looks at the text, not at where it came from";
    SetSlot(TimeFormatTable[0], u"%H AM %%");
    EXPECT_EQ(Time(0), u"21 AM %") << "no %p in the slot: no rule";
    SetSlot(TimeFormatTable[0], u"%H %p");
    gSettings.language = kGerman;
    EXPECT_EQ(Time(0), u"21 ") << "custom time formats use the stamp language";
}

TEST_F(StampTextTest, NamesInTheStampLanguage)
{
    EXPECT_EQ(Date(kGerman, 4), u"Sonntag 31 Dezember 2023");
    EXPECT_EQ(Date(kGerman, 1), u"Sonntag, 31. Dezember 2023");
    EXPECT_EQ(Date(kFrench, 6), u"dim. 31 décembre 2023");
    EXPECT_EQ(Date(kRussian, 4), u"Воскресенье 31 декабря 2023");
    EXPECT_EQ(Date(kRussian, 1), u"31 декабря 2023 г.");
    EXPECT_EQ(Date(kJapanese, 4), u"日曜日 31 12月 2023");
    EXPECT_EQ(Date(kJapanese, 1), u"2023年12月31日");
    EXPECT_EQ(Date(kChinese, 2), u"2023年12月31日 星期日");
}

TEST_F(StampTextTest, IndexesPastTheTablesGiveNoText)
{
    EXPECT_EQ(Date(kChinese, 3), u"") << "an empty entry of a short group";
    EXPECT_EQ(Date(kGerman, 8), u"") << "one past the group";
    EXPECT_EQ(Date(kGerman, 0xFFFFFFFFu), u"");
    EXPECT_EQ(Time(15), u"");
    EXPECT_EQ(Date(29, 1), u"Sunday, December 31, 2023") << "an unknown language is the default";
    EXPECT_EQ(Date(0xFFFFFFFFu, 1), u"Sunday, December 31, 2023");
}

TEST_F(StampTextTest, UnterminatedOrOverlongFormatsStayInTheirFields)
{
    std::fill(std::begin(DateFormatTable[24]), std::end(DateFormatTable[24]), u'x');
    EXPECT_EQ(Date(kGerman, 0), std::u16string(kStampTextLength - 1, u'x')) << "read to the field's end, no further";
    std::fill(std::begin(DateFormatTable[25]), std::end(DateFormatTable[25]), u'y');
    EXPECT_EQ(Date(kGerman, 1), u"") << "a fixed slot without its terminator does not fit the text";

    gSettings.language = kDefaultLanguage;
    SetSlot(TimeFormatTable[0], u"%A %A %A %A %A %A %A %A %A %A %A %A %A %A %A");
    EXPECT_EQ(Time(0), u"") << "a text past 100 characters is dropped";
}

TEST(PrepareMultilineFormat, TurnsBackslashNIntoCarriageReturns)
{
    char16_t out[kStampTextLength];
    PrepareMultilineFormat(u"%H\\n%M\\n", out);
    EXPECT_EQ(std::u16string(out), u"%H\r%M\r");
    PrepareMultilineFormat(u"%H \\ n\\", out);
    EXPECT_EQ(std::u16string(out), u"%H \\ n\\") << "nothing else changes";
}
