// The View and Help menus, the window's resize and the animated wait cursor.
#include <array>

#include <wx/image.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/xrc/xmlres.h>

#include "app/control_ids.h"
#include "app/dialogs/about_dialog.h"
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
        for (int id : kMovedDown)
            MoveBy(*Control(id), 0, shift->dy);
        for (int id : kMovedRight)
            MoveBy(*Control(id), shift->dx, 0);
        LayoutPreview(shift->dx, shift->dy);
    }
    c_.page->Refresh();
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
