#pragma once

#include <string>

namespace wuvo::test {

// Checks with ffprobe that each of the output's frames shows at its source
// frame's time and that its video and sound last as long as the source's,
// within the source's shortest frame.
void ExpectSourceTiming(const std::string& source, const std::string& output);

}  // namespace wuvo::test
