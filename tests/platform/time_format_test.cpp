#include "platform/crt/case_fold.h"
#include "platform/crt/time_format.h"

#include <clocale>
#include <string>
#include <thread>

#include <gtest/gtest.h>
#include "support/broken_down_time.h"

using namespace wuvo::platform;

namespace {

// Capacity the stamp texts use.
constexpr size_t kRoom = 100;

std::tm Time(int year, int month, int day, int weekday, int hour, int minute, int second)
{
    return wuvo::test::BrokenDownTime(year, month, day, hour, minute, second, weekday);
}

const std::tm kNewYearsEve = Time(2023, 12, 31, 0, 21, 50, 38);
const std::tm kEarlyMorning = Time(2024, 1, 5, 5, 7, 8, 9);

std::u16string Format(std::u16string_view format, const std::tm& time, std::u16string_view locale = u"C",
                      size_t capacity = kRoom)
{
    std::u16string out(capacity, u'?');
    size_t length = FormatTime(out.data(), capacity, format, time, locale);
    EXPECT_EQ(out.find(u'\0'), length) << "length and terminator agree";
    return out.substr(0, length);
}

}  // namespace

TEST(TimeFormat, HashDropsLeadingZerosOfNumbersOnly)
{
    EXPECT_EQ(Format(u"%#d %#m %#H %#I %#M %#S %#y %#j", kEarlyMorning), u"5 1 7 7 8 9 24 5");
    EXPECT_EQ(Format(u"%d %m %H %I %M %S %y %j", kEarlyMorning), u"05 01 07 07 08 09 24 005");
    EXPECT_EQ(Format(u"%#D|%#T|%#F|%#R|%#r", kEarlyMorning), u"1/5/24|7:8:9|2024-1-5|7:8|7:8:9 AM");
    EXPECT_EQ(Format(u"%D|%T|%F|%R", kEarlyMorning), u"01/05/24|07:08:09|2024-01-05|07:08");
    EXPECT_EQ(Format(u"%#e|%e", kEarlyMorning), u"5| 5");
    EXPECT_EQ(Format(u"%#a %#b %#p %#%", kEarlyMorning), u"Fri Jan AM %") << "no effect on names";
    EXPECT_EQ(Format(u"%Ey %Od %EY", kEarlyMorning), u"24 05 2024") << "E and O are ignored";
}

TEST(TimeFormat, LongDatesFollowTheRuntimesPictures)
{
    EXPECT_EQ(Format(u"%#x", kNewYearsEve), u"Sunday, December 31, 2023");
    EXPECT_EQ(Format(u"%#x", kEarlyMorning), u"Friday, January 5, 2024") << "no leading zero under #";
    EXPECT_EQ(Format(u"%#x", kEarlyMorning, u"german"), u"Freitag, 5. Januar 2024");
    EXPECT_EQ(Format(u"%#x", kNewYearsEve, u"spanish"), u"domingo, 31 de diciembre de 2023") << "quoted text";
    EXPECT_EQ(Format(u"%#x", kNewYearsEve, u"hungarian"), u"2023. december 31., vasárnap");
    EXPECT_EQ(Format(u"%#c", kNewYearsEve), u"Sunday, December 31, 2023, 21:50:38");
}

TEST(TimeFormat, UnknownLocaleNamesFallBackToC)
{
    EXPECT_EQ(Format(u"%A %B %p", kNewYearsEve, u"klingon"), u"Sunday December PM");
    EXPECT_EQ(Format(u"%#x", kNewYearsEve, u""), u"Sunday, December 31, 2023");
    EXPECT_EQ(Format(u"%A", kNewYearsEve, u"GERMAN"), u"Sonntag") << "names match without regard to case";
}

TEST(TimeFormat, FailsWholeOnUnknownConversionsAndShortBuffers)
{
    EXPECT_EQ(Format(u"%H %Q", kNewYearsEve), u"");
    EXPECT_EQ(Format(u"%H %", kNewYearsEve), u"") << "a lone % at the end";
    EXPECT_EQ(Format(u"%H %#", kNewYearsEve), u"");
    EXPECT_EQ(Format(u"100%%", kNewYearsEve), u"100%");

    EXPECT_EQ(Format(u"%H:%M:%S", kNewYearsEve, u"C", 9), u"21:50:38") << "text and terminator just fit";
    EXPECT_EQ(Format(u"%H:%M:%S", kNewYearsEve, u"C", 8), u"") << "no room for the terminator";
    std::u16string longFormat;
    for (int i = 0; i < 15; ++i)
        longFormat += u"%A ";
    EXPECT_EQ(Format(longFormat, kNewYearsEve), u"") << "15 weekday names overflow 100 characters";
}

TEST(TimeFormat, KeepsLiteralTextOutsideTheBasicPlane)
{
    EXPECT_EQ(Format(u"\U0001F600 %H\r%M 日", kNewYearsEve), u"\U0001F600 21\r50 日");
}

TEST(TimeFormat, WorksOutTheDayOfTheYearItIsNotGiven)
{
    EXPECT_EQ(Format(u"%j", Time(2024, 3, 1, 5, 0, 0, 0)), u"061") << "after a leap day";
    EXPECT_EQ(Format(u"%j", Time(2023, 3, 1, 3, 0, 0, 0)), u"060");
    EXPECT_EQ(Format(u"%U %W", Time(2024, 1, 8, 1, 0, 0, 0)), u"01 02");
}

TEST(TimeFormat, NeverSwitchesTheProcessLocale)
{
    std::string before = std::setlocale(LC_ALL, nullptr);
    Format(u"%A", kNewYearsEve, u"german");
    EXPECT_EQ(std::setlocale(LC_ALL, nullptr), before);
}

TEST(TimeFormatThreads, TwoLanguagesFormatAtOnce)
{
    constexpr int kRounds = 300;
    auto formatMany = [](std::u16string_view locale, std::u16string_view expected, int* mismatches) {
        for (int i = 0; i < kRounds; ++i) {
            char16_t text[kRoom];
            FormatTime(text, kRoom, u"%A %#d %B %Y", kNewYearsEve, locale);
            if (text != expected)
                ++*mismatches;
        }
    };
    int germanMismatches = 0;
    int frenchMismatches = 0;
    std::thread german(formatMany, u"german", u"Sonntag 31 Dezember 2023", &germanMismatches);
    std::thread french(formatMany, u"french", u"dimanche 31 décembre 2023", &frenchMismatches);
    german.join();
    french.join();
    EXPECT_EQ(germanMismatches, 0);
    EXPECT_EQ(frenchMismatches, 0);
}

TEST(CaseFold, ChangesOnlyTheLettersAToZWithinTheField)
{
    char16_t text[] = u"Straße ÿz дек AM";
    UpperCaseAscii(text, std::size(text));
    EXPECT_EQ(std::u16string(text), u"STRAßE ÿZ дек AM");
    LowerCaseAscii(text, std::size(text));
    EXPECT_EQ(std::u16string(text), u"straße ÿz дек am");

    char16_t field[4] = {u'a', u'b', u'c', u'd'};
    UpperCaseAscii(field, 3);
    EXPECT_EQ(std::u16string(field, 4), u"ABCd") << "stops at the field's end without a terminator";
}
