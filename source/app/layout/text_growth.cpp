#include "app/layout/text_growth.h"

#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/window.h>

namespace wuvo {

namespace {

// The letters the text is measured by.
constexpr wxStringCharType kLetters[] = wxS("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");

void GrowSizer(wxSizer& sizer, LayoutScale scale);

void GrowItem(wxSizerItem& item, LayoutScale scale)
{
    item.SetBorder(ScaledSpace(item.GetBorder(), scale));
    if (item.IsSizer())
        GrowSizer(*item.GetSizer(), scale);
    else if (item.IsSpacer())
        item.SetMinSize(Scaled(item.GetMinSize(), scale));
    else if (item.IsWindow())
        item.GetWindow()->SetMinSize(Scaled(item.GetWindow()->GetMinSize(), scale));
}

// The toolkit sizes a group box by what it holds, and would cut a longer
// title at both ends.
void KeepTitleWhole(wxStaticBoxSizer& group)
{
    const wxStaticBox& box = *group.GetStaticBox();
    group.SetMinSize(wxSize(box.GetTextExtent(box.GetLabelText()).x, 0));
}

void GrowSizer(wxSizer& sizer, LayoutScale scale)
{
    if (auto* grid = dynamic_cast<wxGridSizer*>(&sizer)) {
        grid->SetHGap(ScaledSpace(grid->GetHGap(), scale));
        grid->SetVGap(ScaledSpace(grid->GetVGap(), scale));
    }
    for (wxSizerItem* item : sizer.GetChildren())
        GrowItem(*item, scale);
    if (auto* group = dynamic_cast<wxStaticBoxSizer*>(&sizer))
        KeepTitleWhole(*group);
}

}  // namespace

LayoutScale TextScaleOf(const wxWindow& window)
{
    const wxSize letters = window.GetTextExtent(kLetters);
    return ScaleForLetters(letters.x, letters.y);
}

void ScaleChildren(wxWindow& parent, LayoutScale scale)
{
    for (wxWindow* child : parent.GetChildren())
        child->SetSize(Scaled(child->GetRect(), scale));
}

void GrowWithText(wxWindow& window)
{
    wxSizer* sizer = window.GetSizer();
    if (sizer == nullptr)
        return;
    GrowSizer(*sizer, TextScaleOf(window));
    sizer->SetSizeHints(&window);
}

}  // namespace wuvo
