#include "app/ui/modal_dialogs.h"

#include <algorithm>
#include <dlfcn.h>

#include <wx/dialog.h>

namespace wuvo {

namespace {

// GTK runs the toolkit's message boxes in a loop of its own, which only the
// dialog's response ends; the one its Esc gives is this.
constexpr int kGtkResponseDeleteEvent = -4;
using GtkDialogResponse = void (*)(void* dialog, int response);

// False when the dialog cannot be cancelled yet.
bool Cancel(wxDialog& dialog)
{
    if (dialog.IsModal()) {
        dialog.EndModal(wxID_CANCEL);
        return true;
    }
    static const auto respond = reinterpret_cast<GtkDialogResponse>(::dlsym(RTLD_DEFAULT, "gtk_dialog_response"));
    if (respond == nullptr || dialog.GetHandle() == nullptr)
        return false;
    respond(dialog.GetHandle(), kGtkResponseDeleteEvent);
    return true;
}

}  // namespace

ModalDialogs::ModalDialogs(wxEvtHandler& owner) : owner_(owner)
{
    Register();
}

ModalDialogs::~ModalDialogs()
{
    Unregister();
}

void ModalDialogs::CancelAll(std::function<void()> whenNone)
{
    whenNone_ = std::move(whenNone);
    CancelNext();
}

int ModalDialogs::Enter(wxDialog* dialog)
{
    open_.push_back(dialog);
    if (whenNone_)
        QueueNext();
    return wxID_NONE;
}

void ModalDialogs::Exit(wxDialog* dialog)
{
    // Another hook may have kept a dialog from showing before this one saw it.
    open_.erase(std::remove(open_.begin(), open_.end(), dialog), open_.end());
    if (cancelled_ == dialog)
        cancelled_ = nullptr;
    if (whenNone_)
        QueueNext();
}

void ModalDialogs::QueueNext()
{
    owner_.CallAfter([this] { CancelNext(); });
}

// Its dialog's end, or the next event, brings the next step.
void ModalDialogs::CancelNext()
{
    if (!whenNone_)
        return;
    if (open_.empty()) {
        std::function<void()> done = std::move(whenNone_);
        whenNone_ = nullptr;
        owner_.CallAfter(done);
        return;
    }
    if (cancelled_ == open_.back())
        return;
    if (Cancel(*open_.back()))
        cancelled_ = open_.back();
    else
        QueueNext();
}

}  // namespace wuvo
