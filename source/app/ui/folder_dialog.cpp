#include "app/ui/folder_dialog.h"

#include <wx/dirdlg.h>
#include <wx/utils.h>

namespace wuvo {

wxString CFolderDialog::BrowseForFolder(const wxString& title, const wxString& startFolder)
{
    // Without a folder of its own the chooser would open at the recently used
    // files, where it cannot take a typed folder.
    wxDirDialog dialog(parent_, title, startFolder.empty() ? wxGetHomeDir() : startFolder,
                       wxDD_DEFAULT_STYLE | wxDD_DIR_MUST_EXIST);
    return dialog.ShowModal() == wxID_OK ? dialog.GetPath() : wxString();
}

}  // namespace wuvo
