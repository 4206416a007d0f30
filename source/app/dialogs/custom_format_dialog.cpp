#include "app/dialogs/custom_format_dialog.h"

#include <wx/textctrl.h>

#include "app/dialogs/dialog_ids.h"
#include "app/dialogs/format_samples.h"
#include "app/ui/text.h"
#include "engine/text/format_tables.h"
#include "platform/text/utf.h"

namespace wuvo {

CWuvoFormat::CWuvoFormat(wxWindow* parent) : parent_(parent) {}

bool CWuvoFormat::Create(StampStyle* style)
{
    style_ = style;
    if (!LoadTemplate(parent_, kCustomFormatTemplateId))
        return false;
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnApply(); }, wxID_APPLY);
    OnInitDialog();
    return true;
}

void CWuvoFormat::OnInitDialog()
{
    WriteText(kIdFormatText, style_ != nullptr ? ToWx(FieldText(style_->format)) : wxString());
    UpdatePreview();
}

void CWuvoFormat::OnApply()
{
    UpdatePreview();
}

// What the user is told about a format the stamp could not show.
wxString CWuvoFormat::ProblemText(FormatProblem problem)
{
    switch (problem) {
    case FormatProblem::FormatTooLong: return wxS("Custom format length too long.");
    case FormatProblem::UnknownConversion:
        return wxS("The format has an unknown or unfinished conversion: each \"%\" must be followed by a "
                   "known conversion letter (write \"%%\" for a percent sign).");
    case FormatProblem::TextTooLong: return wxS("The format's result is longer than 99 characters.");
    case FormatProblem::None: break;
    }
    return {};
}

// The preview changes only here, not while the format is typed. False, with
// the user told why, when the stamp would show nothing.
bool CWuvoFormat::UpdatePreview()
{
    const bool upperCase = style_ != nullptr && style_->upperCase == 1;
    CustomFormatPreview preview =
        PreviewCustomFormat(FromWx(Edit(kIdFormatText)->GetValue()), StampLanguage(), upperCase);
    if (preview.problem != FormatProblem::None) {
        Warn(ProblemText(preview.problem));
        return false;
    }
    WriteText(kIdFormatPreview, ToWx(preview.text));
    return true;
}

// A format cut to its field is checked as it will be stored; one the stamp
// could not show keeps the dialog open.
void CWuvoFormat::OnOK()
{
    FieldFit format = FitFormatField(FromWx(Edit(kIdFormatText)->GetValue()));
    if (format.cut) {
        Warn(wxS("Custom format length too long, truncated."));
        WriteText(kIdFormatText, ToWx(format.text));
    }
    if (!UpdatePreview()) {
        Edit(kIdFormatText)->SetFocus();
        return;
    }
    if (style_ != nullptr)
        platform::CopyToField(style_->format, kFormatChars, format.text);
    Finish(wxID_OK);
}

}  // namespace wuvo
