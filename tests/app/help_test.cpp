#include "app/ui/help.h"

#include <cstdlib>
#include <fstream>
#include <vector>

#include <gtest/gtest.h>
#include <wx/html/helpdlg.h>
#include <wx/html/helpfrm.h>

#include "app/control_ids.h"
#include "app/dialogs/custom_format_dialog.h"
#include "app/dialogs/duration_dialog.h"
#include "app/dialogs/font_attributes_dialog.h"
#include "app/dialogs/preferences_dialog.h"
#include "app/main_dialog.h"
#include "support/app_harness.h"
#include "support/dialog_events.h"
#include "support/screenshot.h"

using namespace wuvo;
using namespace wuvo::test;

namespace {

// The help windows open now.
template <typename Window>
std::vector<Window*> Open()
{
    std::vector<Window*> found;
    for (wxWindow* window : wxTopLevelWindows)
        if (auto* help = dynamic_cast<Window*>(window); help != nullptr && !help->IsBeingDeleted())
            found.push_back(help);
    return found;
}

wxString HelpTitle(const wxString& page) { return "Orlevane Help: " + page; }

// Runs `dialog` modally, as the program does, presses its Help button and
// checks the help that opens above it; `shot` names its screenshot.
void ExpectHelpAbove(wxDialog& dialog, const wxString& page, const std::string& shot)
{
    ScriptedUi ui;
    ui.ExpectDialog(dialog.GetTitle(), [&](wxDialog& shown) {
        ui.ExpectDialog(HelpTitle(page), [&](wxDialog& help) {
            EXPECT_TRUE(help.IsModal());
            EXPECT_EQ(help.GetParent(), &shown);
            EXPECT_TRUE(SaveWindowShot(&help, shot));
            wxWindow* close = wxWindow::FindWindowByLabel("Close", &help);
            ASSERT_NE(close, nullptr);
            Click(&help, close->GetId());
        });
        Click(&shown, wxID_HELP);
        dialog.EndModal(wxID_CANCEL);
    });
    dialog.ShowModal();
    Pump();
    EXPECT_TRUE(Open<wxHtmlHelpDialog>().empty()) << page << ": the help dialog outlived its run";
}

}  // namespace

// The window tests' own book is made by the build, as the program's is,
// beside the test program and named after it.
TEST(HelpTest, TheMainWindowsContextsOpenTheirPagesInAFrameThatGoesWithIt)
{
    CWuvoDlg* main = MakeMainDialog();
    main->Show();
    ShowHelpContext(main, HelpContextOf(kCmdHelpQuickStart));
    ASSERT_EQ(Open<wxHtmlHelpFrame>().size(), 1u);
    wxHtmlHelpFrame* frame = Open<wxHtmlHelpFrame>().front();
    EXPECT_EQ(frame->GetTitle(), HelpTitle("Quick Start"));
    EXPECT_TRUE(SaveWindowShot(frame, "help_quick_start"));

    ShowHelpContext(main, HelpContextOf(std::atoi(kMainDialogTemplate)));
    ASSERT_EQ(Open<wxHtmlHelpFrame>().size(), 1u) << "one help window for the run";
    EXPECT_EQ(Open<wxHtmlHelpFrame>().front()->GetTitle(), HelpTitle("The Orlevane window"));

    CloseQuietly(main);
    EXPECT_TRUE(Open<wxHtmlHelpFrame>().empty());
}

TEST(HelpTest, EachDialogsHelpButtonOpensItsPageModallyAboveIt)
{
    ResetSettings(gSettings);
    // An open help frame would take no input while a modal dialog runs, so
    // the first dialog's help replaces it.
    CWuvoDlg* main = MakeMainDialog();
    ShowHelpContext(main, HelpContextOf(kCmdHelpQuickStart));
    ASSERT_EQ(Open<wxHtmlHelpFrame>().size(), 1u);
    {
        CPreference preferences(main);
        ASSERT_TRUE(preferences.Create(&gSettings));
        ExpectHelpAbove(preferences, "Preferences", "help_preferences");
        EXPECT_TRUE(Open<wxHtmlHelpFrame>().empty());

        CWuvoBrightness font(main);
        ASSERT_TRUE(font.Create(&gSettings.dateStamp));
        ExpectHelpAbove(font, "Font attributes", "help_font_attributes");

        CWuvoDuration duration(main);
        ASSERT_TRUE(duration.Create(&gSettings.dateStamp));
        ExpectHelpAbove(duration, "Duration", "help_duration");

        CWuvoFormat format(main);
        ASSERT_TRUE(format.Create(&gSettings.timeStamp));
        ExpectHelpAbove(format, "Custom format", "help_custom_format");
    }
    CloseQuietly(main);
}

TEST(HelpTest, ABookThatCannotBeReadOrLacksThePageGivesAMessageAndNoWindow)
{
    ScratchFolder folder;
    std::ofstream(folder / "broken.htb") << "not a zip file";
    ScriptedUi ui;
    for (const std::string& name : {std::string("missing.htb"), std::string("broken.htb")}) {
        ui.ExpectMessage("Failed to open the help file " + folder / name + "!", MessageAnswer::Ok);
        HelpBook(folder / name).Show(nullptr, HelpContextOf(kCmdHelpQuickStart));
    }
    // The program's own book, read whole, has no page for an unknown context.
    ui.ExpectMessage("has no topic 0x203E7!", MessageAnswer::Ok);
    HelpBook(WUVO_PROGRAM_HELP_BOOK).Show(nullptr, HelpContextOf(999));
    Pump();
    EXPECT_TRUE(Open<wxHtmlHelpFrame>().empty());
    EXPECT_TRUE(Open<wxHtmlHelpDialog>().empty());
}
