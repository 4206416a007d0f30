#pragma once

#include <cstdint>
#include <string>

#include "app/dialogs/dialog_base.h"
#include "engine/settings/app_settings.h"

namespace wuvo {

// A stamp's look: font, upper case, outline, brightness of text and outline,
// transparency and rotation. Works on copies; OK stores them into the stamp.
class CWuvoBrightness : public WuvoDialog {
public:
    explicit CWuvoBrightness(wxWindow* parent);
    // Makes the dialog for `style`, which must outlive it; false when the
    // template cannot be loaded.
    bool Create(StampStyle* style);

    void OnBnClickedFont();
    void OnRotation(uint32_t degrees);
    void OnOK() override;

private:
    void OnInitDialog();
    // Reads the controls into the members, then shows what follows from them.
    void UpdateControls();
    void ReadControls();
    void ShowState();
    void ShowFontStatus();
    void SetFontStatus(const std::u16string& text);

    wxWindow* parent_;
    StampStyle* style_ = nullptr;
    FontRecord font_{};
    int32_t pointSize_ = 0;  // tenths of a point
    uint32_t upperCase_ = 0;
    uint32_t fontBrightness_ = 0;
    uint32_t outline_ = 0;
    uint32_t outlineBrightness_ = 0;
    uint32_t transparency_ = 0;
    uint32_t rotation_ = 0;
};

}  // namespace wuvo
