#pragma once

#include <string>

namespace wuvo::test {

// Checks with ffprobe that the output keeps the source's timing: each frame
// shows at its source frame's time, within a tick of the output's unit; the
// sound starts where the source's does, as far from the picture, and lasts
// as long; the picture lasts as long as the source's, within its shortest
// frame.
void ExpectSourceTiming(const std::string& source, const std::string& output);

}  // namespace wuvo::test
