#pragma once

#include <cstdint>
#include <string>

namespace wuvo::test {

// Checks with ffprobe that the output keeps the source's timing: each frame
// shows at its source frame's time, within a tick of the output's unit; the
// picture lasts as long as the source's, within its shortest frame; the
// sound ends where the source's does and starts there too, but for the AAC
// encoder's lead-in before a sound track that starts late. With speed-up
// `divisor`, output frame k is source frame divisor x k, every time is
// divided by the divisor, and the sound, every divisor-th piece of it, is
// placed within the shortest frame.
//
// A source without an edit list (`kOwnTimes`) shows its frames at their own
// presentation times, which the output's edit list, holding where a track
// starts to the millisecond, keeps to that millisecond; its duration, a
// span of decode times, does not tell where its picture ends.
enum class SourceTimes { kEditList, kOwnTimes };
void ExpectSourceTiming(const std::string& source, const std::string& output, uint32_t divisor = 1,
                        SourceTimes times = SourceTimes::kEditList);

// Checks with ffprobe that the output's movie header and the headers of its
// tracks carry the recording date of the source's movie header.
void ExpectRecordingDateKept(const std::string& source, const std::string& output);

}  // namespace wuvo::test
