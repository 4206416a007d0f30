#include "app/dialogs/date_format_list.h"

#include <wx/dc.h>
#include <wx/settings.h>

#include "app/dialogs/format_samples.h"
#include "app/ui/text.h"
#include "engine/text/format_tables.h"

namespace wuvo {

wxIMPLEMENT_DYNAMIC_CLASS(CWuvoDateFormat, wxOwnerDrawnComboBox);

namespace {

// Room above and below an item's text.
constexpr wxCoord kItemPadding = 2;
constexpr wxCoord kTextIndent = 3;
constexpr double kSmallestPoints = 5.0;
constexpr double kPointStep = 0.5;

wxString ItemText(int item)
{
    return ToWx(DateFormatItemText(StampLanguage(), static_cast<uint32_t>(item)));
}

}  // namespace

// The field is narrower than the drop-down: a sample wider than it (a
// long weekday and month) is drawn smaller, so that it shows whole.
void CWuvoDateFormat::SetFittingFont(wxDC& dc, const wxString& text, wxCoord room) const
{
    wxFont font = GetFont();
    dc.SetFont(font);
    for (double points = font.GetFractionalPointSize(); dc.GetTextExtent(text).x > room && points > kSmallestPoints;) {
        points -= kPointStep;
        font.SetFractionalPointSize(points);
        dc.SetFont(font);
    }
}

void CWuvoDateFormat::OnDrawItem(wxDC& dc, const wxRect& rect, int item, int flags) const
{
    if (item < 0)
        return;
    const wxString text = ItemText(item);
    if ((flags & wxODCB_PAINTING_CONTROL) != 0)
        SetFittingFont(dc, text, rect.width - kTextIndent);
    else
        dc.SetFont(GetFont());
    if (!IsEnabled())
        dc.SetTextForeground(wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT));
    else if ((flags & wxODCB_PAINTING_SELECTED) != 0 && (flags & wxODCB_PAINTING_CONTROL) == 0)
        dc.SetTextForeground(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHTTEXT));
    else
        dc.SetTextForeground(GetForegroundColour());
    dc.DrawText(text, rect.x + kTextIndent, rect.y + (rect.height - dc.GetTextExtent(text).y) / 2);
}

wxCoord CWuvoDateFormat::OnMeasureItem(size_t) const
{
    return GetCharHeight() + 2 * kItemPadding;
}

wxCoord CWuvoDateFormat::OnMeasureItemWidth(size_t item) const
{
    return GetTextExtent(ItemText(static_cast<int>(item))).x + 2 * kTextIndent;
}

}  // namespace wuvo
