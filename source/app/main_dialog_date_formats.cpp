// The date stamp's format list.
#include "app/control_ids.h"
#include "app/dialogs/date_format_list.h"
#include "app/dialogs/format_samples.h"
#include "app/main_dialog.h"
#include "engine/text/format_tables.h"

namespace wuvo {

namespace {

// The date format a list that does not offer the old one falls back to.
constexpr uint32_t kFirstDateFormat = 1;

}  // namespace

void CWuvoDlg::FillDateFormatCombo()
{
    auto* list = wxDynamicCast(Control(kIdDateFormat), CWuvoDateFormat);
    if (list == nullptr)
        return;
    // The items only count; each draws its sample itself.
    list->Clear();
    for (uint32_t i = 0; i < DateFormatItemCount(StampLanguage()); ++i)
        list->Append(wxString::Format("%u", i));
    UpdateData(false);
}

void CWuvoDlg::RefillDateFormatCombo()
{
    if (dateFormatIndex_ >= DateFormatItemCount(StampLanguage()))
        dateFormatIndex_ = kFirstDateFormat;
    FillDateFormatCombo();
}

}  // namespace wuvo
