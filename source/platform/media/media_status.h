#pragma once

#include <cstdint>

namespace wuvo::platform {

// Results of the media layer. The values are the status codes that logs and
// thread exit codes have always shown for these failures.
constexpr uint32_t kMediaOk = 0;
constexpr uint32_t kMediaFailed = 0x80004005;
// The output file is held by someone else.
constexpr uint32_t kMediaFileInUse = 0x80070020;

}  // namespace wuvo::platform
