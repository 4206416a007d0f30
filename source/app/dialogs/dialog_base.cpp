#include "app/dialogs/dialog_base.h"

#include <optional>

#include <wx/checkbox.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>
#include <wx/xrc/xmlres.h>

#include "app/layout/text_growth.h"
#include "app/ui/help.h"
#include "app/ui/number_text.h"
#include "app/ui/seams.h"
#include "app/ui/text.h"

namespace wuvo {

namespace {

// Stores a number that was read; false when there is none.
template <typename T>
bool Take(const std::optional<T>& read, T& value)
{
    if (read)
        value = *read;
    return read.has_value();
}

}  // namespace

bool WuvoDialog::LoadTemplate(wxWindow* parent, int templateId)
{
    if (!wxXmlResource::Get()->LoadDialog(this, parent, wxString::Format("%d", templateId)))
        return false;
    GrowWithText(*this);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnOK(); }, wxID_OK);
    Bind(wxEVT_BUTTON, [this, templateId](wxCommandEvent&) { ShowHelpContext(this, HelpContextOf(templateId)); },
         wxID_HELP);
    return true;
}

wxWindow* WuvoDialog::Item(int id) const
{
    return FindWindow(id);
}

wxTextCtrl* WuvoDialog::Edit(int id) const
{
    return static_cast<wxTextCtrl*>(Item(id));
}

bool WuvoDialog::IsChecked(int id) const
{
    if (auto* radio = dynamic_cast<wxRadioButton*>(Item(id)))
        return radio->GetValue();
    return static_cast<wxCheckBox*>(Item(id))->GetValue();
}

void WuvoDialog::SetChecked(int id, bool checked)
{
    if (auto* radio = dynamic_cast<wxRadioButton*>(Item(id)))
        radio->SetValue(checked);
    else
        static_cast<wxCheckBox*>(Item(id))->SetValue(checked);
}

void WuvoDialog::EnableItem(int id, bool enable)
{
    Item(id)->Enable(enable);
}

bool WuvoDialog::Refuse(int id, const wxString& prompt)
{
    ++messagesUp_;
    RefuseEdit(this, Edit(id), prompt);
    --messagesUp_;
    return false;
}

bool WuvoDialog::ReadUnsigned(int id, uint32_t& value, const wxString& prompt)
{
    return Take(ParseUnsignedText(PathOf(Edit(id)->GetValue())), value) || Refuse(id, prompt);
}

bool WuvoDialog::ReadSigned(int id, int32_t& value, const wxString& prompt)
{
    return Take(ParseSignedText(PathOf(Edit(id)->GetValue())), value) || Refuse(id, prompt);
}

bool WuvoDialog::ReadReal(int id, float& value, const wxString& prompt)
{
    return Take(ParseRealText(PathOf(Edit(id)->GetValue())), value) || Refuse(id, prompt);
}

void WuvoDialog::WriteNumber(int id, int64_t value)
{
    Edit(id)->ChangeValue(wxString::Format("%lld", static_cast<long long>(value)));
}

void WuvoDialog::WriteText(int id, const wxString& text)
{
    Edit(id)->ChangeValue(text);
}

void WuvoDialog::Warn(const wxString& text)
{
    ++messagesUp_;
    ShowMessage(this, text, wxS("Warning"), MessageIcon::Warning);
    --messagesUp_;
}

void WuvoDialog::CheckOnFocusLoss(int id, std::function<void()> check)
{
    Item(id)->Bind(wxEVT_KILL_FOCUS, [this, check](wxFocusEvent& event) {
        event.Skip();
        // The focus event comes while the focus moves; a message box shown
        // from inside it would move the focus again.
        if (messagesUp_ == 0)
            CallAfter([this, check] {
                if (messagesUp_ == 0 && IsShown())
                    check();
            });
    });
}

void WuvoDialog::Finish(int code)
{
    SetReturnCode(code);
    EndDialog(code);
}

}  // namespace wuvo
