#include "app/dialogs/format_samples.h"

#include <string>

#include <gtest/gtest.h>

#include "engine/text/format_tables.h"
#include "support/stamp_languages.h"

using namespace wuvo;

using namespace wuvo::test;

TEST(DateFormatList, ItemCountsPerLanguage)
{
    EXPECT_EQ(DateFormatItemCount(kNumeric), 7u);
    EXPECT_EQ(DateFormatItemCount(kChinese), 3u);
    for (uint32_t language = kEnglish; language < kLanguageCount; ++language)
        EXPECT_EQ(DateFormatItemCount(language), 8u) << language;
    EXPECT_EQ(DateFormatItemCount(kLanguageCount), 0u) << "a language past the table offers nothing";
}

TEST(DateFormatList, ItemsShowTheSampleDateInTheLanguage)
{
    for (uint32_t language : {kNumeric, kChinese, kEnglish, kGerman})
        EXPECT_EQ(DateFormatItemText(language, 0), u"Custom");
    EXPECT_EQ(DateFormatItemText(kNumeric, 1), u"2003-06-22");
    EXPECT_EQ(DateFormatItemText(kNumeric, 6), u"06.22.2003");
    EXPECT_EQ(DateFormatItemText(kEnglish, 5), u"June 22, 2003");
    // The sample's weekday field says Friday, whatever the calendar says.
    EXPECT_EQ(DateFormatItemText(kEnglish, 7), u"Friday June 22, 2003");
    EXPECT_EQ(DateFormatItemText(kDefaultLanguage, 4), u"Friday 22 June 2003");
    EXPECT_EQ(DateFormatItemText(kGerman, 2), u"22 Juni 2003");
    EXPECT_EQ(DateFormatItemText(kGerman, 7), u"Fr 22 Jun 2003");
    EXPECT_EQ(DateFormatItemText(kChinese, 1), u"2003年6月22日");
    EXPECT_EQ(DateFormatItemText(kChinese, 3), u"") << "an empty entry of the group";
}

TEST(CustomFormatPreview, SampleDateAndTimeWithTheCaseRule)
{
    EXPECT_EQ(PreviewCustomFormat(u"%B %#d, %Y", kEnglish, false).text, u"June 22, 2003");
    EXPECT_EQ(PreviewCustomFormat(u"%I:%M:%S%p", kEnglish, false).text, u"09:26:38pm");
    EXPECT_EQ(PreviewCustomFormat(u"%I:%M:%S%p", kEnglish, true).text, u"09:26:38PM");
    EXPECT_EQ(PreviewCustomFormat(u"%A %#d %B %Y", kEnglish, false).text, u"Friday 22 June 2003");
    EXPECT_EQ(PreviewCustomFormat(u"%d. %B", kGerman, true).text, u"22. JUNI");
    EXPECT_EQ(PreviewCustomFormat(u"", kEnglish, false).text, u"");
    // The line break a custom format may hold shows as typed.
    EXPECT_EQ(PreviewCustomFormat(u"%Y\\n%H", kEnglish, false).text, u"2003\\n21");
}

TEST(CustomFormatPreview, FormatsTheStampCannotShowHaveNoPreview)
{
    const std::u16string longest(99, u'x');
    CustomFormatPreview fits = PreviewCustomFormat(longest, kEnglish, false);
    EXPECT_EQ(fits.problem, FormatProblem::None);
    EXPECT_EQ(fits.text, longest);
    EXPECT_EQ(PreviewCustomFormat(longest + u"x", kEnglish, false).problem, FormatProblem::FormatTooLong);
    EXPECT_EQ(PreviewCustomFormat(u"%A%A%A%A%A%A%A%A%A%A%A%A%A%A%A%A%A", kEnglish, false).problem,
              FormatProblem::TextTooLong);
    for (const char16_t* bad : {u"%Y %", u"%Q", u"%#"})
        EXPECT_EQ(PreviewCustomFormat(bad, kEnglish, false).problem, FormatProblem::UnknownConversion);
    EXPECT_EQ(PreviewCustomFormat(u"100%%", kEnglish, false).text, u"100%");
}

TEST(FormatField, TextsAreCutToNinetyNineUnitsNeverInsideAPair)
{
    const std::u16string longest(99, u'a');
    EXPECT_EQ(FitFormatField(longest).text, longest);
    EXPECT_FALSE(FitFormatField(longest).cut);
    FieldFit cut = FitFormatField(longest + u"b");
    EXPECT_TRUE(cut.cut);
    EXPECT_EQ(cut.text, longest);
    // A character outside the basic plane takes two units; half of it would
    // be a broken text.
    FieldFit pair = FitFormatField(std::u16string(98, u'a') + u"\U0001F600" + u"z");
    EXPECT_TRUE(pair.cut);
    EXPECT_EQ(pair.text, std::u16string(98, u'a'));
}
