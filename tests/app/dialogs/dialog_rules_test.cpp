#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "app/dialogs/duration_checks.h"
#include "app/dialogs/font_attributes.h"
#include "app/dialogs/preference_rules.h"
#include "app/settings/settings_file.h"
#include "app/ui/number_text.h"

using namespace wuvo;

namespace {

DurationSettings Defaults()
{
    AppSettings settings;
    ResetSettings(settings);
    return DurationOf(settings.dateStamp);
}

}  // namespace

TEST(DurationChecks, ZeroSecondsGetTheirReplacements)
{
    DurationSettings d = Defaults();
    d.sceneChangeSeconds = d.dateChangeSeconds = d.fadeSeconds = d.delaySeconds = 0;
    EXPECT_EQ(CheckDurationField(d, DurationField::SceneChange),
              std::vector<std::u16string>{u"Invalid stamp duration (0 sec)!"});
    EXPECT_EQ(d.sceneChangeSeconds, 8u);
    EXPECT_EQ(CheckDurationField(d, DurationField::DateChange),
              std::vector<std::u16string>{u"Invalid stamp duration (0 sec)!"});
    EXPECT_EQ(d.dateChangeSeconds, 7u);
    EXPECT_EQ(CheckDurationField(d, DurationField::Fade),
              std::vector<std::u16string>{u"Invalid fade duration (0 sec)!"});
    EXPECT_EQ(d.fadeSeconds, 1u);
    EXPECT_EQ(CheckDurationField(d, DurationField::Delay),
              std::vector<std::u16string>{u"Invalid delay duration (0 sec)!"});
    EXPECT_EQ(d.delaySeconds, 1u);
}

TEST(DurationChecks, PeriodicOnTimeMustBeShorterThanThePeriod)
{
    DurationSettings d = Defaults();
    EXPECT_TRUE(CheckDurationField(d, DurationField::Periodic).empty()) << "3 of 60 seconds";
    d.periodicSeconds = 60;
    EXPECT_EQ(CheckDurationField(d, DurationField::Periodic),
              std::vector<std::u16string>{u"On time (60 sec) must be smaller than period (60 sec)"});
    EXPECT_EQ(d.periodicSeconds, 6u);
    EXPECT_EQ(d.periodSeconds, 60u);
    // Both faults at once: both are said, and what is left works.
    d.periodicSeconds = 0;
    d.periodSeconds = 4;
    EXPECT_EQ(CheckDurationField(d, DurationField::Periodic),
              (std::vector<std::u16string>{u"Invalid stamp on (0 sec)!",
                                           u"On time (6 sec) must be smaller than period (4 sec)"}));
    EXPECT_EQ(d.periodicSeconds, 6u);
    EXPECT_EQ(d.periodSeconds, 60u);
}

TEST(DurationChecks, FadeInAndOutMustFitTheOnTimeOfTheMode)
{
    DurationSettings d = Defaults();
    d.showMode = kShowOnSceneChange;
    d.sceneChangeSeconds = 5;
    d.fadeSeconds = 3;
    EXPECT_EQ(CheckDurationField(d, DurationField::Fade),
              std::vector<std::u16string>{u"Fade in/out (2 x 3 sec) must not be larger than total on time (5 sec)"});
    EXPECT_EQ(d.fadeSeconds, 2u);
    d.showMode = kShowOnDateChange;
    d.dateChangeSeconds = 4;
    EXPECT_TRUE(CheckDurationField(d, DurationField::Fade).empty()) << "2 x 2 fits 4";
    d.showMode = kShowPeriodically;
    d.periodicSeconds = 3;
    EXPECT_EQ(CheckDurationField(d, DurationField::Fade).size(), 1u);
    EXPECT_EQ(d.fadeSeconds, 1u);
    // On every frame the fade has nothing to fit into.
    d.showMode = kShowEveryFrame;
    d.fadeSeconds = kMaxDurationSeconds;
    EXPECT_TRUE(CheckDurationField(d, DurationField::Fade).empty());
}

TEST(DurationChecks, EnablesAndChecksFollowTheMode)
{
    DurationSettings d = Defaults();
    d.fadeOn = d.delayOn = 1;
    DurationEnables everyFrame = EnablesFor(d);
    EXPECT_FALSE(everyFrame.sceneChange || everyFrame.dateChange || everyFrame.periodic || everyFrame.options ||
                 everyFrame.fadeSeconds || everyFrame.delaySeconds);
    EXPECT_TRUE(EnabledChecks(d).empty());
    d.showMode = kShowPeriodically;
    DurationEnables periodic = EnablesFor(d);
    EXPECT_TRUE(periodic.periodic && periodic.options && periodic.fadeSeconds && periodic.delaySeconds);
    EXPECT_FALSE(periodic.sceneChange || periodic.dateChange);
    EXPECT_EQ(EnabledChecks(d),
              (std::vector<DurationField>{DurationField::Periodic, DurationField::Fade, DurationField::Delay}));
    d.showMode = kShowOnSceneChange;
    d.delayOn = 0;
    EXPECT_EQ(EnabledChecks(d), (std::vector<DurationField>{DurationField::SceneChange, DurationField::Fade}));
}

