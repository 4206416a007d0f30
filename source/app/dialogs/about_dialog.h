#pragma once

#include <wx/dialog.h>

namespace wuvo {

// The program's name and version, its release date, its maker and the
// maker's web address.
class CAboutDlg : public wxDialog {
public:
    explicit CAboutDlg(wxWindow* parent);
};

}  // namespace wuvo
