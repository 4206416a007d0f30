#include <cstring>

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/odcombo.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "app/settings/settings_file.h"
#include "engine/text/format_tables.h"
#include "support/app_harness.h"
#include "support/dialog_events.h"

using namespace wuvo;
using namespace wuvo::test;

namespace {

class MainDialogPanelsTest : public testing::Test {
protected:
    void SetUp() override
    {
        dialog_ = MakeMainDialog();
        dialog_->Show();
        Pump();
    }
    void TearDown() override { CloseQuietly(dialog_); }
    wxButton* Button(int id) { return static_cast<wxButton*>(dialog_->FindWindow(id)); }
    // The pointer held down on a button, as a person holds it.
    void PressAndHold(int id)
    {
        pointer_.MouseMove(Button(id)->GetScreenRect().GetPosition() + Button(id)->GetSize() / 2);
        Pump();
        pointer_.MouseDown();
        PumpUntil([&] { return wxGetMouseState().LeftIsDown(); }, 5);
        Pump();
    }
    void Release()
    {
        pointer_.MouseUp();
        Pump();
    }

    ScratchFolder home_;
    ScopedEnv local_{"LOCALAPPDATA", home_.Path()};
    ScriptedUi ui_;
    wxUIActionSimulator pointer_;
    CWuvoDlg* dialog_ = nullptr;
};

}  // namespace

TEST_F(MainDialogPanelsTest, AHeldNudgeSpeedsUpAndStopsOnReleaseOrWhenDisabled)
{
    // Three seconds held: the press and twelve ticks of 250 ms.
    PressAndHold(kIdDateRight);
    EXPECT_EQ(gSettings.dateStamp.x, 65) << "the press moves at once";
    for (int tick = 0; tick < 12; ++tick)
        dialog_->OnTimer();
    EXPECT_EQ(gSettings.dateStamp.x, 64 + 1 + 3 * 1 + 3 * 3 + 3 * 6 + 3 * 10);
    Release();
    EXPECT_EQ(dialog_->RepeatStep(), 1u) << "the release ends the repeat";
    dialog_->OnTimer();
    EXPECT_EQ(gSettings.dateStamp.x, 125) << "no tick after the release";

    // A button disabled under the held pointer ends its repeat at the next tick.
    PressAndHold(kIdTimeUp);
    EXPECT_EQ(gSettings.timeStamp.y, 959);
    Button(kIdTimeUp)->Disable();
    dialog_->OnTimer();
    dialog_->OnTimer();
    EXPECT_EQ(gSettings.timeStamp.y, 959);
    Release();

    // Past the frame's edge (1920 x 1080 without a video) a position stops.
    auto* dateX = static_cast<wxTextCtrl*>(dialog_->FindWindow(kIdDateX));
    dateX->ChangeValue("1890");
    Click(dialog_, kIdDateRight);
    Click(dialog_, kIdDateRight);
    EXPECT_EQ(gSettings.dateStamp.x, 1892) << "a click nudges by one";
    dateX->ChangeValue("5000");
    dialog_->OnEnKillfocusDateX();
    EXPECT_EQ(dateX->GetValue(), "1900");
    EXPECT_TRUE(SettingsModified);
}

TEST_F(MainDialogPanelsTest, TheCustomEntrySetsWhatTheStampShowsEvenWhenCancelled)
{
    std::memcpy(DateFormatTable[kDateFormatsPerGroup * DateFormatGroup(gSettings.language)], u"%H:%M",
                sizeof u"%H:%M");
    SettingsModified = false;
    ui_.ExpectDialog("Wuvo Custom Format", [](wxDialog& dialog) { dialog.EndModal(wxID_CANCEL); });
    auto* list = static_cast<wxOwnerDrawnComboBox*>(dialog_->FindWindow(kIdDateFormat));
    list->SetSelection(0);
    wxCommandEvent chosen(wxEVT_COMBOBOX, kIdDateFormat);
    chosen.SetEventObject(list);
    list->GetEventHandler()->ProcessEvent(chosen);
    EXPECT_EQ(gSettings.dateStamp.formatIndex, 0u);
    EXPECT_EQ(gSettings.dateStamp.hasDate, 0u);
    EXPECT_EQ(gSettings.dateStamp.hasTime, 1u);
    EXPECT_TRUE(SettingsModified);

    SetCheck(dialog_, kIdTimeStamp, false);
    EXPECT_EQ(gSettings.timeStamp.enabled, 0u);
    EXPECT_FALSE(IsEnabled(dialog_, kIdTimeFormat));
    EXPECT_FALSE(IsEnabled(dialog_, kIdTimeDuration));
    EXPECT_TRUE(IsEnabled(dialog_, kIdTimeStamp));
}
