#pragma once

class wxButton;

namespace wuvo {

class CWuvoDlg;

// An auto-repeat push button: pressing it runs its action at once, and
// holding it runs the action again every 250 ms with a growing step, until
// the mouse button is let go anywhere, the mouse is taken away from it, or
// the button is disabled. A press with the keyboard clicks it once.
class CWuvoButton {
public:
    // Gives `button`, one of `dialog`'s, its repeat; the dialog keeps the
    // repeat's state and timer.
    static void Attach(wxButton& button, CWuvoDlg& dialog);
};

}  // namespace wuvo
