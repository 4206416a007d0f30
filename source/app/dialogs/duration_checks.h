#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/settings/app_settings.h"

namespace wuvo {

// The show rule of one stamp as the duration dialog edits it.
struct DurationSettings {
    uint32_t showMode = kShowEveryFrame;
    uint32_t sceneChangeSeconds = 0;
    uint32_t sceneChangeThreshold = 0;
    uint32_t dateChangeSeconds = 0;
    uint32_t periodicSeconds = 0;
    uint32_t periodSeconds = 0;
    uint32_t fadeOn = 0;
    uint32_t fadeSeconds = 0;
    uint32_t delayOn = 0;
    uint32_t delaySeconds = 0;
};

DurationSettings DurationOf(const StampStyle& style);
void StoreDuration(const DurationSettings& duration, StampStyle& style);

// Largest number of seconds a duration field takes: a day. Seconds are
// turned into frames and doubled for the fades, which must stay in 32 bits.
constexpr uint32_t kMaxDurationSeconds = 86400;

// The fields whose value is checked when their edit loses the focus; the
// periodic on-time and period share one check.
enum class DurationField { SceneChange, DateChange, Periodic, Fade, Delay };

// Checks one field and replaces a value that cannot work; returns the
// warnings to show, one per replacement, in order.
std::vector<std::u16string> CheckDurationField(DurationSettings& duration, DurationField field);

// Which controls take input in the current mode and options.
struct DurationEnables {
    bool sceneChange = false;  // seconds and threshold
    bool dateChange = false;
    bool periodic = false;     // on-time and period
    bool options = false;      // the fade and delay check boxes
    bool fadeSeconds = false;
    bool delaySeconds = false;
};
DurationEnables EnablesFor(const DurationSettings& duration);

// The checks of the fields that take input now, in the dialog's order.
std::vector<DurationField> EnabledChecks(const DurationSettings& duration);

}  // namespace wuvo
