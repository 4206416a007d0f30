#pragma once

#include <cstdint>
#include <ctime>
#include <optional>

namespace wuvo::platform {

// The UTC instant (seconds since the epoch) of a broken-down local time in
// the process's time zone, with the daylight saving in force on that date;
// none when the time cannot be represented.
std::optional<int64_t> LocalTimeToUtc(const std::tm& local);

}  // namespace wuvo::platform
