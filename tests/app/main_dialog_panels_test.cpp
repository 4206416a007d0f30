#include <cstring>

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/odcombo.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include "app/control_ids.h"
#include "app/dialogs/dialog_ids.h"
#include "app/main_dialog.h"
#include "app/settings/settings_file.h"
#include "engine/stamp/stamp_frame.h"
#include "engine/stamp/text_rasterizer.h"
#include "engine/text/format_tables.h"
#include "support/app_harness.h"
#include "support/dialog_events.h"
#include "support/fake_text_renderer.h"
#include "support/stamp_languages.h"

using namespace wuvo;
using namespace wuvo::test;

namespace {

// The texts a batch's stamping draws over the two seconds before midnight.
std::vector<std::u16string> TextsABatchDraws()
{
    FakeTextRenderer renderer;
    platform::TextRenderer* previous = ReplaceStampTextRenderer(&renderer);
    gSettings.idle = 0;
    StampContext* context = CreateStampContext();
    SetBaseWeights(*context);
    MarkNoPreviousFrame(*context);
    StampSchedule date = MakeStampSchedule(gSettings.dateStamp, 30);
    StampSchedule time = MakeStampSchedule(gSettings.timeStamp, 30);
    std::vector<uint8_t> luma(320 * 240);
    for (int32_t n = 0; n < 60; ++n) {
        FrameClock clock{{2024, 5, 17, 23, 59, 58 + n / 30, n}, 30000, 1001};
        StampFrameAt(*context, date, time, luma.data(), 320, 240, static_cast<uint32_t>(n), clock, 1.0f, 1.0f);
        CarryToPreviousFrame(*context);
    }
    FreeStampContext(context);
    gSettings.idle = 1;
    ReplaceStampTextRenderer(previous);
    return renderer.drawn;
}

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
    void ChooseFormat(int id, int item)
    {
        auto* list = static_cast<wxOwnerDrawnComboBox*>(dialog_->FindWindow(id));
        list->SetSelection(item);
        wxCommandEvent chosen(wxEVT_COMBOBOX, id);
        chosen.SetEventObject(list);
        list->GetEventHandler()->ProcessEvent(chosen);
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
    ChooseFormat(kIdDateFormat, 0);
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

TEST_F(MainDialogPanelsTest, ABatchDrawsWhatTheCustomFormatsAndTheLanguageShow)
{
    // A custom date without a time in English, then the Default language,
    // whose custom date holds a time.
    auto chooseLanguage = [this](uint32_t language) {
        ui_.ExpectDialog("Wuvo Preferences", [language](wxDialog& dialog) {
            SelectChoice(&dialog, kIdLanguage, static_cast<int>(language));
            Click(&dialog, wxID_OK);
        });
        dialog_->OnPreferences();
    };
    std::memcpy(DateFormatTable[kDateFormatsPerGroup * 3], u"%#x\\n%#I:%M:%S%p", sizeof u"%#x\\n%#I:%M:%S%p");
    chooseLanguage(kEnglish);
    ui_.ExpectDialog("Wuvo Custom Format", [](wxDialog& dialog) {
        Type(&dialog, kIdFormatText, "Day %d/%m/%Y");
        Click(&dialog, wxID_OK);
    });
    ChooseFormat(kIdDateFormat, 0);
    chooseLanguage(kDefaultLanguage);
    // A custom time that would draw nothing is refused; the stamp keeps its own.
    ui_.ExpectDialog("Wuvo Custom Format", [this](wxDialog& dialog) {
        Type(&dialog, kIdFormatText, "%H:%M %Q");
        ui_.ExpectMessage("unknown or unfinished conversion", MessageAnswer::Ok);
        Click(&dialog, wxID_OK);
        Click(&dialog, wxID_CANCEL);
    });
    ChooseFormat(kIdTimeFormat, 0);

    dialog_->StopPreview();
    std::vector<std::u16string> drawn = TextsABatchDraws();
    ASSERT_EQ(drawn.size(), 4u) << "each stamp drawn each second, as the preview shows them";
    EXPECT_NE(drawn[0], drawn[2]);
    EXPECT_NE(drawn[0].find(u'\r'), std::u16string::npos) << "the two-line custom date";
    EXPECT_EQ(drawn[1], u"23:59:58 EST");
}
