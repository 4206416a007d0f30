#pragma once

#include <wx/string.h>

class wxWindow;

namespace wuvo {

// The output folder chooser: the desktop's folder chooser, opening at the
// current folder and offering only folders of the file system.
class CFolderDialog {
public:
    explicit CFolderDialog(wxWindow* parent) : parent_(parent) {}
    // The chosen folder; empty when the user cancelled.
    wxString BrowseForFolder(const wxString& title, const wxString& startFolder);

private:
    wxWindow* parent_;
};

}  // namespace wuvo
