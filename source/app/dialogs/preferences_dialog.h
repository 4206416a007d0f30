#pragma once

#include <cstdint>

#include "app/dialogs/dialog_base.h"
#include "app/dialogs/preference_rules.h"

namespace wuvo {

// The settings that are not on the main window: stamp language, time
// adjustment, output file times and name, output size and bitrate, audio
// and speed-up. Works on copies; OK stores them into the settings.
class CPreference : public WuvoDialog {
public:
    explicit CPreference(wxWindow* parent);
    // Makes the dialog for `settings`, which must outlive it; false when the
    // template cannot be loaded.
    bool Create(AppSettings* settings);

    void OnAdjustmentLeft(Adjustment adjustment);
    void OnSpeedUpFactorChanged();
    void OnBitrateSliderMoved();
    void OnBitrateLeft();
    void OnCbnSelchangeOutputSize();
    void OnOK() override;

private:
    void OnInitDialog();
    // Reads the lists, check boxes and pattern; enables what they allow.
    void UpdateControls();
    bool ReadAdjustment(Adjustment adjustment);
    bool ReadSpeedUpFactor();
    bool ReadBitrate();
    void ShowBitrate(uint32_t position);

    wxWindow* parent_;
    AppSettings* settings_ = nullptr;
    PreferenceValues values_;
};

}  // namespace wuvo
