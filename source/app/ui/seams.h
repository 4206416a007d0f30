#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <wx/font.h>
#include <wx/string.h>

#include "platform/power/power_off.h"

class wxFileDialog;
class wxTextCtrl;
class wxWindow;

namespace wuvo {

// Everything a test must replace: message boxes, file and folder choosers,
// the power-off.
// The program installs the real ones at start-up; tests install scripted
// ones, so no test ever waits for a person. The choosers take and give paths
// as the file system names them: bytes, which need not be UTF-8.

enum class MessageIcon { None, Information, Warning, Error };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

struct FileDialogRequest {
    wxString title;
    wxString filter;          // wx wildcard form: "Text|*.txt"
    wxString defaultExtension;  // without the dot
    // The file the chooser starts at: its folder is opened and its name
    // offered.
    std::string startPath;
    bool save = false;
    bool multiple = false;
};

struct UiSeams {
    std::function<MessageAnswer(wxWindow* owner, const wxString& text, const wxString& caption, MessageIcon,
                                MessageButtons)>
        showMessage;
    // The chosen paths; none when the user cancelled.
    std::function<std::vector<std::string>(wxWindow* owner, const FileDialogRequest&)> chooseFiles;
    // The chosen folder; empty when the user cancelled.
    std::function<std::string(wxWindow* owner, const wxString& title, const std::string& startFolder)> chooseFolder;
    std::function<platform::PowerOffResult()> powerOff;
    // The font chooser, opened on `initial`, without colours and effects;
    // the chosen font, none when the user cancelled.
    std::function<std::optional<wxFont>(wxWindow* owner, const wxFont& initial)> chooseFont;
};

// The seams in use; the real dialogs until something else is installed.
UiSeams& Seams();
UiSeams RealSeams();

// The real file chooser for `request`, set up to be shown.
std::unique_ptr<wxFileDialog> MakeFileChooser(wxWindow* owner, const FileDialogRequest& request);

// `path` with "." and `extension` added, unless it ends so already in any
// case: a save chooser's name gets the extension the user left out.
std::string WithExtension(std::string path, const wxString& extension);

MessageAnswer ShowMessage(wxWindow* owner, const wxString& text, const wxString& caption, MessageIcon icon,
                          MessageButtons buttons = MessageButtons::Ok);

// The program's name: the main window's title and its warnings' caption.
inline constexpr wxStringCharType kProgramTitle[] = wxS("Orlevane");

// Warns that an edit's text cannot be taken, then selects it for correction.
void RefuseEdit(wxWindow* owner, wxTextCtrl* edit, const wxString& prompt);


}  // namespace wuvo
