#include "app/ui/folder_dialog.h"

#include <vector>

#include <wx/dirdlg.h>
#include <wx/utils.h>

#include "app/ui/gtk_chooser.h"

namespace wuvo {

std::string CFolderDialog::BrowseForFolder(const wxString& title, const std::string& startFolder)
{
    wxDirDialog dialog(parent_, title, wxEmptyString, wxDD_DEFAULT_STYLE | wxDD_DIR_MUST_EXIST);
    // Without a folder of its own the chooser would open at the recently used
    // files, where it cannot take a typed folder.
    if (!OpenInFolder(dialog, startFolder))
        OpenInFolder(dialog, wxGetHomeDir().utf8_string());
    if (dialog.ShowModal() != wxID_OK)
        return {};
    std::vector<std::string> chosen = ChosenPaths(dialog);
    return chosen.empty() ? std::string() : chosen.front();
}

}  // namespace wuvo
