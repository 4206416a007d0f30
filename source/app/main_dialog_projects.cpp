// Project files, the recent-project list and the preferences: the settings
// saved and opened under a name the user chooses.
#include <vector>

#include <wx/filehistory.h>
#include <wx/menu.h>

#include "app/control_ids.h"
#include "app/dialogs/preferences_dialog.h"
#include "app/main_dialog.h"
#include "app/panels/stamp_position.h"
#include "app/settings/settings_file.h"
#include "app/ui/seams.h"
#include "app/ui/text.h"
#include "app/wuvo_app.h"
#include "platform/text/utf.h"

namespace wuvo {

namespace {

constexpr wxStringCharType kProjectFilter[] = wxS("Wuvo Project Files (*.wuvo)|*.wuvo");
constexpr wxStringCharType kProjectExtension[] = wxS("wuvo");
constexpr wxStringCharType kCaptionWarning[] = wxS("Warning");
constexpr wxStringCharType kNoRecentProject[] = wxS("Recent project");

wxFileHistory& RecentProjects()
{
    return static_cast<CWuvoApp*>(wxTheApp)->RecentProjects();
}

void Warn(wxWindow* owner, const wxString& format, const wxString& path)
{
    ShowMessage(owner, wxString::Format(format, path), kCaptionWarning, MessageIcon::Warning);
}

// The Project menu's recent entries, numbered; a disabled placeholder
// while there are none.
std::vector<wxString> RecentProjectLabels()
{
    std::vector<wxString> labels;
    for (size_t i = 0; i < RecentProjects().GetCount(); ++i) {
        // A "&" of the path is shown as it is, not taken as a mnemonic.
        wxString path = RecentProjects().GetHistoryFile(i);
        path.Replace(wxS("&"), wxS("&&"));
        labels.push_back(wxString::Format(wxS("&%zu %s"), i + 1, path));
    }
    if (labels.empty())
        labels.emplace_back(kNoRecentProject);
    return labels;
}

// The chooser starts at the current project, in its folder.
FileDialogRequest ProjectDialogRequest(const wxString& title, bool save)
{
    FileDialogRequest request;
    request.title = title;
    request.filter = kProjectFilter;
    request.defaultExtension = kProjectExtension;
    request.save = save;
    request.startPath = PathOfField(gSettings.projectPath);
    return request;
}

}  // namespace

void CWuvoDlg::EnableProjectMenu(int enable)
{
    wxMenuBar* menu = GetMenuBar();
    if (enable == 0) {
        for (int id : {kCmdNew, kCmdOpen, kCmdSave, kCmdSaveAs, kCmdPreferences})
            menu->Enable(id, false);
        for (int i = 0; i < kRecentProjectSlots; ++i)
            if (menu->FindItem(kCmdRecentFirst + i) != nullptr)
                menu->Enable(kCmdRecentFirst + i, false);
        return;
    }
    for (int id : {kCmdNew, kCmdOpen, kCmdSaveAs, kCmdPreferences})
        menu->Enable(id, true);
    if (SettingsModified && gSettings.projectPath[0] != 0)
        menu->Enable(kCmdSave, true);
    if (menu->FindItem(kCmdRecentFirst) != nullptr)
        menu->Enable(kCmdRecentFirst, true);
}

void CWuvoDlg::BindProjectEvents()
{
    BindCommand(wxEVT_MENU, kCmdNew, &CWuvoDlg::OnFileNew);
    BindCommand(wxEVT_MENU, kCmdOpen, &CWuvoDlg::OnFileOpen);
    BindCommand(wxEVT_MENU, kCmdSave, &CWuvoDlg::OnFileSave);
    BindCommand(wxEVT_MENU, kCmdSaveAs, &CWuvoDlg::OnFileSaveAs);
    BindCommand(wxEVT_MENU, kCmdPreferences, &CWuvoDlg::OnPreferences);
    Bind(
        wxEVT_MENU,
        [this](wxCommandEvent& event) {
            size_t entry = static_cast<size_t>(event.GetId() - kCmdRecentFirst);
            if (entry < RecentProjects().GetCount())
                OnOpenProject(RecentProjects().GetHistoryFile(entry));
        },
        kCmdRecentFirst, kCmdRecentFirst + kRecentProjectSlots - 1);
    Bind(wxEVT_MENU_OPEN, [this](wxMenuEvent& event) { OnInitMenuPopup(event.GetMenu()); event.Skip(); });
}

// Brings the recent entries up to date each time the Project menu opens
// while no batch runs.
void CWuvoDlg::OnInitMenuPopup(wxMenu* menu)
{
    wxMenuItem* first = GetMenuBar()->FindItem(kCmdRecentFirst);
    if (gSettings.idle != 0 && menu != nullptr && first != nullptr && menu == first->GetMenu())
        ShowRecentProjects();
}

// Lists the recent projects where the Project menu keeps them. A menu keeps
// the size it opened with, so the list is made at start-up and whenever it
// changes, before the menu opens; an opening only enables the entries.
void CWuvoDlg::ShowRecentProjects()
{
    wxMenuItem* first = GetMenuBar()->FindItem(kCmdRecentFirst);
    if (first == nullptr)
        return;
    wxMenu* menu = first->GetMenu();
    const std::vector<wxString> labels = RecentProjectLabels();
    std::vector<wxString> shown;
    for (int id = kCmdRecentFirst; id < kCmdRecentFirst + kRecentProjectSlots; ++id)
        if (menu->FindItem(id) != nullptr)
            shown.push_back(menu->GetLabel(id));
    if (shown != labels) {
        size_t place = static_cast<size_t>(menu->GetMenuItems().IndexOf(first));
        for (int id = kCmdRecentFirst; id < kCmdRecentFirst + kRecentProjectSlots; ++id)
            if (menu->FindItem(id) != nullptr)
                menu->Destroy(id);
        for (size_t i = 0; i < labels.size(); ++i)
            menu->Insert(place + i, kCmdRecentFirst + static_cast<int>(i), labels[i]);
    }
    const bool any = RecentProjects().GetCount() > 0;
    for (size_t i = 0; i < labels.size(); ++i)
        menu->Enable(kCmdRecentFirst + static_cast<int>(i), any);
}

// Asks before the settings of a named project are replaced; an untitled one
// is never asked about.
void CWuvoDlg::PromptSaveProject()
{
    if (!SettingsModified || gSettings.projectPath[0] == 0)
        return;
    if (ShowMessage(this, wxS("Save current project?"), kCaptionWarning, MessageIcon::Warning,
                    MessageButtons::YesNo) == MessageAnswer::Yes)
        WriteProject(PathOfField(gSettings.projectPath));
}

void CWuvoDlg::OnFileNew()
{
    PromptSaveProject();
    ResetSettings();
    ApplySettings(nullptr);
    ShowLoadedSettings();
    GetMenuBar()->Enable(kCmdSave, false);
    SettingsModified = false;
    RefreshPreview();
}

void CWuvoDlg::OnFileOpen()
{
    PromptSaveProject();
    std::vector<std::string> chosen =
        Seams().chooseFiles(this, ProjectDialogRequest(wxS("Select a Wuvo project to open ..."), false));
    if (chosen.empty())
        return;
    std::u16string name = platform::ToUtf16(chosen.front());
    if (name.size() >= kPathChars) {
        Warn(this, wxS("Project name too long %s!"), ToWx(name));
        return;
    }
    OpenProject(name);
}

void CWuvoDlg::OnOpenProject(const wxString& path)
{
    PromptSaveProject();
    OpenProject(FromWx(path));
}

// Reads a project over the settings and shows it as the current one; a file
// that cannot be read changes nothing.
void CWuvoDlg::OpenProject(const std::u16string& name)
{
    if (name.size() >= kPathChars || ReadSettingsFile(platform::ToUtf8(name)) != 1) {
        Warn(this, wxS("Failed to open the project %s!"), ToWx(name));
        return;
    }
    platform::CopyToField(gSettings.projectPath, kPathChars, name);
    ApplySettings(gSettings.projectPath);
    ShowLoadedSettings();
    RecentProjects().AddFileToHistory(ToWx(name));
    ShowRecentProjects();
    GetMenuBar()->Enable(kCmdSave, true);
    SettingsModified = false;
    RefreshPreview();
}

// Puts settings just read into the window: a project of another language
// offers other date formats, and its view mode has its own check mark.
void CWuvoDlg::ShowLoadedSettings()
{
    RefillDateFormatCombo();
    EnableDatePanel(dateOn_ != 0);
    EnableTimePanel(timeOn_ != 0);
    SetViewCheckMarks();
}

void CWuvoDlg::OnFileSave()
{
    if (gSettings.projectPath[0] != 0) {
        if (!WriteProject(PathOfField(gSettings.projectPath)))
            return;
    } else if (SaveProjectAs() != SaveOutcome::Saved) {
        return;
    }
    GetMenuBar()->Enable(kCmdSave, false);
    SettingsModified = false;
}

void CWuvoDlg::OnFileSaveAs()
{
    if (SaveProjectAs() != SaveOutcome::Saved)
        return;
    RecentProjects().AddFileToHistory(ToWx(FieldText(gSettings.projectPath)));
    ShowRecentProjects();
    GetMenuBar()->Enable(kCmdSave, false);
    SettingsModified = false;
}

void CWuvoDlg::OnPreferences()
{
    uint32_t language = gSettings.language;
    CPreference dialog(this);
    if (!dialog.Create(&gSettings) || dialog.ShowModal() != wxID_OK)
        return;
    SettingsModified = true;
    if (gSettings.language != language) {
        FollowCustomSlots(gSettings);
        RefillDateFormatCombo();
    }
    RefreshPreview();
}

bool CWuvoDlg::WriteProject(const std::string& path)
{
    StorePanelSettings();
    if (WriteSettingsFile(path) == 1)
        return true;
    Warn(this, wxS("Failed to save the project %s!"), ToWx(platform::ToUtf16(path)));
    return false;
}

SaveOutcome CWuvoDlg::SaveProjectAs()
{
    std::vector<std::string> chosen = Seams().chooseFiles(this, ProjectDialogRequest(wxS("Save the Wuvo project ..."), true));
    if (chosen.empty())
        return SaveOutcome::Cancelled;
    std::u16string path = platform::ToUtf16(chosen.front());
    if (path.size() >= kPathChars) {
        Warn(this, wxS("Project name too long %s!"), ToWx(path));
        return SaveOutcome::Cancelled;
    }
    platform::CopyToField(gSettings.projectPath, kPathChars, path);
    return WriteProject(chosen.front()) ? SaveOutcome::Saved : SaveOutcome::Failed;
}

}  // namespace wuvo
