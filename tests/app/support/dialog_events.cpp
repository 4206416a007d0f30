#include "support/dialog_events.h"

#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/radiobut.h>
#include <wx/slider.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include "engine/settings/app_settings.h"
#include "support/app_harness.h"

namespace wuvo::test {

namespace {

template <typename Control>
Control* Find(wxWindow* dialog, int id)
{
    auto* control = dynamic_cast<Control*>(dialog->FindWindow(id));
    EXPECT_NE(control, nullptr) << "no control " << id;
    return control;
}

void Notify(wxWindow* control, wxEventType type, int value)
{
    wxCommandEvent event(type, control->GetId());
    event.SetEventObject(control);
    event.SetInt(value);
    control->GetEventHandler()->ProcessEvent(event);
}

}  // namespace

void Click(wxWindow* dialog, int id)
{
    wxWindow* button = dialog->FindWindow(id);
    ASSERT_NE(button, nullptr) << "no control " << id;
    ASSERT_TRUE(button->IsEnabled()) << "control " << id << " is disabled: a person could not click it";
    Notify(button, wxEVT_BUTTON, 0);
}

void SetCheck(wxWindow* dialog, int id, bool checked)
{
    auto* check = Find<wxCheckBox>(dialog, id);
    check->SetValue(checked);
    Notify(check, wxEVT_CHECKBOX, checked);
}

void SelectRadio(wxWindow* dialog, int id)
{
    auto* radio = Find<wxRadioButton>(dialog, id);
    radio->SetValue(true);
    Notify(radio, wxEVT_RADIOBUTTON, 1);
}

void SelectChoice(wxWindow* dialog, int id, int item)
{
    auto* choice = Find<wxChoice>(dialog, id);
    choice->SetSelection(item);
    Notify(choice, wxEVT_CHOICE, item);
}

void MoveSlider(wxWindow* dialog, int id, int position)
{
    auto* slider = Find<wxSlider>(dialog, id);
    slider->SetValue(position);
    Notify(slider, wxEVT_SLIDER, position);
}

void Type(wxWindow* dialog, int id, const wxString& text)
{
    Find<wxTextCtrl>(dialog, id)->SetValue(text);
}

void TypeAndLeave(wxWindow* dialog, int id, const wxString& text)
{
    Type(dialog, id, text);
    LeaveEdit(dialog, id);
}

void LeaveEdit(wxWindow* dialog, int id)
{
    wxWindow* edit = dialog->FindWindow(id);
    wxFocusEvent event(wxEVT_KILL_FOCUS, id);
    event.SetEventObject(edit);
    edit->GetEventHandler()->ProcessEvent(event);
    Pump();
}

void PressKeys(wxWindow* dialog, int id, const wxString& keys)
{
    auto* edit = Find<wxTextCtrl>(dialog, id);
    dialog->Raise();
    edit->SetFocus();
    edit->SelectAll();
    Pump();
    wxUIActionSimulator keyboard;
    for (wxUniChar key : keys)
        keyboard.Char(key == '\n' ? WXK_RETURN : static_cast<int>(key.GetValue()));
}

wxString EditText(wxWindow* dialog, int id)
{
    return Find<wxTextCtrl>(dialog, id)->GetValue();
}

bool IsEnabled(wxWindow* dialog, int id)
{
    return dialog->FindWindow(id)->IsEnabled();
}

bool IsChecked(wxWindow* dialog, int id)
{
    if (auto* radio = dynamic_cast<wxRadioButton*>(dialog->FindWindow(id)))
        return radio->GetValue();
    return Find<wxCheckBox>(dialog, id)->GetValue();
}

std::string SettingsBytes()
{
    return std::string(reinterpret_cast<const char*>(&gSettings), sizeof gSettings);
}

}  // namespace wuvo::test
