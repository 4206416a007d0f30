#pragma once

#include <string>
#include <vector>

#include <wx/string.h>

#include "app/main_dialog.h"
#include "app/ui/seams.h"
#include "engine/settings/app_settings.h"

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

// Adds `files` to the window's list as a person does, with Add and the file
// chooser. Call it once the window has read its settings: the note after Add
// would wait for a click.
inline void AddThroughChooser(CWuvoDlg& dialog, std::vector<std::string> files)
{
    Seams().chooseFiles = [files](wxWindow*, const FileDialogRequest&) { return files; };
    gSettings.hideUtcNote = 1;
    dialog.OnBnClickedAdd();
}

}  // namespace wuvo::bench
