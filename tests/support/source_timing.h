#pragma once

#include <cstdint>
#include <string>

namespace wuvo::test {

// Checks with ffprobe that each of the output's frames shows at its source
// frame's time and that its video and sound last as long as the source's,
// within the source's shortest frame. With speed-up `divisor`, output frame
// k is source frame divisor x k, and every time is divided by the divisor.
void ExpectSourceTiming(const std::string& source, const std::string& output, uint32_t divisor = 1);

}  // namespace wuvo::test
