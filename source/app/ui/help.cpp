#include "app/ui/help.h"

#include <utility>

#include <wx/dialog.h>
#include <wx/display.h>
#include <wx/fileconf.h>
#include <wx/filename.h>
#include <wx/filesys.h>
#include <wx/fs_arc.h>
#include <wx/html/helpctrl.h>
#include <wx/html/helpwnd.h>
#include <wx/html/htmlwin.h>
#include <wx/log.h>
#include <wx/math.h>
#include <wx/splitter.h>
#include <wx/stdpaths.h>

#include "app/layout/text_growth.h"
#include "app/ui/seams.h"

namespace wuvo {

namespace {

constexpr wxStringCharType kBookExtension[] = wxS("htb");
// The help window's title; the page's title takes the place of %s.
constexpr wxStringCharType kTitleFormat[] = wxS("Orlevane Help: %s");
constexpr wxStringCharType kCaption[] = wxS("Warning");
// A new help window's size at the templates' font, with room for all three
// tabs of its contents panel.
constexpr int kWindowWidth = 820;
constexpr int kWindowHeight = 600;
constexpr int kContentsWidth = 270;
// One book: its pages make the top of the contents, under no book node.
constexpr int kFrameStyle = (wxHF_DEFAULT_STYLE & ~wxHF_BOOKMARKS) | wxHF_MERGE_BOOKS;
constexpr int kModalStyle = kFrameStyle | wxHF_DIALOG | wxHF_MODAL;

// Books are zip files, read through the toolkit's file system.
void AddArchiveHandler()
{
    [[maybe_unused]] static const bool added = (wxFileSystem::AddHandler(new wxArchiveFSHandler), true);
}

wxString ProgramHelpBookPath()
{
    wxFileName book(wxStandardPaths::Get().GetExecutablePath());
    book.SetExt(kBookExtension);
    return book.GetFullPath();
}

}  // namespace

// The toolkit's controller, told for each page where to show it. While a
// modal dialog runs, the toolkit gives no other window any input, so a modal
// dialog's help is a modal dialog of its own above it; other help opens in a
// frame that stays open beside the program's window.
class HelpBook::Controller : public wxHtmlHelpController {
public:
    explicit Controller(wxConfigBase* layout) : wxHtmlHelpController(kFrameStyle)
    {
        SetTitleFormat(kTitleFormat);
        // Without a configuration of its own the controller would take the
        // program's, which holds the recent projects and goes before it.
        UseConfig(layout);
    }

    void ShowPage(wxWindow* owner, int id)
    {
        wxWindow* top = owner != nullptr ? wxGetTopLevelParent(owner) : nullptr;
        auto* ownerDialog = dynamic_cast<wxDialog*>(top);
        const bool modal = ownerDialog != nullptr && ownerDialog->IsModal();
        // A frame left open would take no input above the modal dialog.
        if (modal && GetHelpWindow() != nullptr)
            HelpTopLevel()->Close(true);
        m_FrameStyle = modal ? kModalStyle : kFrameStyle;
        SetParentWindow(top);
        if (GetHelpWindow() == nullptr) {
            CreateHelpWindow();
            LayOut();
        }
        GetHelpWindow()->Display(id);
        if (modal)
            RunModal();
    }

private:
    wxWindow* HelpTopLevel() { return wxGetTopLevelParent(GetHelpWindow()); }

    void LayOut()
    {
        wxWindow* window = HelpTopLevel();
        const LayoutScale scale = TextScaleOf(*window);
        window->SetSize(Scaled(wxSize(kWindowWidth, kWindowHeight), scale));
        GetHelpWindow()->GetSplitterWindow()->SetSashPosition(wxRound(kContentsWidth * scale.x));
        // The window manager's frame around it is known once it shows: a
        // window that then reaches past the screen's work area is fitted
        // into it, once.
        window->Bind(wxEVT_ACTIVATE, [window, fitted = false](wxActivateEvent& event) mutable {
            event.Skip();
            const wxRect area = wxDisplay(window).GetClientArea();
            if (!std::exchange(fitted, true) && !area.Contains(window->GetRect()))
                window->SetSize(window->GetRect().Intersect(area));
        });
    }

    void RunModal()
    {
        auto* dialog = static_cast<wxDialog*>(HelpTopLevel());
        // A dialog's title does not follow its page as a frame's does.
        dialog->SetTitle(wxString::Format(kTitleFormat, GetHelpWindow()->GetHtmlWindow()->GetOpenedPageTitle()));
        MakeModalIfNeeded();
        // Closing the dialog makes the controller let go of it; its Close
        // button ends it without a close event, so it is closed here.
        if (GetHelpWindow() != nullptr)
            dialog->Close(true);
        dialog->Destroy();
    }
};

HelpBook::HelpBook(wxString path)
    : path_(std::move(path)),
      // Kept in memory: the help window's fonts and panels last for the run.
      layout_(std::make_unique<wxFileConfig>(wxEmptyString, wxEmptyString, wxEmptyString, wxEmptyString, 0)),
      controller_(std::make_unique<Controller>(layout_.get()))
{
}

HelpBook::~HelpBook() = default;

bool HelpBook::Load()
{
    if (!loaded_) {
        AddArchiveHandler();
        // A book that cannot be read gets our message, not the toolkit's.
        wxLogNull quiet;
        loaded_ = controller_->AddBook(wxFileName(path_));
    }
    return loaded_;
}

void HelpBook::Show(wxWindow* owner, uint32_t context)
{
    if (!Load()) {
        ShowMessage(owner, wxString::Format(wxS("Failed to open the help file %s!"), path_), kCaption,
                    MessageIcon::Warning);
        return;
    }
    const int id = static_cast<int>(context);
    if (controller_->GetHelpData()->FindPageById(id).empty()) {
        ShowMessage(owner, wxString::Format(wxS("The help file %s has no topic 0x%X!"), path_, context), kCaption,
                    MessageIcon::Warning);
        return;
    }
    controller_->ShowPage(owner, id);
}

void ShowHelpContext(wxWindow* owner, uint32_t context)
{
    static HelpBook book(ProgramHelpBookPath());
    book.Show(owner, context);
}

}  // namespace wuvo
