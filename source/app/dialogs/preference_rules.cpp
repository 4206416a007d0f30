#include "app/dialogs/preference_rules.h"

#include <algorithm>

#include "app/dialogs/format_samples.h"
#include "app/settings/settings_file.h"
#include "platform/text/utf.h"

namespace wuvo {

namespace {

constexpr std::array<int32_t, kAdjustmentCount> kAdjustmentLimits{50, 11, 16, 23, 59, 59};
constexpr int32_t kMinSpeedUpFactor = 2;
constexpr int32_t kMaxSpeedUpFactor = 10;
constexpr float kPositionsPerMbps = 10.0f;
constexpr double kHalf = 0.5;
constexpr std::array<uint32_t, kOutputSizeTable.size()> kBitrateForSize{20, 40, 60, 100, 150, 180, 250, 700};

}  // namespace

int32_t ClampAdjustment(Adjustment adjustment, int32_t value)
{
    const int32_t limit = kAdjustmentLimits[static_cast<size_t>(adjustment)];
    return std::clamp(value, -limit, limit);
}

uint32_t ClampSpeedUpFactor(int32_t factor)
{
    return static_cast<uint32_t>(std::clamp(factor, kMinSpeedUpFactor, kMaxSpeedUpFactor));
}

uint32_t BitratePositionFromMbps(float mbps)
{
    // The product is rounded to a float before the half is added, so 2.55
    // (stored a little below) still gives 26.
    const float product = mbps * kPositionsPerMbps;
    const double rounded = static_cast<double>(product) + kHalf;
    if (!(rounded >= kMinBitrate))
        return kMinBitrate;
    if (rounded >= kMaxBitrate)
        return kMaxBitrate;
    return static_cast<uint32_t>(rounded);
}

float MbpsFromPosition(uint32_t position)
{
    return static_cast<float>(position) / kPositionsPerMbps;
}

uint32_t BitrateForOutputSize(uint32_t outputSize)
{
    return kBitrateForSize[std::min<size_t>(outputSize, kNativeOutputSize)];
}

bool PatternNamesFolder(std::u16string_view pattern)
{
    return pattern.find(u'/') != std::u16string_view::npos;
}

PreferenceValues PreferencesOf(const AppSettings& settings)
{
    PreferenceValues values;
    values.language = settings.language;
    values.adjustments = {settings.adjustYears, settings.adjustMonths,  settings.adjustDays,
                          settings.adjustHours, settings.adjustMinutes, settings.adjustSeconds};
    values.outputSize = settings.outputSize;
    values.bitrate = settings.bitrate;
    values.disableAudio = settings.disableAudio;
    values.speedUp = settings.speedUp;
    values.speedUpFactor = settings.speedUpFactor;
    values.createTimeFromFirst = settings.createTimeFromFirst;
    values.writeTimeFromLast = settings.writeTimeFromLast;
    values.renameOutput = settings.renameOutput;
    values.renamePattern.assign(settings.renamePattern,
                                platform::FieldLength(settings.renamePattern, kFormatChars));
    return values;
}

bool StorePreferences(const PreferenceValues& values, AppSettings& settings)
{
    settings.language = values.language;
    int32_t* adjustments[] = {&settings.adjustYears, &settings.adjustMonths,  &settings.adjustDays,
                              &settings.adjustHours, &settings.adjustMinutes, &settings.adjustSeconds};
    for (size_t i = 0; i < kAdjustmentCount; ++i)
        *adjustments[i] = values.adjustments[i];
    settings.outputSize = values.outputSize;
    settings.bitrate = values.bitrate;
    settings.disableAudio = values.disableAudio;
    settings.speedUp = values.speedUp;
    settings.speedUpFactor = values.speedUpFactor;
    settings.nvDecoderAvailable = 0;
    settings.nvEncoderSelected = 0;
    settings.createTimeFromFirst = values.createTimeFromFirst;
    settings.writeTimeFromLast = values.writeTimeFromLast;
    settings.renameOutput = values.renameOutput;
    const FieldFit pattern = FitFormatField(values.renamePattern);
    platform::CopyToField(settings.renamePattern, kFormatChars, pattern.text);
    return pattern.cut;
}

}  // namespace wuvo
