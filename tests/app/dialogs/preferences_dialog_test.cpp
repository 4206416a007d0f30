#include "app/dialogs/preferences_dialog.h"

#include <gtest/gtest.h>
#include <wx/slider.h>

#include "app/dialogs/dialog_ids.h"
#include "app/settings/settings_file.h"
#include "support/app_harness.h"
#include "support/dialog_events.h"
#include "support/screenshot.h"

using namespace wuvo;
using namespace wuvo::test;

namespace {

class PreferencesDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        ResetSettings(gSettings);
        ASSERT_TRUE(dialog.Create(&gSettings));
        dialog.Show();
        Pump();
    }
    int Slider() const { return static_cast<wxSlider*>(dialog.FindWindow(kIdBitrateSlider))->GetValue(); }

    ScriptedUi ui;
    CPreference dialog{nullptr};
};

}  // namespace

TEST_F(PreferencesDialogTest, OpensOnTheSettingsAndOkUntouchedChangesNoByte)
{
    EXPECT_TRUE(SaveWindowShot(&dialog, "preferences_dialog"));
    EXPECT_EQ(EditText(&dialog, kIdBitrateMbps), "25");
    EXPECT_EQ(Slider(), 250);
    EXPECT_EQ(EditText(&dialog, kIdRenamePattern), "@N-20@F@f-@L@l");
    EXPECT_FALSE(IsEnabled(&dialog, kIdRenamePattern));
    EXPECT_FALSE(IsEnabled(&dialog, kIdSpeedUpFactor));
    const std::string before = SettingsBytes();
    Click(&dialog, wxID_OK);
    EXPECT_EQ(dialog.GetReturnCode(), wxID_OK);
    EXPECT_EQ(SettingsBytes(), before);
}

TEST_F(PreferencesDialogTest, BitrateSliderAndEditStayInStep)
{
    SelectChoice(&dialog, kIdOutputSize, 4);
    EXPECT_EQ(Slider(), 150);
    EXPECT_EQ(EditText(&dialog, kIdBitrateMbps), "15");
    ui.ExpectMessage("you need to adjust bitrate accordingly", MessageAnswer::Ok);
    SelectChoice(&dialog, kIdOutputSize, kNativeOutputSize);
    EXPECT_EQ(EditText(&dialog, kIdBitrateMbps), "70");

    TypeAndLeave(&dialog, kIdBitrateMbps, "2.55");
    EXPECT_EQ(Slider(), 26);
    EXPECT_EQ(EditText(&dialog, kIdBitrateMbps), "2.6");
    TypeAndLeave(&dialog, kIdBitrateMbps, "200");
    EXPECT_EQ(Slider(), 1500);
    ui.ExpectMessage("Please enter a number.", MessageAnswer::Ok);
    TypeAndLeave(&dialog, kIdBitrateMbps, "fast");
    EXPECT_EQ(Slider(), 1500);

    // A slider moved by the keyboard sends no release; the edit follows all the same.
    MoveSlider(&dialog, kIdBitrateSlider, 777);
    EXPECT_EQ(EditText(&dialog, kIdBitrateMbps), "77.7");
    Click(&dialog, wxID_OK);
    EXPECT_EQ(gSettings.bitrate, 777u);
    EXPECT_EQ(gSettings.outputSize, kNativeOutputSize);
}

TEST_F(PreferencesDialogTest, NumbersAreClampedAsTheyAreLeftOrTyped)
{
    TypeAndLeave(&dialog, kIdAdjustDays, "20");
    EXPECT_EQ(EditText(&dialog, kIdAdjustDays), "16");
    TypeAndLeave(&dialog, kIdAdjustDays, "-30");
    EXPECT_EQ(EditText(&dialog, kIdAdjustDays), "-16");
    SetCheck(&dialog, kIdSpeedUp, true);
    EXPECT_TRUE(IsEnabled(&dialog, kIdSpeedUpFactor));
    Type(&dialog, kIdSpeedUpFactor, "1");
    EXPECT_EQ(EditText(&dialog, kIdSpeedUpFactor), "2");
    Type(&dialog, kIdSpeedUpFactor, "11");
    EXPECT_EQ(EditText(&dialog, kIdSpeedUpFactor), "10");
    Type(&dialog, kIdSpeedUpFactor, "");  // emptied to type anew: no prompt yet
    // Typed and confirmed without leaving the edit.
    Type(&dialog, kIdAdjustHours, "-99");
    Type(&dialog, kIdSpeedUpFactor, "4");
    Click(&dialog, wxID_OK);
    EXPECT_EQ(gSettings.adjustDays, -16);
    EXPECT_EQ(gSettings.adjustHours, -23);
    EXPECT_EQ(gSettings.speedUp, 1u);
    EXPECT_EQ(gSettings.speedUpFactor, 4u);
}

TEST_F(PreferencesDialogTest, GreyedFieldsAreNotCheckedAndHugeNumbersAreClamped)
{
    SetCheck(&dialog, kIdSpeedUp, true);
    Type(&dialog, kIdSpeedUpFactor, "");
    SetCheck(&dialog, kIdSpeedUp, false);
    SetCheck(&dialog, kIdRenameOutput, true);
    Type(&dialog, kIdRenamePattern, "a/@N");
    SetCheck(&dialog, kIdRenameOutput, false);
    TypeAndLeave(&dialog, kIdAdjustYears, "99999999999");
    EXPECT_EQ(EditText(&dialog, kIdAdjustYears), "50");
    Type(&dialog, kIdAdjustMinutes, "-99999999999");
    Type(&dialog, kIdBitrateMbps, "1e39");
    Click(&dialog, wxID_OK);
    EXPECT_FALSE(dialog.IsShown()) << "no prompt about a greyed or a too large field";
    EXPECT_EQ(gSettings.speedUp, 0u);
    EXPECT_EQ(gSettings.speedUpFactor, 5u);
    EXPECT_EQ(gSettings.adjustYears, 50);
    EXPECT_EQ(gSettings.adjustMinutes, -59);
    EXPECT_EQ(gSettings.bitrate, kMaxBitrate);
}

TEST_F(PreferencesDialogTest, APatternThatNamesAFolderIsRefusedALongOneCut)
{
    SetCheck(&dialog, kIdRenameOutput, true);
    Type(&dialog, kIdRenamePattern, "../@N");
    ui.ExpectMessage("cannot contain \"/\"", MessageAnswer::Ok);
    const std::string before = SettingsBytes();
    Click(&dialog, wxID_OK);
    EXPECT_TRUE(dialog.IsShown());
    EXPECT_EQ(SettingsBytes(), before);

    Type(&dialog, kIdRenamePattern, wxString('n', 100));
    ui.ExpectMessage("Custom format length too long, truncated.", MessageAnswer::Ok);
    SelectChoice(&dialog, kIdLanguage, 12);
    Click(&dialog, wxID_OK);
    EXPECT_EQ(std::u16string(gSettings.renamePattern), std::u16string(99, u'n'));
    EXPECT_EQ(gSettings.renameOutput, 1u);
    EXPECT_EQ(gSettings.language, 12u);
}

TEST_F(PreferencesDialogTest, CancelStoresNothing)
{
    SelectChoice(&dialog, kIdLanguage, 1);
    TypeAndLeave(&dialog, kIdAdjustYears, "5");
    SetCheck(&dialog, kIdDisableAudio, true);
    const std::string before = SettingsBytes();
    Click(&dialog, wxID_CANCEL);
    EXPECT_FALSE(dialog.IsShown());
    EXPECT_EQ(SettingsBytes(), before);
}
