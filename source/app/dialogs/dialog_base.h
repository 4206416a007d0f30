#pragma once

#include <cstdint>
#include <functional>

#include <wx/dialog.h>

class wxTextCtrl;

namespace wuvo {

// What the program's own dialogs share: loading from a template, reading
// numbers from edits with a prompt for text that is not one, warnings, and
// checks that run when an edit loses the focus.
class WuvoDialog : public wxDialog {
public:
    // OK: reads and checks the controls and, unless one is refused, stores
    // them and ends the dialog.
    virtual void OnOK() = 0;

protected:
    // Makes the dialog from its template, with OK and Help bound; false when
    // the template cannot be loaded.
    bool LoadTemplate(wxWindow* parent, int templateId);

    wxWindow* Item(int id) const;
    wxTextCtrl* Edit(int id) const;
    bool IsChecked(int id) const;
    void SetChecked(int id, bool checked);
    void EnableItem(int id, bool enable);

    // Reads a number from an edit. Text that is not one gets `prompt`, the
    // focus goes back to the edit, and false is returned with `value` kept.
    bool ReadUnsigned(int id, uint32_t& value, const wxString& prompt);
    bool ReadSigned(int id, int32_t& value, const wxString& prompt);
    bool ReadReal(int id, float& value, const wxString& prompt);
    void WriteNumber(int id, int64_t value);
    void WriteText(int id, const wxString& text);

    // Shows a "Warning" box.
    void Warn(const wxString& text);

    // Runs `check` once each time the control `id` has lost the focus, after
    // the focus has settled: never while one of this dialog's messages is up
    // (a message box takes the focus itself) and never once the dialog is
    // hidden or closing.
    void CheckOnFocusLoss(int id, std::function<void()> check);

    // Ends the dialog with `code`, whether it runs modally or not.
    void Finish(int code);

private:
    bool Refuse(int id, const wxString& prompt);
    // Counts the dialog's message boxes that are up.
    int messagesUp_ = 0;
};

}  // namespace wuvo
