#pragma once

#include <functional>
#include <string>

#include <wx/string.h>

class wxWindow;

namespace wuvo::test {

// The events a person's action on a dialog's control sends, delivered to
// the control as the toolkit delivers them.
void Click(wxWindow* dialog, int id);
void SetCheck(wxWindow* dialog, int id, bool checked);
void SelectRadio(wxWindow* dialog, int id);
void SelectChoice(wxWindow* dialog, int id, int item);
void MoveSlider(wxWindow* dialog, int id, int position);
// Types into an edit, the change notified, and stays there.
void Type(wxWindow* dialog, int id, const wxString& text);
// Types into an edit and leaves it; the checks that
// run once the focus has settled have run when this returns.
void TypeAndLeave(wxWindow* dialog, int id, const wxString& text);
void LeaveEdit(wxWindow* dialog, int id);

// Focuses an edit, selects its text and types `keys` on the (virtual)
// keyboard, "\n" being the Enter key, as a person would.
void PressKeys(wxWindow* dialog, int id, const wxString& keys);

wxString EditText(wxWindow* dialog, int id);
bool IsEnabled(wxWindow* dialog, int id);
bool IsChecked(wxWindow* dialog, int id);

// The settings record as stored, to compare byte for byte.
std::string SettingsBytes();

}  // namespace wuvo::test
