#include "engine/dates/frame_date.h"

#include "engine/mp4/parse_state.h"
#include "engine/pipeline/shared_objects.h"
#include "engine/settings/app_settings.h"

namespace wuvo {

namespace {

constexpr int64_t kSecondsPerMinute = 60;
constexpr int64_t kMinutesPerHour = 60;
constexpr int64_t kHoursPerDay = 24;
constexpr int64_t kMonthsPerYear = 12;

struct Offset {
    int64_t years = 0;
    int64_t months = 0;
    int64_t days = 0;
    int64_t hours = 0;
    int64_t minutes = 0;
    int64_t seconds = 0;
};

int64_t FloorDivide(int64_t value, int64_t divisor)
{
    int64_t quotient = value / divisor;
    return value % divisor < 0 ? quotient - 1 : quotient;
}

// Keeps `value` in 0..range-1 and returns how many ranges it carried.
int64_t Normalise(int64_t& value, int64_t range)
{
    int64_t carry = FloorDivide(value, range);
    value -= carry * range;
    return carry;
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's
// days_from_civil), valid for any year.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day)
{
    year -= month <= 2 ? 1 : 0;
    int64_t era = FloorDivide(year, 400);
    int64_t yearOfEra = year - era * 400;
    int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(int64_t days, int64_t& year, int64_t& month, int64_t& day)
{
    days += 719468;
    int64_t era = FloorDivide(days, 146097);
    int64_t dayOfEra = days - era * 146097;
    int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

void ApplyOffset(FrameDateTime& date, const Offset& offset)
{
    int64_t second = date.second + offset.seconds;
    int64_t minute = date.minute + offset.minutes + Normalise(second, kSecondsPerMinute);
    int64_t hour = date.hour + offset.hours + Normalise(minute, kMinutesPerHour);
    int64_t carriedDays = Normalise(hour, kHoursPerDay);

    // Months first, then the days counted from the first of that month, so
    // a day past the month's end runs on into the next.
    int64_t monthIndex = date.month - 1 + offset.months;
    int64_t year = date.year + offset.years + Normalise(monthIndex, kMonthsPerYear);
    int64_t dayOffset = date.day - 1 + offset.days + carriedDays;
    int64_t month = 0;
    int64_t day = 0;
    CivilFromDays(DaysFromCivil(year, monthIndex + 1, 1) + dayOffset, year, month, day);

    date.year = static_cast<int32_t>(year);
    date.month = static_cast<int32_t>(month);
    date.day = static_cast<int32_t>(day);
    date.hour = static_cast<int32_t>(hour);
    date.minute = static_cast<int32_t>(minute);
    date.second = static_cast<int32_t>(second);
}

}  // namespace

void AddDateOffset(FrameDateTime& date, const FrameDateTime& offset)
{
    ApplyOffset(date, Offset{offset.year, offset.month, offset.day, offset.hour, offset.minute, offset.second});
}

bool GetFrameDateTime(uint32_t frame, FrameDateTime& date, uint32_t& timescale, uint32_t& averageDelta)
{
    const Mp4ParseState& state = *gParseState;
    timescale = state.timescale;
    averageDelta = state.averageSampleDelta;
    uint64_t time = FrameSampleTime(state, frame);

    date = state.firstDate;
    Offset offset{gSettings.adjustYears, gSettings.adjustMonths, gSettings.adjustDays,
                  gSettings.adjustHours, gSettings.adjustMinutes, gSettings.adjustSeconds};
    offset.seconds += timescale == 0 ? 0 : static_cast<int64_t>(time / timescale);
    ApplyOffset(date, offset);
    date.frameIndex = averageDelta == 0 ? 0 : static_cast<int32_t>(time / averageDelta);
    return true;
}

}  // namespace wuvo
