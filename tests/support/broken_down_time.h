#pragma once

#include <ctime>

namespace wuvo::test {

// A broken-down time as the stamps hand it over: no day of the year and no
// daylight flag.
inline std::tm BrokenDownTime(int year, int month, int day, int hour, int minute, int second, int weekday = 0)
{
    std::tm time{};
    time.tm_year = year - 1900;
    time.tm_mon = month - 1;
    time.tm_mday = day;
    time.tm_wday = weekday;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_sec = second;
    time.tm_yday = -1;
    time.tm_isdst = -1;
    return time;
}

}  // namespace wuvo::test
