#include "app/dialogs/about_dialog.h"

#include <wx/textctrl.h>
#include <wx/xrc/xmlres.h>

#include "app/layout/text_growth.h"

namespace wuvo {

namespace {

constexpr char kAboutTemplate[] = "100";

struct AboutLine {
    int id;
    const wxStringCharType* text;
};
constexpr AboutLine kAboutLines[] = {
    {1051, wxS("Orlevane 1.1.0")},
    {1052, wxS("2022-5-6")},
    {1053, wxS("Copyright (C) 2020-2022 Fenwarl")},
    {1054, wxS("https://fenwarl.example/wuvo")},
};

}  // namespace

CAboutDlg::CAboutDlg(wxWindow* parent)
{
    wxXmlResource::Get()->LoadDialog(this, parent, kAboutTemplate);
    GrowWithText(*this);
    for (const AboutLine& line : kAboutLines)
        static_cast<wxTextCtrl*>(FindWindow(line.id))->ChangeValue(line.text);
}

}  // namespace wuvo