TEST(PreferenceRules, AdjustmentsAndFactorAreClamped)
{
    EXPECT_EQ(ClampAdjustment(Adjustment::Years, 51), 50);
    EXPECT_EQ(ClampAdjustment(Adjustment::Months, -12), -11);
    EXPECT_EQ(ClampAdjustment(Adjustment::Hours, 23), 23);
    EXPECT_EQ(ClampAdjustment(Adjustment::Minutes, std::numeric_limits<int32_t>::min()), -59);
    EXPECT_EQ(ClampAdjustment(Adjustment::Seconds, 60), 59);
    EXPECT_EQ(ClampSpeedUpFactor(-7), 2u);
    EXPECT_EQ(ClampSpeedUpFactor(7), 7u);
}

TEST(PreferenceRules, TypedMbpsRoundHalfUpInFloat)
{
    EXPECT_EQ(BitratePositionFromMbps(0.5f), 20u);
    EXPECT_EQ(BitratePositionFromMbps(200.0f), 1500u);
    // 2.55 is stored a little below; its float product with 10 is 25.5.
    EXPECT_EQ(BitratePositionFromMbps(2.55f), 26u);
    EXPECT_EQ(BitratePositionFromMbps(2.45f), 25u);
    EXPECT_EQ(BitratePositionFromMbps(-3.0f), 20u);
    EXPECT_EQ(BitratePositionFromMbps(std::numeric_limits<float>::max()), 1500u);
    EXPECT_EQ(BitratePositionFromMbps(std::nanf("")), 20u);
    // Every slider position survives the edit: shown, read back, rounded.
    for (uint32_t position = kMinBitrate; position <= kMaxBitrate; ++position) {
        std::optional<float> read = ParseRealText(RealText(MbpsFromPosition(position)));
        ASSERT_TRUE(read.has_value()) << position;
        ASSERT_EQ(BitratePositionFromMbps(*read), position);
    }
    EXPECT_EQ(RealText(MbpsFromPosition(26)), "2.6");
    EXPECT_EQ(RealText(MbpsFromPosition(250)), "25");
}

TEST(PreferenceRules, SizesPatternAndTheStoredFields)
{
    EXPECT_EQ(BitrateForOutputSize(0), 20u);
    EXPECT_EQ(BitrateForOutputSize(6), 250u);
    EXPECT_FALSE(PatternNamesFolder(u"@N-20@F@f-@L@l"));
    EXPECT_TRUE(PatternNamesFolder(u"trips/@N"));

    AppSettings settings;
    ResetSettings(settings);
    settings.nvEncoderSelected = settings.nvDecoderAvailable = 1;
    PreferenceValues values = PreferencesOf(settings);
    values.adjustments = {1, -2, 3, -4, 5, -6};
    EXPECT_FALSE(StorePreferences(values, settings));
    EXPECT_EQ(settings.adjustYears, 1);
    EXPECT_EQ(settings.adjustSeconds, -6);
    EXPECT_EQ(settings.nvDecoderAvailable, 0u) << "the standard codec path, always";
    EXPECT_EQ(settings.nvEncoderSelected, 0u);
}

TEST(NumberText, EditsAreReadAsTheExchangeReadsThem)
{
    EXPECT_EQ(ParseUnsignedText(" 300 "), 300u);
    EXPECT_EQ(ParseUnsignedText("4294967295"), 4294967295u);
    for (const char* refused : {"", " ", "-1", "+1", "12a", "99999999999x", "1.5"})
        EXPECT_FALSE(ParseUnsignedText(refused)) << refused;
    EXPECT_EQ(ParseSignedText("-50"), -50);
    EXPECT_EQ(ParseSignedText("+7"), 7);
    for (const char* refused : {"", "--1", "+-1", "3 4"})
        EXPECT_FALSE(ParseSignedText(refused)) << refused;
    EXPECT_EQ(ParseRealText(" 2.55"), 2.55f);
    EXPECT_EQ(ParseRealText("15"), 15.0f);
    // Numbers too large for their type are the largest, to be limited as any.
    EXPECT_EQ(ParseUnsignedText("99999999999"), UINT32_MAX);
    EXPECT_EQ(ParseSignedText("2147483648"), INT32_MAX);
    EXPECT_EQ(ParseSignedText("-99999999999"), INT32_MIN);
    EXPECT_EQ(ParseRealText("1e39"), FLT_MAX);
    EXPECT_EQ(ParseRealText("-1e400"), -FLT_MAX);
    EXPECT_EQ(ParseRealText("1e-400"), 0.0f);
    for (const char* refused : {"", "abc", "inf", "nan", "2,5"})
        EXPECT_FALSE(ParseRealText(refused)) << refused;
}

TEST(FontAttributes, FontStatus)
{
    EXPECT_EQ(FontStatusText(u"Liberation Sans", u"liberation sans", 360), u"Stamp font: liberation sans, 36 pt");
    EXPECT_EQ(FontStatusText(u"Segoe UI", u"DejaVu Sans", 105),
              u"Stamp font: DejaVu Sans, 10.5 pt, in place of Segoe UI");
    EXPECT_EQ(FontStatusText(u"Segoe UI", u"", 105),
              u"Segoe UI is not installed, and no other font could be loaded.");
}
