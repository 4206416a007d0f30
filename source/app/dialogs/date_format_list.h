#pragma once

#include <wx/odcombo.h>

namespace wuvo {

// The date stamp's format list (control 1010 of the main window, made by its
// template as this class). Item i stands for date format i of the stamp
// language's group and shows the sample date written in it; item 0 is
// "Custom". Every item is drawn for the current stamp language.
class CWuvoDateFormat : public wxOwnerDrawnComboBox {
public:
    CWuvoDateFormat() = default;

    void OnDrawItem(wxDC& dc, const wxRect& rect, int item, int flags) const override;
    wxCoord OnMeasureItem(size_t item) const override;
    wxCoord OnMeasureItemWidth(size_t item) const override;

private:
    void SetFittingFont(wxDC& dc, const wxString& text, wxCoord room) const;

    wxDECLARE_DYNAMIC_CLASS(CWuvoDateFormat);
};

}  // namespace wuvo
