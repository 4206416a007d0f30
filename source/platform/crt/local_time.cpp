#include "platform/crt/local_time.h"

#include <cerrno>

namespace wuvo::platform {

std::optional<int64_t> LocalTimeToUtc(const std::tm& local)
{
    std::tm time = local;
    time.tm_isdst = -1;  // let the zone's rules decide for that date
    errno = 0;
    time_t instant = std::mktime(&time);
    // -1 is also the valid second before the epoch; errno tells them apart.
    if (instant == static_cast<time_t>(-1) && errno != 0)
        return std::nullopt;
    return static_cast<int64_t>(instant);
}

}  // namespace wuvo::platform
