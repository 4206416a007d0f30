#pragma once

#include <wx/string.h>

#include "app/main_dialog.h"
#include "app/ui/seams.h"

// What the window benchmarks share.
namespace wuvo::bench {

// The program's main window, created and shown, with every message box it
// would show answered OK and its text kept in `report` (the batch's report
// is the last one). Null when the window cannot be created.
inline CWuvoDlg* ShowMainWindow(wxString* report)
{
    Seams().showMessage = [report](wxWindow*, const wxString& text, const wxString&, MessageIcon, MessageButtons) {
        *report = text;
        return MessageAnswer::Ok;
    };
    auto* dialog = new CWuvoDlg();
    if (!dialog->Create())
        return nullptr;
    dialog->Show();
    return dialog;
}

}  // namespace wuvo::bench
