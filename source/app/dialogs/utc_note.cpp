#include "app/dialogs/utc_note.h"

#include <wx/checkbox.h>
#include <wx/math.h>
#include <wx/stattext.h>
#include <wx/xrc/xmlres.h>

#include "app/layout/text_growth.h"

#include "engine/settings/app_settings.h"

namespace wuvo {

namespace {

constexpr char kUtcNoteTemplate[] = "181";
constexpr int kIdHideNote = 1088;
// The note's lines are this wide at the templates' font.
constexpr int kNoteWidth = 460;

}  // namespace

CWuvoaboutUTC::CWuvoaboutUTC(wxWindow* parent)
{
    wxXmlResource::Get()->LoadDialog(this, parent, kUtcNoteTemplate);
    static_cast<wxStaticText*>(FindWindow(XRCID("utc_text")))->Wrap(wxRound(kNoteWidth * TextScaleOf(*this).x));
    GrowWithText(*this);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnOK(); }, wxID_OK);
    // With OK its only button, the toolkit would make Esc and the close box
    // an OK; they leave the flag as it was.
    SetEscapeId(wxID_NONE);
    Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& event) {
        if (event.GetKeyCode() == WXK_ESCAPE && !event.HasAnyModifiers())
            EndModal(wxID_CANCEL);
        else
            event.Skip();
    });
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { EndModal(wxID_CANCEL); });
    OnInitDialog();
}

bool CWuvoaboutUTC::OnInitDialog()
{
    check_ = gSettings.hideUtcNote;
    static_cast<wxCheckBox*>(FindWindow(kIdHideNote))->SetValue(check_ != 0);
    return true;
}

void CWuvoaboutUTC::OnOK()
{
    check_ = static_cast<wxCheckBox*>(FindWindow(kIdHideNote))->GetValue() ? 1 : 0;
    gSettings.hideUtcNote = check_;
    EndModal(wxID_OK);
}

}  // namespace wuvo
