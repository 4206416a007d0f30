// Project files: the settings saved under a name the user chooses.
#include <wx/menu.h>

#include "app/control_ids.h"
#include "app/main_dialog.h"
#include "app/settings/settings_file.h"
#include "app/ui/seams.h"
#include "app/ui/text.h"
#include "platform/text/utf.h"

namespace wuvo {

namespace {

constexpr wxStringCharType kProjectFilter[] = wxS("Wuvo Project Files (*.wuvo)|*.wuvo");
constexpr wxStringCharType kProjectExtension[] = wxS("wuvo");

// The chooser starts at the current project, in its folder.
FileDialogRequest ProjectDialogRequest(const wxString& title, bool save)
{
    FileDialogRequest request;
    request.title = title;
    request.filter = kProjectFilter;
    request.defaultExtension = kProjectExtension;
    request.save = save;
    wxString current = ToWx(FieldText(gSettings.projectPath));
    if (!current.empty()) {
        int slash = current.Find('/', true);
        request.startFolder = slash == wxNOT_FOUND ? current : current.Left(static_cast<size_t>(slash));
        request.startName = slash == wxNOT_FOUND ? current : current.Mid(static_cast<size_t>(slash) + 1);
    }
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

bool CWuvoDlg::WriteProject(const std::string& path)
{
    StorePanelSettings();
    if (WriteSettingsFile(path) == 1)
        return true;
    ShowMessage(this, wxString::Format(wxS("Failed to save the project %s!"), wxString::FromUTF8(path)),
                wxS("Warning"), MessageIcon::Warning);
    return false;
}

SaveOutcome CWuvoDlg::SaveProjectAs()
{
    std::vector<wxString> chosen = Seams().chooseFiles(this, ProjectDialogRequest(wxS("Save the Wuvo project ..."), true));
    if (chosen.empty())
        return SaveOutcome::Cancelled;
    std::u16string path = FromWx(chosen.front());
    if (path.size() >= kPathChars) {
        ShowMessage(this, wxString::Format(wxS("Project name too long %s!"), chosen.front()), wxS("Warning"),
                    MessageIcon::Warning);
        return SaveOutcome::Cancelled;
    }
    platform::CopyToField(gSettings.projectPath, kPathChars, path);
    return WriteProject(PathOf(chosen.front())) ? SaveOutcome::Saved : SaveOutcome::Failed;
}

}  // namespace wuvo
