#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <wx/string.h>

#include "app/ui/seams.h"

class wxDialog;
class wxWindow;

namespace wuvo {
class CWuvoDlg;
}

namespace wuvo::test {

// Sets an environment variable (or removes it, given nullopt) for one test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value);
    ~ScopedEnv();

private:
    std::string name_;
    std::optional<std::string> saved_;
};

// A fresh folder, removed with everything in it at the end of the test.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Stands in for the person at the screen: answers the message boxes and
// choosers a test expects, in order, and fails the test at once on any other.
class ScriptedUi {
public:
    ScriptedUi();
    ~ScriptedUi();
    // `whileShown` runs while the message is up, as events a real box
    // would cause (it takes the focus) arrive then.
    void ExpectMessage(const wxString& textPart, MessageAnswer answer, std::function<void()> whileShown = {});
    // Paths as the file system names them.
    void ExpectFiles(std::vector<std::string> chosen);
    void ExpectFolder(const std::string& chosen);
    // One of the program's own modal dialogs: `act` runs inside it once it
    // is shown and must end it, as a person would with its buttons.
    void ExpectDialog(const wxString& title, std::function<void(wxDialog&)> act);
    // For the modal-dialog hook: the action for a dialog of this title, if
    // one is expected.
    static std::function<void(wxDialog&)> TakeDialog(const wxString& title);
    // The font the font chooser returns; none for Cancel. The font it was
    // opened on is kept in FontOffered().
    void ExpectFont(std::optional<wxFont> chosen);
    const wxFont& FontOffered() const { return offeredFont_; }
    // Every message shown so far, as "caption: text".
    const std::vector<wxString>& Shown() const { return shown_; }
    // What every file chooser so far was asked for.
    const std::vector<FileDialogRequest>& FileRequests() const { return fileRequests_; }

private:
    struct Message {
        wxString textPart;
        MessageAnswer answer;
        std::function<void()> whileShown;
    };
    std::deque<Message> messages_;
    std::deque<std::vector<std::string>> files_;
    std::deque<std::string> folders_;
    struct Dialog {
        wxString title;
        std::function<void(wxDialog&)> act;
    };
    std::deque<Dialog> dialogs_;
    std::deque<std::optional<wxFont>> fonts_;
    wxFont offeredFont_;
    std::vector<wxString> shown_;
    std::vector<FileDialogRequest> fileRequests_;
    UiSeams saved_;
};

// Lets queued calls, idle work and pending deletions run.
void Pump();

// A main window made as the program makes it; the caller closes it with
// CloseQuietly or through its close path.
CWuvoDlg* MakeMainDialog();
void CloseQuietly(CWuvoDlg* dialog);

std::string ReadFileText(const std::string& path);

// Pumps events until `done` holds; false after `seconds` without.
bool PumpUntil(const std::function<bool()>& done, int seconds = 60);

}  // namespace wuvo::test
