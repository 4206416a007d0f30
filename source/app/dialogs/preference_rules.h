#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/settings/app_settings.h"

namespace wuvo {

// The time adjustments in the order of their edits (Y, M, D, h, m, s), each
// limited to plus or minus its limit.
enum class Adjustment { Years, Months, Days, Hours, Minutes, Seconds };
constexpr size_t kAdjustmentCount = 6;
int32_t ClampAdjustment(Adjustment adjustment, int32_t value);

uint32_t ClampSpeedUpFactor(int32_t factor);

// The bitrate in units of 100 kbit/s (the slider's position) and in Mbps
// (the edit beside it). A typed Mbps value becomes a position by rounding
// its float product with 10 half up, then is limited to the slider's range
// (kMinBitrate to kMaxBitrate).
uint32_t BitratePositionFromMbps(float mbps);
float MbpsFromPosition(uint32_t position);

// The bitrate suggested for each output size.
uint32_t BitrateForOutputSize(uint32_t outputSize);

// A naming pattern that holds a folder separator would put the output into
// another folder, or into one that does not exist.
bool PatternNamesFolder(std::u16string_view pattern);

// The fields of the settings that the Preferences dialog edits.
struct PreferenceValues {
    uint32_t language = 0;
    std::array<int32_t, kAdjustmentCount> adjustments{};
    uint32_t outputSize = 0;
    uint32_t bitrate = 0;  // slider position
    uint32_t disableAudio = 0;
    uint32_t speedUp = 0;
    uint32_t speedUpFactor = 0;
    uint32_t createTimeFromFirst = 0;
    uint32_t writeTimeFromLast = 0;
    uint32_t renameOutput = 0;
    std::u16string renamePattern;
};

PreferenceValues PreferencesOf(const AppSettings& settings);
// Stores the values with the codec path set to the standard one. Returns
// true when the pattern was too long and had to be cut to fit its field.
bool StorePreferences(const PreferenceValues& values, AppSettings& settings);

}  // namespace wuvo
