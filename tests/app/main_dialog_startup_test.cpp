#include <filesystem>
#include <fstream>
#include <thread>

#include <unistd.h>

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/frame.h>
#include <wx/listbox.h>
#include <wx/textctrl.h>
#include <wx/weakref.h>

#include "app/control_ids.h"
#include "app/log/log_window.h"
#include "app/main_dialog.h"
#include "app/settings/settings_file.h"
#include "support/app_harness.h"

using namespace wuvo;
using namespace wuvo::test;

namespace {

// A run with its own data and temporary folders; each test starts from the
// defaults.
class MainDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        ResetSettings(gSettings);
        OutputFolder.clear();
        SettingsModified = false;
    }
    // Writes a settings file as an earlier run would have left it.
    void LeaveSettings(const std::string& path, uint32_t bitrate, const char16_t* project = u"")
    {
        ResetSettings(gSettings);
        gSettings.bitrate = bitrate;
        std::u16string text(project);
        std::copy(text.begin(), text.end() + 1, gSettings.projectPath);
        ASSERT_TRUE(WriteSettingsFile(path));
        ResetSettings(gSettings);
    }
    ScratchFolder home_;
    ScratchFolder temp_;
    std::string data_ = home_ / "data/Wuvo";
    ScopedEnv local_{"LOCALAPPDATA", data_};
    ScopedEnv tempEnv_{"TEMP", temp_.Path()};
    ScriptedUi ui_;
};

}  // namespace

TEST_F(MainDialogTest, SettingsFoundOnlyInTempAreReadAndMoveHomeOnClose)
{
    LeaveSettings(temp_ / "Wuvo.cfg", 555, u"/p/trip.wuvo");
    CWuvoDlg* dialog = MakeMainDialog();
    EXPECT_EQ(gSettings.bitrate, 555u);
    EXPECT_EQ(dialog->GetTitle(), "Orlevane - /p/trip.wuvo");
    EXPECT_EQ(static_cast<wxTextCtrl*>(dialog->FindWindow(kIdPercent))->GetValue(), "0.0%");
    EXPECT_FALSE(dialog->FindWindow(kIdStop)->IsEnabled());

    ui_.ExpectMessage("Exit Wuvo?", MessageAnswer::Cancel);
    EXPECT_FALSE(dialog->OnCancel());
    EXPECT_TRUE(std::filesystem::exists(data_ + "/Wuvo.cfg")) << "written before the question, and at home";
    EXPECT_FALSE(std::filesystem::exists(data_ + "/Wuvo.log")) << "the log is written only when closing";

    ui_.ExpectMessage("Exit Wuvo?", MessageAnswer::Ok);
    EXPECT_TRUE(dialog->OnCancel());
    Pump();
    EXPECT_TRUE(std::filesystem::exists(data_ + "/Wuvo.log"));
    ResetSettings(gSettings);
    ASSERT_TRUE(ReadSettingsFile(data_ + "/Wuvo.cfg"));
    EXPECT_EQ(gSettings.bitrate, 555u);
}

// Every user may write the temporary folder: another user's settings file
// there is not taken, and with no data folder to be had the settings and the
// log go to a folder of the user's own, not through a link planted there.
TEST_F(MainDialogTest, NothingOfAnotherUserIsTakenFromOrWrittenThroughTheTemporaryFolder)
{
    namespace fs = std::filesystem;
    constexpr uid_t kNobody = 65534;
    const uint32_t defaultBitrate = gSettings.bitrate;
    LeaveSettings(temp_ / "Wuvo.cfg", 555, u"/p/planted.wuvo");
    if (::chown((temp_ / "Wuvo.cfg").c_str(), kNobody, kNobody) != 0)
        GTEST_SKIP() << "giving a file to another user needs the administrator's rights";
    const std::string victim = home_ / "notes.txt";
    std::ofstream(victim) << "mine";
    fs::create_symlink(victim, temp_ / "Wuvo.log");
    std::ofstream(home_ / "data") << "a file where the data folder would be made";
    ScratchFolder runtime;
    ScopedEnv runtimeEnv("XDG_RUNTIME_DIR", runtime.Path());

    CWuvoDlg* dialog = MakeMainDialog();
    EXPECT_EQ(gSettings.bitrate, defaultBitrate);
    EXPECT_EQ(dialog->GetTitle(), "Orlevane");
    ui_.ExpectMessage("Exit Wuvo?", MessageAnswer::Ok);
    EXPECT_TRUE(dialog->OnCancel());
    Pump();
    EXPECT_EQ(ReadFileText(victim), "mine") << "written through the planted link";
    EXPECT_TRUE(fs::exists(runtime / "Wuvo/Wuvo.log"));
    EXPECT_EQ(fs::status(runtime / "Wuvo").permissions(), fs::perms::owner_all);
    ASSERT_TRUE(ReadSettingsFile(runtime / "Wuvo/Wuvo.cfg"));
    EXPECT_EQ(gSettings.bitrate, defaultBitrate);
}

