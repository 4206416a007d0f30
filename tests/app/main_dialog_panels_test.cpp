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
    constexpr uint32_t kFps = 30;
    FakeTextRenderer renderer;
    platform::TextRenderer* previous = ReplaceStampTextRenderer(&renderer);
    gSettings.idle = 0;
    StampContext* context = CreateStampContext();
    SetBaseWeights(*context);
    MarkNoPreviousFrame(*context);
    StampSchedule date = MakeStampSchedule(gSettings.dateStamp, kFps);
    StampSchedule time = MakeStampSchedule(gSettings.timeStamp, kFps);
    std::vector<uint8_t> luma(320 * 240);
    for (uint32_t n = 0; n < 2 * kFps; ++n) {
        FrameClock clock;
        clock.date = {2024, 5, 17, 23, 59, 58 + static_cast<int32_t>(n / kFps), static_cast<int32_t>(n)};
        clock.timescale = 30000;
        clock.averageDelta = 1001;
        StampFrameAt(*context, date, time, luma.data(), 320, 240, n, clock, 1.0f, 1.0f);
        CarryToPreviousFrame(*context);
    }
    FreeStampContext(context);
    gSettings.idle = 1;
    ReplaceStampTextRenderer(previous);
    return renderer.drawn;
}

std::function<void(wxDialog&)> ChooseLanguage(uint32_t language)
{
    return [language](wxDialog& dialog) {
        SelectChoice(&dialog, kIdLanguage, static_cast<int>(language));
        Click(&dialog, wxID_OK);
    };
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
    void ChooseDateFormat(int item)
    {
        auto* list = static_cast<wxOwnerDrawnComboBox*>(dialog_->FindWindow(kIdDateFormat));
        list->SetSelection(item);
        wxCommandEvent chosen(wxEVT_COMBOBOX, kIdDateFormat);
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
    ChooseDateFormat(0);
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
    char16_t savedDates[kDateFormatEntries][kFormatChars];
    char16_t savedTime[kFormatChars];
    std::memcpy(savedDates, DateFormatTable, sizeof savedDates);
    std::memcpy(savedTime, TimeFormatTable[kCustomFormat], sizeof savedTime);
    std::memcpy(DateFormatTable[kDateFormatsPerGroup * DateFormatGroup(kDefaultLanguage)], u"%#x\\n%#I:%M:%S%p",
                sizeof u"%#x\\n%#I:%M:%S%p");

    // In English a custom date without a time; then the Default language,
    // whose custom date holds a time.
    ui_.ExpectDialog("Wuvo Preferences", ChooseLanguage(kEnglish));
    dialog_->OnPreferences();
    ui_.ExpectDialog("Wuvo Custom Format", [](wxDialog& dialog) {
        Type(&dialog, kIdFormatText, "Day %d/%m/%Y");
        Click(&dialog, wxID_OK);
    });
    ChooseDateFormat(0);
    EXPECT_EQ(gSettings.dateStamp.hasTime, 0u);
    ui_.ExpectDialog("Wuvo Preferences", ChooseLanguage(kDefaultLanguage));
    dialog_->OnPreferences();

    // A custom time that would draw nothing is refused; the stamp keeps its own.
    ui_.ExpectDialog("Wuvo Custom Format", [this](wxDialog& dialog) {
        Type(&dialog, kIdFormatText, "%H:%M %Q");
        ui_.ExpectMessage("unknown or unfinished conversion", MessageAnswer::Ok);
        Click(&dialog, wxID_OK);
        EXPECT_TRUE(dialog.IsShown());
        Click(&dialog, wxID_CANCEL);
    });
    SelectChoice(dialog_, kIdTimeFormat, 0);

    dialog_->StopPreview();
    std::vector<std::u16string> dates;
    std::vector<std::u16string> times;
    for (const std::u16string& text : TextsABatchDraws())
        (text.find(u'\r') != std::u16string::npos ? dates : times).push_back(text);
    ASSERT_EQ(dates.size(), 2u) << "the two-line custom date is drawn each second, as the preview shows it";
    EXPECT_NE(dates[0], dates[1]);
    ASSERT_EQ(times.size(), 2u);
    EXPECT_NE(times[0].find(u"23:59:58 EST"), std::u16string::npos);

    std::memcpy(DateFormatTable, savedDates, sizeof savedDates);
    std::memcpy(TimeFormatTable[kCustomFormat], savedTime, sizeof savedTime);
}
