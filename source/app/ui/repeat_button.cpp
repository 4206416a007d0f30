#include "app/ui/repeat_button.h"

#include <wx/button.h>

#include "app/main_dialog.h"

namespace wuvo {

void CWuvoButton::Attach(wxButton& button, CWuvoDlg& dialog)
{
    // The toolkit's own press is not run, so a held press sends no click.
    auto press = [&button, &dialog](wxMouseEvent&) {
        if (button.IsEnabled())
            dialog.OnRepeatButtonDown(button);
    };
    button.Bind(wxEVT_LEFT_DOWN, press);
    button.Bind(wxEVT_LEFT_DCLICK, press);
    button.Bind(wxEVT_LEFT_UP, [&dialog](wxMouseEvent&) { dialog.StopRepeat(); });
    button.Bind(wxEVT_MOUSE_CAPTURE_LOST, [&dialog](wxMouseCaptureLostEvent&) { dialog.StopRepeat(); });
}

}  // namespace wuvo
