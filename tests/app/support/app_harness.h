#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include <wx/string.h>

#include "app/ui/seams.h"

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
    void ExpectMessage(const wxString& textPart, MessageAnswer answer);
    void ExpectFiles(std::vector<wxString> chosen);
    void ExpectFolder(const wxString& chosen);
    // Every message shown so far, as "caption: text".
    const std::vector<wxString>& Shown() const { return shown_; }

private:
    struct Message {
        wxString textPart;
        MessageAnswer answer;
    };
    std::deque<Message> messages_;
    std::deque<std::vector<wxString>> files_;
    std::deque<wxString> folders_;
    std::vector<wxString> shown_;
    UiSeams saved_;
};

// Lets queued calls, idle work and pending deletions run.
void Pump();

// A main window made as the program makes it; the caller closes it with
// CloseQuietly or through its close path.
CWuvoDlg* MakeMainDialog();
void CloseQuietly(CWuvoDlg* dialog);

std::string ReadFileText(const std::string& path);

// Photographs a shown window from the virtual display into a PNG file, as a
// person would see it; false when it could not.
bool Screenshot(wxWindow* window, const std::string& path);

}  // namespace wuvo::test
