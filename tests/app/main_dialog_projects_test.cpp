#include <filesystem>

#include <gtest/gtest.h>
#include <wx/filehistory.h>
#include <wx/menu.h>
#include <wx/odcombo.h>
#include <wx/panel.h>

#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "app/settings/settings_file.h"
#include "app/wuvo_app.h"
#include "support/app_harness.h"
#include "support/stamp_languages.h"

using namespace wuvo;
using namespace wuvo::test;

namespace {

class MainDialogProjectsTest : public testing::Test {
protected:
    void SetUp() override
    {
        dialog_ = MakeMainDialog();
        dialog_->Show();
        while (Recent().GetCount() > 0)
            Recent().RemoveFileFromHistory(0);
    }
    void TearDown() override { CloseQuietly(dialog_); }
    static wxFileHistory& Recent() { return static_cast<CWuvoApp*>(wxTheApp)->RecentProjects(); }
    bool SaveEnabled() { return dialog_->GetMenuBar()->IsEnabled(kCmdSave); }
    wxString Project(const std::string& name) { return wxString::FromUTF8(folder_ / name); }

    ScratchFolder home_;
    ScopedEnv local_{"LOCALAPPDATA", home_.Path()};
    ScratchFolder folder_;
    ScriptedUi ui_;
    CWuvoDlg* dialog_ = nullptr;
};

}  // namespace

TEST_F(MainDialogProjectsTest, SaveAsOpenNewAndTheirStates)
{
    // Save on an untitled project asks for a name; cancelling changes nothing.
    SettingsModified = true;
    ui_.ExpectFiles({});
    dialog_->OnFileSave();
    EXPECT_TRUE(SettingsModified);
    EXPECT_EQ(Recent().GetCount(), 0u);

    // A project of a language with three date formats, whose date format
    // index another program left at 7.
    gSettings.language = kChinese;
    gSettings.dateStamp.formatIndex = 7;
    gSettings.viewMode = kViewActualSize;
    dialog_->ApplySettings(nullptr);
    ui_.ExpectFiles({Project("trip.wuvo").utf8_string()});
    dialog_->OnFileSaveAs();
    EXPECT_FALSE(SettingsModified);
    EXPECT_FALSE(SaveEnabled());
    EXPECT_EQ(dialog_->GetTitle(), "Orlevane") << "Save As keeps the title";
    ASSERT_EQ(Recent().GetCount(), 1u);
    EXPECT_EQ(Recent().GetHistoryFile(0), Project("trip.wuvo"));
    // GTK's chooser leaves the extension to the program: a name typed with
    // it, in any case, keeps it as it is.
    const wxString extension = ui_.FileRequests().back().defaultExtension;
    for (auto [typed, saved] : {std::pair{"Trip.WUVO", "Trip.WUVO"}, {"trip", "trip.wuvo"}, {"wuvo", "wuvo.wuvo"}})
        EXPECT_EQ(WithExtension(folder_ / typed, extension), folder_ / saved);

    // New after edits of a named project asks to save it first.
    SettingsModified = true;
    ui_.ExpectMessage("Save current project?", MessageAnswer::No);
    dialog_->OnFileNew();
    EXPECT_EQ(dialog_->GetTitle(), "Orlevane");
    EXPECT_EQ(gSettings.language, 3u);
    auto* formats = static_cast<wxOwnerDrawnComboBox*>(dialog_->FindWindow(kIdDateFormat));
    EXPECT_EQ(formats->GetCount(), 8u);

    // Opening the project brings its language's list and its view back.
    ui_.ExpectFiles({Project("trip.wuvo").utf8_string()});
    dialog_->OnFileOpen();
    EXPECT_EQ(dialog_->GetTitle(), "Orlevane - " + Project("trip.wuvo"));
    EXPECT_EQ(formats->GetCount(), 3u);
    EXPECT_EQ(formats->GetSelection(), 1);
    EXPECT_EQ(gSettings.dateStamp.formatIndex, 1u);
    EXPECT_TRUE(dialog_->GetMenuBar()->IsChecked(kCmdViewActualSize));
    EXPECT_FALSE(dialog_->GetMenuBar()->IsChecked(kCmdViewFit));
    EXPECT_TRUE(SaveEnabled());
    EXPECT_FALSE(SettingsModified);

    ui_.ExpectMessage("Failed to open the project " + Project("gone.wuvo") + "!", MessageAnswer::Ok);
    dialog_->OnOpenProject(Project("gone.wuvo"));
    EXPECT_EQ(dialog_->GetTitle(), "Orlevane - " + Project("trip.wuvo"));
}

TEST_F(MainDialogProjectsTest, AProjectThatCannotBeWrittenIsReportedAndStaysModified)
{
    std::filesystem::create_directories(folder_ / "taken.wuvo/inside");
    SettingsModified = true;
    ui_.ExpectFiles({Project("taken.wuvo").utf8_string()});
    ui_.ExpectMessage("Failed to save the project", MessageAnswer::Ok);
    dialog_->OnFileSaveAs();
    EXPECT_TRUE(SettingsModified);
    EXPECT_EQ(Recent().GetCount(), 0u);

    // The recent list shows in the Project menu when it opens.
    Recent().AddFileToHistory(Project("a.wuvo"));
    wxMenu* project = dialog_->GetMenuBar()->GetMenu(0);
    dialog_->OnInitMenuPopup(project);
    ASSERT_NE(project->FindItem(kCmdRecentFirst), nullptr);
    EXPECT_TRUE(project->FindItem(kCmdRecentFirst)->GetItemLabelText().EndsWith("a.wuvo"));
    EXPECT_TRUE(project->IsEnabled(kCmdRecentFirst));
}

TEST_F(MainDialogProjectsTest, GrowingTheWindowMovesTheFileSideRightAndThePanelsDown)
{
    wxWindow* add = dialog_->FindWindow(kIdAdd);
    wxWindow* dateFont = dialog_->FindWindow(kIdDateFont);
    wxPoint addAt = add->GetPosition();
    wxPoint fontAt = dateFont->GetPosition();
    wxSize picture = dialog_->FindWindow(kIdPreviewPicture)->GetSize();
    wxSize client = dialog_->GetClientSize();
    dialog_->OnSize(client.x + 100, client.y);
    EXPECT_EQ(add->GetPosition(), addAt + wxPoint(100, 0));
    EXPECT_EQ(dateFont->GetPosition(), fontAt);
    EXPECT_EQ(dialog_->FindWindow(kIdPreviewPicture)->GetSize().x, picture.x + 100);
    dialog_->OnSize(client.x - 50, client.y + 40);
    EXPECT_EQ(add->GetPosition(), addAt) << "never left of the template";
    EXPECT_EQ(dateFont->GetPosition(), fontAt + wxPoint(0, 40));
}
