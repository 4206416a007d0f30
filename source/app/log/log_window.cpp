#include "app/log/log_window.h"

#include <wx/listbox.h>
#include <wx/xrc/xmlres.h>

#include "app/control_ids.h"
#include "app/ui/text.h"

namespace wuvo {

namespace {

// The window's size in dialog units, whatever its lines: its sizer alone
// would fit it to the empty list.
constexpr int kWidthInDialogUnits = 284;
constexpr int kHeightInDialogUnits = 318;

}  // namespace

CWuvoLog::CWuvoLog(wxWindow* parent) : parent_(parent) {}

bool CWuvoLog::Create()
{
    if (!wxXmlResource::Get()->LoadDialog(this, parent_, kLogDialogTemplate))
        return false;
    list_ = static_cast<wxListBox*>(FindWindow(kIdLogList));
    // The list's best width grows with its widest line, and the window with
    // it when first shown; long lines scroll sideways instead.
    list_->SetMinSize(list_->GetBestSize());
    SetClientSize(ConvertDialogToPixels(wxSize(kWidthInDialogUnits, kHeightInDialogUnits)));
    list_->Bind(wxEVT_SET_FOCUS, &CWuvoLog::OnLbnSetfocusLogList, this);
    // The lines are only read: a click or a key selects none of them.
    list_->Bind(wxEVT_LISTBOX, [this](wxCommandEvent&) { list_->SetSelection(wxNOT_FOUND); });
    // A modeless window: Close and Esc only hide it.
    SetEscapeId(wxID_OK);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Hide(); }, wxID_OK);
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { Hide(); });
    return true;
}

void CWuvoLog::AddLine(std::u16string line)
{
    lines_.Add(std::move(line));
    // Queued on the window itself: a window being destroyed drops what is queued for it.
    CallAfter([this] { ShowNewLines(); });
}

void CWuvoLog::ShowNewLines()
{
    if (list_ == nullptr)
        return;
    std::vector<std::u16string> fresh = lines_.From(list_->GetCount());
    if (fresh.empty())
        return;
    wxArrayString texts;
    for (const std::u16string& line : fresh)
        texts.Add(ToWx(line));
    list_->Append(texts);
}

bool CWuvoLog::WriteToFile(const std::string& path) const
{
    return WriteLogFile(path, lines_.From(0));
}

void CWuvoLog::OnLbnSetfocusLogList(wxFocusEvent& event)
{
    // GTK sizes the list's horizontal scroll range to its widest line itself;
    // what is left is to show the lines that arrived meanwhile.
    ShowNewLines();
    event.Skip();
}

}  // namespace wuvo
