// The View and Help menus, the window's resize and the animated wait cursor.
#include <algorithm>
#include <array>

#include <wx/display.h>
#include <wx/image.h>
#include <wx/listbox.h>
#include <wx/menu.h>
#include <wx/scrolwin.h>
#include <wx/xrc/xmlres.h>

#include "app/control_ids.h"
#include "app/dialogs/about_dialog.h"
#include "app/layout/text_growth.h"
#include "app/main_dialog.h"
#include "app/preview/preview_geometry.h"
#include "app/ui/help.h"
#include "engine/settings/app_settings.h"

namespace wuvo {

namespace {

// The page's scroll step, when the screen is too small even for the page
// that gave way.
constexpr int kPageScrollStep = 10;

// The wait cursor's pictures, run forth and back.
constexpr std::array<const char*, 10> kWaitCursors{"175", "176", "177", "178", "179",
                                                   "179", "178", "177", "176", "175"};
constexpr int kWaitCursorMs = 100;
// Never reset, as the animation goes on where it stopped.
size_t gWaitCursorIndex = 0;

const wxCursor& WaitCursor(size_t index)
{
    static std::array<wxCursor, kWaitCursors.size()> cursors;
    if (!cursors[index].IsOk()) {
        wxImage picture = wxXmlResource::Get()->LoadBitmap(kWaitCursors[index]).ConvertToImage();
        picture.SetOption(wxIMAGE_OPTION_CUR_HOTSPOT_X, picture.GetWidth() / 2);
        picture.SetOption(wxIMAGE_OPTION_CUR_HOTSPOT_Y, picture.GetHeight() / 2);
        cursors[index] = wxCursor(picture);
    }
    return cursors[index];
}

void GrowBy(wxWindow& control, int dx, int dy)
{
    control.SetSize(control.GetSize() + wxSize(dx, dy));
}

}  // namespace

void CWuvoDlg::BindViewEvents()
{
    BindCommand(wxEVT_MENU, kCmdViewActualSize, &CWuvoDlg::OnViewActualSize);
    BindCommand(wxEVT_MENU, kCmdViewFit, &CWuvoDlg::OnViewFitToWindow);
    BindCommand(wxEVT_MENU, kCmdHelpQuickStart, &CWuvoDlg::OnHelpQuickStart);
    BindCommand(wxEVT_MENU, kCmdHelpContent, &CWuvoDlg::OnHelpContent);
    BindCommand(wxEVT_MENU, kCmdHelpAbout, &CWuvoDlg::OnHelpAbout);
    c_.page->Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        event.Skip();
        OnSize(event.GetSize().GetWidth(), event.GetSize().GetHeight());
    });
    waitCursorTimer_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { OnSetCursor(); });
    // The window manager's frame around the window is known once it shows.
    Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        event.Skip();
        if (IsShownOnScreen())
            FitOnceShown();
    });
    Bind(wxEVT_ACTIVATE, [this](wxActivateEvent& event) {
        event.Skip();
        FitOnceShown();
    });
}

void CWuvoDlg::FitOnceShown()
{
    if (fittedShown_)
        return;
    fittedShown_ = true;
    CallAfter([this] {
        FitToScreen();
        // A page that scrolls opens at its start, as a document does, not
        // where the control that took the keyboard first lies.
        c_.page->Scroll(0, 0);
    });
}

void CWuvoDlg::SetViewMode(uint32_t mode)
{
    // The toolkit has already toggled the chosen item, also an item that
    // was checked: the marks are set again whatever the mode was.
    const bool changed = gSettings.viewMode != mode;
    gSettings.viewMode = mode;
    SetViewCheckMarks();
    if (!changed)
        return;
    previewRefresh_ = 1;
    StartPreview();
}

void CWuvoDlg::OnViewActualSize()
{
    SetViewMode(kViewActualSize);
}

void CWuvoDlg::OnViewFitToWindow()
{
    SetViewMode(kViewFit);
}

void CWuvoDlg::OnHelpQuickStart()
{
    ShowHelpContext(this, HelpContextOf(kCmdHelpQuickStart));
}

void CWuvoDlg::OnHelpContent()
{
    ShowHelpContext(this, HelpContextOf(kMainDialogTemplateId));
}

void CWuvoDlg::OnHelpAbout()
{
    CAboutDlg about(nullptr);
    about.ShowModal();
}

void CWuvoDlg::OnSize(int width, int height)
{
    if (fit_)
        ArrangeFor(wxSize(width, height));
    c_.page->Refresh();
}

// The template's places and sizes grow with the window's text; the window
// opens at that size, or as large as the screen leaves it room for.
void CWuvoDlg::LayOutForText()
{
    fit_.emplace(LayOutPage(*c_.page, TextScaleOf(*c_.page)));
    pictureRoom_ = fit_->Place(kIdPreviewPicture, stretch_);
    hintMargins_ = pictureRoom_.width - Control(kIdPreviewPlaceholder)->GetSize().x;
    c_.page->SetScrollRate(kPageScrollStep, kPageScrollStep);
    FitToScreen();
}

// On a screen too small for the laid out window, the page gives way (see
// WindowFit); what is still too large scrolls. Made again once the window
// shows, as the window manager's frame around it is known only then.
void CWuvoDlg::FitToScreen()
{
    const wxSize room = wxDisplay(this).GetClientArea().GetSize() - (GetSize() - GetClientSize());
    fit_->FitRoom(room);
    const wxSize page = fit_->Smallest();
    ArrangeFor(page);
    SetClientSize(wxSize(std::min(page.x, room.x), std::min(page.y, room.y)));
}

// The controls take their places for a page of `size`.
void CWuvoDlg::ArrangeFor(wxSize size)
{
    const wxSize stretch = fit_->Stretch(size);
    c_.page->SetVirtualSize(fit_->LaidOut() + wxSize(std::min(stretch.x, 0), std::min(stretch.y, 0)));
    if (stretch == stretch_)
        return;
    stretch_ = stretch;
    for (const auto& [id, laidOut] : fit_->Controls())
        if (id != kIdPreviewPicture)
            Control(id)->SetSize(fit_->Place(id, stretch));
    const wxRect room = fit_->Place(kIdPreviewPicture, stretch);
    const wxSize grown = room.GetSize() - pictureRoom_.GetSize();
    pictureRoom_ = room;
    // Before the preview is set up, the picture is the template's box alone.
    if (picture_ != nullptr)
        LayoutPreview(grown.x, grown.y);
    else
        GrowBy(*Control(kIdPreviewPicture), grown.x, grown.y);
    CentreHint();
}

// The hint stands in the middle of the picture, as in the template, and
// keeps its margins as the picture gives way.
void CWuvoDlg::CentreHint()
{
    wxWindow& hint = *Control(kIdPreviewPlaceholder);
    const wxSize room = Control(kIdPreviewPicture)->GetSize();
    const int width = room.x - hintMargins_;
    hint.SetSize((room.x - width) / 2, (room.y - hint.GetSize().y) / 2, width, hint.GetSize().y);
}

// While the preview works, the cursor shows the next picture at each tick.
void CWuvoDlg::ShowWaitCursor(bool busy)
{
    if (!busy) {
        waitCursorTimer_.Stop();
        SetCursor(wxNullCursor);
        return;
    }
    OnSetCursor();
    waitCursorTimer_.Start(kWaitCursorMs);
}

void CWuvoDlg::OnSetCursor()
{
    SetCursor(WaitCursor(gWaitCursorIndex));
    gWaitCursorIndex = (gWaitCursorIndex + 1) % kWaitCursors.size();
}

}  // namespace wuvo
