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

// The preview changes only here, not while the format is typed.
void CWuvoFormat::UpdatePreview()
{
    const bool upperCase = style_ != nullptr && style_->upperCase == 1;
    CustomFormatPreview preview =
        PreviewCustomFormat(FromWx(Edit(kIdFormatText)->GetValue()), StampLanguage(), upperCase);
    if (preview.tooLong) {
        Warn(wxS("Custom format length too long."));
        return;
    }
    WriteText(kIdFormatPreview, ToWx(preview.text));
}

void CWuvoFormat::OnOK()
{
    FieldFit format = FitFormatField(FromWx(Edit(kIdFormatText)->GetValue()));
    if (format.cut)
        Warn(wxS("Custom format length too long, truncated."));
    if (style_ != nullptr)
        platform::CopyToField(style_->format, kFormatChars, format.text);
    Finish(wxID_OK);
}

}  // namespace wuvo
