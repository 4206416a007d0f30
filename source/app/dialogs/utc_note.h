#pragma once

#include <cstdint>

#include <wx/dialog.h>

namespace wuvo {

// The note that the videos' date code is UTC, shown after files are added.
// Its box, confirmed with OK, hides it from then on; Esc keeps the old value.
class CWuvoaboutUTC : public wxDialog {
public:
    explicit CWuvoaboutUTC(wxWindow* parent);
    bool OnInitDialog();
    void OnOK();

private:
    uint32_t check_ = 0;
};

}  // namespace wuvo
