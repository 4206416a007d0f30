#include "engine/stamp/stamp_visibility.h"

#include <algorithm>
#include <array>

namespace wuvo {

namespace {

constexpr uint32_t kSecondsPerDay = 86400;
constexpr uint32_t kFullWeight = 1000;
constexpr uint32_t kMaxTransparency = 90;
constexpr uint32_t kPercent = 100;
// The picture's share of outline rings 2 to 5, whatever the fade step.
constexpr std::array<uint32_t, 4> kOuterRingSeconds{800, 2000, 4000, 7000};
constexpr size_t kFirstOuterRing = 2;

bool IsLeapYear(uint32_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

uint32_t DaysInMonth(uint32_t year, uint32_t month)
{
    constexpr std::array<uint32_t, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// A jump in the recording: back in time, past the next day, or more than
// threshold + 1 seconds forward (also across midnight).
bool IsSceneChange(const StampContext& context, uint32_t threshold)
{
    const uint64_t limit = uint64_t{context.prevSeconds} + threshold + 1;
    if (context.curDate < context.prevDate)
        return true;
    if (context.curDate == context.prevDate)
        return context.curSeconds < context.prevSeconds || context.curSeconds > limit;
    const uint32_t nextDay = NextPackedDay(context.prevDate);
    if (context.curDate != nextDay)
        return context.curDate > nextDay;
    return uint64_t{context.curSeconds} + kSecondsPerDay > limit;
}

// True at the first frame at or past the start of a period.
bool IsPeriodStart(uint32_t n, StampSchedule& schedule)
{
    // A zero period has no starts rather than a division by zero.
    if (schedule.periodFrames == 0 || n < schedule.nextPeriodFrame)
        return false;
    schedule.nextPeriodFrame = (n / schedule.periodFrames + 1) * schedule.periodFrames;
    return true;
}

// Whether the rule's event happens on frame n, and how long a showing lasts.
bool HasEvent(const StampContext& context, uint32_t n, StampSchedule& schedule, const StampStyle& style,
              uint32_t& duration)
{
    switch (style.showMode) {
    case kShowOnSceneChange:
        duration = schedule.sceneFrames;
        return IsSceneChange(context, style.sceneChangeThreshold);
    case kShowOnDateChange:
        duration = schedule.dateChangeFrames;
        return context.curDate != context.prevDate;
    case kShowPeriodically:
        duration = schedule.periodicFrames;
        return IsPeriodStart(n, schedule);
    default:
        return false;
    }
}

void OpenShowing(StampSchedule& schedule, uint32_t n, uint32_t delay, uint32_t duration)
{
    schedule.start = n + delay;
    schedule.end = schedule.start + duration;
    schedule.fadeInEnd = schedule.start + schedule.fadeFrames;
    schedule.fadeOutStart = schedule.end - schedule.fadeFrames;
    schedule.step = 0;
}

// The fade step on frame n of the showing, counted in frames since its start:
// it climbs by one a frame up to the fade length, then falls by one a frame
// past fadeOutStart, so a stamp seen on only every few frames fades alike.
uint32_t FadeStep(const StampSchedule& schedule, uint32_t n)
{
    const uint32_t fadeLength = schedule.fadeFrames;
    if (n < schedule.fadeInEnd)
        return std::min(n - schedule.start + 1, fadeLength);
    const uint32_t fallFrom = std::max(schedule.fadeInEnd - 1, schedule.fadeOutStart);
    if (schedule.fadeOutStart >= schedule.end || n <= fallFrom)
        return fadeLength;
    return fadeLength - std::min(n - fallFrom, fadeLength);
}

void SetFadeWeights(WeightSet& weights, uint32_t step, uint32_t fadeLength)
{
    const bool full = step == fadeLength;
    const uint64_t squared = uint64_t{step} * step;
    const uint64_t fadeSquared = uint64_t{fadeLength} * fadeLength;
    for (size_t i = 0; i < kFirstOuterRing; ++i) {
        weights.baseFirst[i] = full ? kFullWeight : static_cast<uint32_t>(squared);
        weights.baseSecond[i] = full ? 0 : static_cast<uint32_t>(fadeSquared - squared);
    }
    for (size_t i = kFirstOuterRing; i < weights.baseFirst.size(); ++i) {
        weights.baseFirst[i] = full ? kFullWeight : static_cast<uint32_t>(squared * kFullWeight / fadeSquared);
        weights.baseSecond[i] = kOuterRingSeconds[i - kFirstOuterRing];
    }
}

}  // namespace

uint32_t PackDate(int32_t year, int32_t month, int32_t day)
{
    return (static_cast<uint32_t>(year) << 11) + (static_cast<uint32_t>(month) << 6) + static_cast<uint32_t>(day);
}

uint32_t NextPackedDay(uint32_t packedDate)
{
    const uint32_t year = packedDate >> 11;
    const uint32_t month = (packedDate >> 6) & 0x1F;
    const uint32_t day = packedDate & 0x3F;
    // Not a calendar date: only the day field moves on.
    if (month < 1 || month > 12 || day < DaysInMonth(year, month))
        return packedDate + 1;
    if (month < 12)
        return PackDate(static_cast<int32_t>(year), static_cast<int32_t>(month + 1), 1);
    return PackDate(static_cast<int32_t>(year + 1), 1, 1);
}

int32_t Weekday(int32_t year, int32_t month, int32_t day)
{
    constexpr int64_t kDaysPerWeek = 7;
    // 64 bits: a year read from a damaged file must not overflow the sums.
    const int64_t a = (14 - int64_t{month}) / 12;
    const int64_t y = year - a;
    const int64_t k = month + 12 * a - 2;
    const int64_t weekday = (day + y + y / 4 - y / 100 + y / 400 + (31 * k) / 12) % kDaysPerWeek;
    // Dates before year 0 give a negative remainder.
    return static_cast<int32_t>(weekday < 0 ? weekday + kDaysPerWeek : weekday);
}

bool UpdateStampVisibility(const StampContext& context, uint32_t n, StampSchedule& schedule, WeightSet& weights,
                           const StampStyle& style)
{
    if (style.showMode == kShowEveryFrame)
        return true;
    const uint32_t delay = style.delayOn ? schedule.delayFrames : 0;
    uint32_t duration = 0;
    if (HasEvent(context, n, schedule, style, duration))
        OpenShowing(schedule, n, delay, duration);

    if (static_cast<int32_t>(n) < static_cast<int32_t>(schedule.start) ||
        static_cast<int32_t>(n) >= static_cast<int32_t>(schedule.end)) {
        schedule.step = 0;
        return false;
    }
    if (!style.fadeOn)
        return true;
    schedule.step = FadeStep(schedule, n);
    SetFadeWeights(weights, schedule.step, schedule.fadeFrames);
    return true;
}

void ApplyTransparency(WeightSet& weights, uint32_t transparency)
{
    const int64_t percent = std::min(transparency, kMaxTransparency);
    for (size_t i = 0; i < weights.first.size(); ++i) {
        const int64_t shift = int64_t{weights.baseFirst[i]} * percent / kPercent;
        weights.first[i] = static_cast<uint32_t>(weights.baseFirst[i] - shift);
        weights.second[i] = static_cast<uint32_t>(weights.baseSecond[i] + shift);
    }
}

}  // namespace wuvo
