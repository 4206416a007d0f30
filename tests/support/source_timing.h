#pragma once

#include <string>

namespace wuvo::test {

// Checks with ffprobe that the output keeps the source's timing: each frame
// shows at its source frame's time, within a tick of the output's unit; the
// picture lasts as long as the source's, within its shortest frame; the
// sound ends where the source's does and starts there too, but for the AAC
// encoder's lead-in before a sound track that starts late.
void ExpectSourceTiming(const std::string& source, const std::string& output);

}  // namespace wuvo::test
