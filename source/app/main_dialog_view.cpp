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
#include "app/layout/text_layout.h"
#include "app/main_dialog.h"
#include "app/preview/preview_geometry.h"
#include "app/ui/help.h"
#include "engine/settings/app_settings.h"

namespace wuvo {

namespace {

// Controls that move down with the window's height: the preview's slider,
// buttons and status, and both stamp panels.
constexpr int kMovedDown[] = {1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1045, 1055, 1056, 1046,
                              1022, 1021, 1059, 1060, 1017, 1025, 1010, 1018, 1020, 1023, 1019, 1058,
                              1036, 1039, 1038, 1061, 1062, 1028, 1050, 1011, 1040, 1042, 1043, 1041};
// Controls that move right with its width: the file list's side.
constexpr int kMovedRight[] = {1063, 1064, 1065, 1070, 1047, 1048, 1029, 1030,
                               1031, 1032, 1027, 1035, 1026, 1033, 1034, 1037};

// The file list's side below the list: it moves up when the list gives way
// to a low screen.
constexpr int kBelowFileList[] = {1029, 1030, 1031, 1064, 1048, 1032, 1070,
                                  1065, 1027, 1035, 1026, 1033, 1034, 1037};
// A part that gives way to a small screen keeps a third of its size.
constexpr int kKeptShare = 3;
// The room the template keeps at its edges and between its two sides.
constexpr int kTemplateMargin = 8;
// The letters the window's text is measured by.
constexpr wxStringCharType kLetters[] = wxS("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
// The page's scroll step, when the screen is too small even for the laid out
// window.
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

void MoveBy(wxWindow& control, int dx, int dy)
{
    control.Move(control.GetPosition() + wxPoint(dx, dy));
}

void GrowBy(wxWindow& control, int dx, int dy)
{
    control.SetSize(control.GetSize() + wxSize(dx, dy));
}

int Giveable(int size)
{
    return size - size / kKeptShare;
}

void ScaleChildren(wxWindow& parent, LayoutScale scale)
{
    for (wxWindow* child : parent.GetChildren())
        child->SetSize(Scaled(child->GetRect(), scale));
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
    std::optional<ControlAnchors::Shift> shift = anchors_.Resize(width, height);
    if (shift && (shift->dx != 0 || shift->dy != 0)) {
        MoveAnchoredControls(shift->dx, shift->dy);
        LayoutPreview(shift->dx, shift->dy);
    }
    c_.page->Refresh();
}

void CWuvoDlg::MoveAnchoredControls(int dx, int dy)
{
    for (int id : kMovedDown)
        MoveBy(*Control(id), 0, dy);
    for (int id : kMovedRight)
        MoveBy(*Control(id), dx, 0);
}

// The template's places and sizes grow with the window's text; the window
// opens at that size, or as large as the screen leaves it room for.
void CWuvoDlg::LayOutForText()
{
    const wxSize letters = c_.page->GetTextExtent(kLetters);
    const LayoutScale scale = ScaleForLetters(letters.x, letters.y);
    wxWindow& picture = *Control(kIdPreviewPicture);
    ScaleChildren(*c_.page, scale);
    ScaleChildren(picture, scale);
    laidOut_ = Scaled(wxRect(c_.page->GetSize()), scale).GetSize();
    const int sideGap = RoomBesideFileSide() - wxRound(kTemplateMargin * scale.x);
    giveable_ = wxSize(std::min(Giveable(picture.GetSize().x), sideGap),
                       std::min(Giveable(picture.GetSize().y), Giveable(c_.fileList->GetSize().y)));
    c_.page->SetScrollRate(kPageScrollStep, kPageScrollStep);
    // The controls move with the window only once it is larger than laid
    // out; what the screen took from the preview and the list stays taken.
    anchors_.Resize(laidOut_.x, laidOut_.y);
    FitToScreen();
}

// On a screen too small for the laid out window, the preview and the file
// list give way, and the preview's side closes in on the file list's side;
// what is still too large scrolls. Made again once the window shows, as the
// window manager's frame around it is known only then.
void CWuvoDlg::FitToScreen()
{
    const wxSize room = wxDisplay(this).GetClientArea().GetSize() - (GetSize() - GetClientSize());
    const wxSize give(GiveWay(laidOut_.x, room.x, giveable_.x), GiveWay(laidOut_.y, room.y, giveable_.y));
    const wxSize shift = give - givenWay_;
    givenWay_ = give;
    MoveAnchoredControls(shift.x, shift.y);
    for (int id : kBelowFileList)
        MoveBy(*Control(id), 0, shift.y);
    GrowBy(*Control(kIdPreviewPicture), shift.x, shift.y);
    GrowBy(*c_.fileList, 0, shift.y);
    CentreHint();
    const wxSize page = laidOut_ + give;
    c_.page->SetVirtualSize(page);
    SetClientSize(wxSize(std::min(page.x, room.x), std::min(page.y, room.y)));
}

// The gap between the file list's side and the controls left of it, but for
// the preview's picture and its bars, which give way.
int CWuvoDlg::RoomBesideFileSide() const
{
    int fileSide = laidOut_.x;
    int left = 0;
    for (wxWindow* child : c_.page->GetChildren()) {
        const int id = child->GetId();
        if (std::find(std::begin(kMovedRight), std::end(kMovedRight), id) != std::end(kMovedRight))
            fileSide = std::min(fileSide, child->GetPosition().x);
        else if (id != kIdPreviewPicture && id != kIdPreviewHScroll && id != kIdPreviewVScroll)
            left = std::max(left, child->GetRect().GetRight() + 1);
    }
    return fileSide - left;
}

// The hint stands in the middle of the picture, as in the template.
void CWuvoDlg::CentreHint()
{
    wxWindow& hint = *Control(kIdPreviewPlaceholder);
    const wxSize room = Control(kIdPreviewPicture)->GetSize();
    hint.Move((room.x - hint.GetSize().x) / 2, (room.y - hint.GetSize().y) / 2);
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
