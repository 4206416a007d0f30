#pragma once

#include <cstdint>
#include <vector>

#include "app/dialogs/dialog_base.h"
#include "app/dialogs/duration_checks.h"
#include "engine/settings/app_settings.h"

namespace wuvo {

// When a stamp is shown: on every frame, for some seconds after a scene or
// date change, or periodically, with an optional fade and delay. Works on a
// copy; OK checks every field that takes input and stores the copy, or
// stays open with the values it put back.
class CWuvoDuration : public WuvoDialog {
public:
    explicit CWuvoDuration(wxWindow* parent);
    // Makes the dialog for `style`, which must outlive it; false when the
    // template cannot be loaded.
    bool Create(StampStyle* style);

    void OnMode(uint32_t mode);
    // The check of a seconds field, as when its edit loses the focus.
    void OnFieldLeft(DurationField field);
    void OnOK() override;

private:
    void OnInitDialog();
    void WriteControls();
    void ShowState();
    void OnOptionClicked();
    void ReadOptions();
    // Reads the edits among `ids` (all edits when it is empty), a number
    // above the largest taken as the largest; false when one holds none.
    bool ReadSeconds(const std::vector<int>& ids);
    void WriteSeconds(const std::vector<int>& ids);
    // False when the field's value was put back, with a warning.
    bool RunCheck(DurationField field);

    wxWindow* parent_;
    StampStyle* style_ = nullptr;
    DurationSettings duration_;
};

}  // namespace wuvo
