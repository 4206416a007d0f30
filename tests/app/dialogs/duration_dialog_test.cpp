#include "app/dialogs/duration_dialog.h"

#include <gtest/gtest.h>

#include "app/dialogs/dialog_ids.h"
#include "support/app_harness.h"
#include "support/dialog_events.h"
#include "support/screenshot.h"

using namespace wuvo;
using namespace wuvo::test;

namespace {

// The dialog on the date stamp of fresh settings, shown as the panel shows it.
class DurationDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        ResetSettings(gSettings);
        ASSERT_TRUE(dialog.Create(&gSettings.dateStamp));
        dialog.Show();
        Pump();
    }
    StampStyle& style = gSettings.dateStamp;
    ScriptedUi ui;
    CWuvoDuration dialog{nullptr};
};

}  // namespace

TEST_F(DurationDialogTest, OpensOnTheStampAndOkUntouchedChangesNoByte)
{
    EXPECT_TRUE(SaveWindowShot(&dialog, "duration_dialog"));
    EXPECT_TRUE(IsChecked(&dialog, kIdShowEveryFrame));
    EXPECT_EQ(EditText(&dialog, kIdPeriodSeconds), "60");
    // On every frame the seconds, fade and delay take no input.
    for (int id : {kIdSceneChangeSeconds, kIdDateChangeSeconds, kIdPeriodicSeconds, kIdFadeOn, kIdFadeSeconds,
                   kIdDelayOn, kIdDelaySeconds})
        EXPECT_FALSE(IsEnabled(&dialog, id)) << id;
    const std::string before = SettingsBytes();
    Click(&dialog, wxID_OK);
    EXPECT_EQ(dialog.GetReturnCode(), wxID_OK);
    EXPECT_EQ(SettingsBytes(), before);
}

TEST_F(DurationDialogTest, ModesEnableTheirFieldsAndCancelKeepsTheStamp)
{
    SelectRadio(&dialog, kIdShowOnDateChange);
    EXPECT_TRUE(IsEnabled(&dialog, kIdDateChangeSeconds));
    EXPECT_FALSE(IsEnabled(&dialog, kIdSceneChangeSeconds));
    EXPECT_TRUE(IsEnabled(&dialog, kIdFadeOn));
    EXPECT_FALSE(IsEnabled(&dialog, kIdFadeSeconds));
    SetCheck(&dialog, kIdFadeOn, true);
    EXPECT_TRUE(IsEnabled(&dialog, kIdFadeSeconds));
    TypeAndLeave(&dialog, kIdDateChangeSeconds, "9");
    const std::string before = SettingsBytes();
    Click(&dialog, wxID_CANCEL);
    EXPECT_FALSE(dialog.IsShown());
    EXPECT_EQ(SettingsBytes(), before);
}

TEST_F(DurationDialogTest, AFieldLeftEmptyOfTimeIsReplacedOnceWhateverTheFocusDoes)
{
    SelectRadio(&dialog, kIdShowOnDateChange);
    // A real message box takes the focus from the dialog while it is up.
    ui.ExpectMessage("Invalid stamp duration (0 sec)!", MessageAnswer::Ok,
                     [&] { LeaveEdit(&dialog, kIdDateChangeSeconds); });
    TypeAndLeave(&dialog, kIdDateChangeSeconds, "0");
    Pump();
    EXPECT_EQ(ui.Shown().size(), 1u);
    EXPECT_EQ(EditText(&dialog, kIdDateChangeSeconds), "7");
    // Leaving the corrected field again finds nothing to say.
    LeaveEdit(&dialog, kIdDateChangeSeconds);
    EXPECT_EQ(ui.Shown().size(), 1u);
}

TEST_F(DurationDialogTest, OkChecksAValueConfirmedWithEnter)
{
    SelectRadio(&dialog, kIdShowOnSceneChange);
    SetCheck(&dialog, kIdFadeOn, true);
    // Typed, never left: only OK sees them.
    Type(&dialog, kIdSceneChangeSeconds, "5");
    Type(&dialog, kIdFadeSeconds, "3");
    ui.ExpectMessage("Fade in/out (2 x 3 sec) must not be larger than total on time (5 sec)", MessageAnswer::Ok);
    const std::string before = SettingsBytes();
    Click(&dialog, wxID_OK);
    // The value put back is shown before anything is stored; OK again takes it.
    EXPECT_TRUE(dialog.IsShown());
    EXPECT_EQ(EditText(&dialog, kIdFadeSeconds), "2");
    EXPECT_EQ(SettingsBytes(), before);
    Click(&dialog, wxID_OK);
    EXPECT_EQ(dialog.GetReturnCode(), wxID_OK);
    EXPECT_EQ(style.showMode, kShowOnSceneChange);
    EXPECT_EQ(style.sceneChangeSeconds, 5u);
    EXPECT_EQ(style.fadeOn, 1u);
    EXPECT_EQ(style.fadeSeconds, 2u);
}

TEST_F(DurationDialogTest, OkRefusesTextThatIsNoNumberAndBoundsHugeOnes)
{
    SelectRadio(&dialog, kIdShowPeriodically);
    Type(&dialog, kIdPeriodSeconds, "6O");
    ui.ExpectMessage("Enter a positive integer.", MessageAnswer::Ok);
    const std::string before = SettingsBytes();
    Click(&dialog, wxID_OK);
    EXPECT_EQ(SettingsBytes(), before) << "nothing is stored while a field holds no number";
    EXPECT_TRUE(dialog.IsShown());

    // Seconds past a day would overflow when turned into frames and doubled.
    for (const char* huge : {"4000000000", "99999999999"}) {
        TypeAndLeave(&dialog, kIdPeriodSeconds, huge);
        EXPECT_EQ(EditText(&dialog, kIdPeriodSeconds), "86400") << huge;
    }
    Click(&dialog, wxID_OK);
    EXPECT_EQ(style.periodSeconds, kMaxDurationSeconds);
    EXPECT_EQ(style.periodicSeconds, 3u);
}

TEST_F(DurationDialogTest, EnterOnTheKeyboardConfirmsAndChecksWhatWasJustTyped)
{
    SelectRadio(&dialog, kIdShowOnDateChange);
    ui.ExpectMessage("Invalid stamp duration (0 sec)!", MessageAnswer::Ok);
    PressKeys(&dialog, kIdDateChangeSeconds, "0\n");
    ASSERT_TRUE(PumpUntil([&] { return EditText(&dialog, kIdDateChangeSeconds) == "7"; }));
    EXPECT_TRUE(dialog.IsShown()) << "the value put back is shown first";
    PressKeys(&dialog, kIdDateChangeSeconds, "\n");
    ASSERT_TRUE(PumpUntil([&] { return !dialog.IsShown(); }));
    EXPECT_EQ(dialog.GetReturnCode(), wxID_OK);
    EXPECT_EQ(style.showMode, kShowOnDateChange);
    EXPECT_EQ(style.dateChangeSeconds, 7u);
}