TEST_F(MainDialogTest, SaveChangesOnCloseKeepsTheWindowWhenTheProjectCannotBeWritten)
{
    CWuvoDlg* dialog = MakeMainDialog();
    EXPECT_EQ(dialog->GetTitle(), "Orlevane");
    SettingsModified = true;

    ui_.ExpectMessage("Save changes before exiting?", MessageAnswer::Cancel);
    EXPECT_FALSE(dialog->OnCancel());
    std::u16string unwritable = u"/proc/nowhere/trip.wuvo";
    std::copy(unwritable.begin(), unwritable.end() + 1, gSettings.projectPath);
    ui_.ExpectMessage("Save changes before exiting?", MessageAnswer::Yes);
    ui_.ExpectMessage("Failed to save the project /proc/nowhere/trip.wuvo!", MessageAnswer::Ok);
    EXPECT_FALSE(dialog->OnCancel()) << "nothing may be lost";

    // Untitled: Save As runs; cancelling it still closes, as always.
    gSettings.projectPath[0] = 0;
    ui_.ExpectMessage("Save changes before exiting?", MessageAnswer::Yes);
    ui_.ExpectFiles({});
    EXPECT_TRUE(dialog->OnCancel());
    Pump();
}

// Ended by the system (logout, a closed terminal) while a dialog is open
// and with changes unsaved: the dialog is cancelled, nothing is asked, the
// settings and the log are written and the window goes. A second signal
// finds the end under way.
TEST_F(MainDialogTest, EndedByTheSystemItCancelsTheOpenDialogAndClosesWithoutAQuestion)
{
    CWuvoDlg* dialog = MakeMainDialog();
    wxWeakRef<CWuvoDlg> window(dialog);
    gSettings.bitrate = 321;
    SettingsModified = true;
    ui_.ExpectDialog("Wuvo Preferences", [dialog](wxDialog&) {
        dialog->EndForSignal();
        dialog->EndForSignal();
    });
    dialog->OnPreferences();
    EXPECT_TRUE(PumpUntil([&] { return !window; }, 10)) << "the window stayed";
    EXPECT_TRUE(ui_.Shown().empty()) << ui_.Shown().front();
    EXPECT_TRUE(std::filesystem::exists(data_ + "/Wuvo.log"));
    ResetSettings(gSettings);
    ASSERT_TRUE(ReadSettingsFile(data_ + "/Wuvo.cfg"));
    EXPECT_EQ(gSettings.bitrate, 321u);
}

TEST_F(MainDialogTest, EscClosesEnterDoesNotAndARefusedNumberIsNotStored)
{
    CWuvoDlg* dialog = MakeMainDialog();
    wxKeyEvent enter(wxEVT_CHAR_HOOK);
    enter.m_keyCode = WXK_RETURN;
    dialog->ProcessWindowEvent(enter);

    auto* dateX = static_cast<wxTextCtrl*>(dialog->FindWindow(kIdDateX));
    dateX->ChangeValue("12a");
    ui_.ExpectMessage("Please enter a positive integer.", MessageAnswer::Ok);
    EXPECT_FALSE(dialog->UpdateData(true));
    EXPECT_EQ(gSettings.dateStamp.x, 64);
    dateX->ChangeValue(" 300 ");
    EXPECT_TRUE(dialog->UpdateData(true));
    EXPECT_EQ(gSettings.dateStamp.x, 300);

    // Esc in a window it owns (the help window, say) passes through it and
    // asks nothing.
    wxKeyEvent escape(wxEVT_CHAR_HOOK);
    escape.m_keyCode = WXK_ESCAPE;
    auto* owned = new wxFrame(dialog, wxID_ANY, "Help");
    owned->Show();
    escape.SetEventObject(new wxButton(owned, wxID_ANY, "Contents"));
    dialog->ProcessWindowEvent(escape);
    Pump();
    owned->Destroy();

    ui_.ExpectMessage("Exit Wuvo?", MessageAnswer::Ok);
    escape.SetEventObject(dateX);
    dialog->ProcessWindowEvent(escape);
    Pump();
}

TEST_F(MainDialogTest, LogLinesFromWorkersReachTheWindowAndSurviveClosingIt)
{
    CWuvoDlg* dialog = MakeMainDialog();
    CWuvoLog& log = dialog->Log();
    EXPECT_FALSE(log.IsShown());
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i)
            log.AddLine(u"line " + std::u16string(1, static_cast<char16_t>(u'0' + i % 10)));
    });
    worker.join();
    // A long file name: the window keeps its own width and the list scrolls.
    log.AddLine(u"Input file: /media/card/" + std::u16string(200, u'w') + u".mp4");
    Pump();
    auto* list = static_cast<wxListBox*>(log.FindWindow(kIdLogList));
    ASSERT_EQ(list->GetCount(), 51u);
    EXPECT_EQ(list->GetString(49), "line 9");

    log.Show();
    Pump();
    EXPECT_EQ(log.GetClientSize(), log.ConvertDialogToPixels(wxSize(284, 318)));
    wxCommandEvent close(wxEVT_BUTTON, wxID_OK);
    log.ProcessWindowEvent(close);
    EXPECT_FALSE(log.IsShown());
    EXPECT_EQ(list->GetCount(), 51u);
    CloseQuietly(dialog);
}
