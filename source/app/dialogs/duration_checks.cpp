#include "app/dialogs/duration_checks.h"

#include "platform/text/format.h"

namespace wuvo {

namespace {

// Replacement values of the checks.
constexpr uint32_t kSceneChangeReplacement = 8;
constexpr uint32_t kDateChangeReplacement = 7;
constexpr uint32_t kOnTimeReplacement = 6;
constexpr uint32_t kPeriodReplacement = 60;
constexpr uint32_t kFadeReplacement = 1;
constexpr uint32_t kDelayReplacement = 1;

constexpr char16_t kInvalidDuration[] = u"Invalid stamp duration (0 sec)!";

// The seconds a stamp stays on in its mode; 0 in mode 0, which has no end.
uint32_t OnTime(const DurationSettings& duration)
{
    switch (duration.showMode) {
    case kShowOnSceneChange: return duration.sceneChangeSeconds;
    case kShowOnDateChange: return duration.dateChangeSeconds;
    case kShowPeriodically: return duration.periodicSeconds;
    default: return 0;
    }
}

void CheckNotZero(uint32_t& value, uint32_t replacement, const char16_t* warning, std::vector<std::u16string>& shown)
{
    if (value != 0)
        return;
    value = replacement;
    shown.emplace_back(warning);
}

void CheckPeriodic(DurationSettings& duration, std::vector<std::u16string>& shown)
{
    CheckNotZero(duration.periodicSeconds, kOnTimeReplacement, u"Invalid stamp on (0 sec)!", shown);
    if (duration.periodicSeconds < duration.periodSeconds)
        return;
    shown.push_back(platform::FormatText(u"On time (%u sec) must be smaller than period (%u sec)",
                                         duration.periodicSeconds, duration.periodSeconds));
    duration.periodSeconds = kPeriodReplacement;
    duration.periodicSeconds = kOnTimeReplacement;
}

void CheckFade(DurationSettings& duration, std::vector<std::u16string>& shown)
{
    if (duration.fadeSeconds == 0) {
        CheckNotZero(duration.fadeSeconds, kFadeReplacement, u"Invalid fade duration (0 sec)!", shown);
        return;
    }
    const uint32_t onTime = OnTime(duration);
    if (duration.showMode == kShowEveryFrame || 2 * uint64_t{duration.fadeSeconds} <= onTime)
        return;
    shown.push_back(platform::FormatText(u"Fade in/out (2 x %u sec) must not be larger than total on time (%u sec)",
                                         duration.fadeSeconds, onTime));
    duration.fadeSeconds = onTime / 2;
}

}  // namespace

DurationSettings DurationOf(const StampStyle& style)
{
    return {style.showMode,        style.sceneChangeSeconds, style.sceneChangeThreshold, style.dateChangeSeconds,
            style.periodicSeconds, style.periodSeconds,      style.fadeOn,               style.fadeSeconds,
            style.delayOn,         style.delaySeconds};
}

void StoreDuration(const DurationSettings& duration, StampStyle& style)
{
    style.showMode = duration.showMode;
    style.sceneChangeSeconds = duration.sceneChangeSeconds;
    style.sceneChangeThreshold = duration.sceneChangeThreshold;
    style.dateChangeSeconds = duration.dateChangeSeconds;
    style.periodicSeconds = duration.periodicSeconds;
    style.periodSeconds = duration.periodSeconds;
    style.fadeOn = duration.fadeOn;
    style.fadeSeconds = duration.fadeSeconds;
    style.delayOn = duration.delayOn;
    style.delaySeconds = duration.delaySeconds;
}

std::vector<std::u16string> CheckDurationField(DurationSettings& duration, DurationField field)
{
    std::vector<std::u16string> shown;
    switch (field) {
    case DurationField::SceneChange:
        CheckNotZero(duration.sceneChangeSeconds, kSceneChangeReplacement, kInvalidDuration, shown);
        break;
    case DurationField::DateChange:
        CheckNotZero(duration.dateChangeSeconds, kDateChangeReplacement, kInvalidDuration, shown);
        break;
    case DurationField::Periodic: CheckPeriodic(duration, shown); break;
    case DurationField::Fade: CheckFade(duration, shown); break;
    case DurationField::Delay:
        CheckNotZero(duration.delaySeconds, kDelayReplacement, u"Invalid delay duration (0 sec)!", shown);
        break;
    }
    return shown;
}

DurationEnables EnablesFor(const DurationSettings& duration)
{
    DurationEnables enables;
    enables.sceneChange = duration.showMode == kShowOnSceneChange;
    enables.dateChange = duration.showMode == kShowOnDateChange;
    enables.periodic = duration.showMode == kShowPeriodically;
    enables.options = duration.showMode != kShowEveryFrame;
    enables.fadeSeconds = enables.options && duration.fadeOn == 1;
    enables.delaySeconds = enables.options && duration.delayOn == 1;
    return enables;
}

std::vector<DurationField> EnabledChecks(const DurationSettings& duration)
{
    const DurationEnables enables = EnablesFor(duration);
    std::vector<DurationField> checks;
    if (enables.sceneChange)
        checks.push_back(DurationField::SceneChange);
    if (enables.dateChange)
        checks.push_back(DurationField::DateChange);
    if (enables.periodic)
        checks.push_back(DurationField::Periodic);
    if (enables.fadeSeconds)
        checks.push_back(DurationField::Fade);
    if (enables.delaySeconds)
        checks.push_back(DurationField::Delay);
    return checks;
}

}  // namespace wuvo
