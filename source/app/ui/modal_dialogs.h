#pragma once

#include <functional>
#include <vector>

#include <wx/modalhook.h>

class wxDialog;
class wxEvtHandler;

namespace wuvo {

// The modal dialogs open now, innermost last, so that a program that must
// end can first cancel them as their Esc would.
class ModalDialogs : public wxModalDialogHook {
public:
    // Steps after the first are queued on `owner`, and dropped with it.
    explicit ModalDialogs(wxEvtHandler& owner);
    ~ModalDialogs() override;

    // Cancels the open dialogs, innermost first, and any that opens
    // meanwhile; `whenNone` runs from the event loop once none is open.
    void CancelAll(std::function<void()> whenNone);

protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog* dialog) override;

private:
    void CancelNext();
    void QueueNext();

    wxEvtHandler& owner_;
    std::vector<wxDialog*> open_;
    // The innermost dialog once it has been cancelled, until it has gone.
    wxDialog* cancelled_ = nullptr;
    std::function<void()> whenNone_;
};

}  // namespace wuvo
