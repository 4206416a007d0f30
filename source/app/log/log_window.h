#pragma once

#include <string>
#include <vector>

#include <wx/dialog.h>

#include "app/log/log_lines.h"

class wxListBox;

namespace wuvo {

// The modeless log window: hidden until shown, "Close" hides it and keeps
// its lines for the whole run.
class CWuvoLog : public wxDialog {
public:
    explicit CWuvoLog(wxWindow* parent);
    // Makes the window from its template, hidden.
    bool Create();

    // Any thread: the line is kept at once and drawn on the user-interface
    // thread, in the order the lines arrived.
    void AddLine(std::u16string line);
    std::vector<std::u16string> Lines() const { return lines_.From(0); }
    // Writes every line to `path`; false when it cannot be written.
    bool WriteToFile(const std::string& path) const;

private:
    void OnLbnSetfocusLogList(wxFocusEvent& event);
    void ShowNewLines();

    wxWindow* parent_;
    wxListBox* list_ = nullptr;
    LogLines lines_;
};

}  // namespace wuvo
