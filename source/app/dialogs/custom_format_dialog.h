#pragma once

#include "app/dialogs/dialog_base.h"
#include "app/dialogs/format_samples.h"
#include "engine/settings/app_settings.h"

namespace wuvo {

// The user's own date or time format, with a preview of it applied to a
// sample date and time. Edits the `format` of the stamp it is given; OK
// leaves the confirmed format there.
class CWuvoFormat : public WuvoDialog {
public:
    explicit CWuvoFormat(wxWindow* parent = nullptr);
    // Makes the dialog for `style`, which must outlive it; false when the
    // template cannot be loaded.
    bool Create(StampStyle* style);

    void OnApply();
    void OnOK() override;

private:
    void OnInitDialog();
    bool UpdatePreview();
    static wxString ProblemText(FormatProblem problem);

    wxWindow* parent_;
    StampStyle* style_ = nullptr;
};

}  // namespace wuvo
