#pragma once

#include <string>

#include <wx/string.h>

class wxWindow;

namespace wuvo {

// The output folder chooser: the desktop's folder chooser, opening at the
// current folder and offering only folders of the file system. Folders are
// named as the file system names them.
class CFolderDialog {
public:
    explicit CFolderDialog(wxWindow* parent) : parent_(parent) {}
    // The chosen folder; empty when the user cancelled.
    std::string BrowseForFolder(const wxString& title, const std::string& startFolder);

private:
    wxWindow* parent_;
};

}  // namespace wuvo
