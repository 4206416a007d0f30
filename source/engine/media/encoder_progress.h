#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

#include "engine/job/stamp_job.h"

namespace wuvo {

constexpr int32_t kProgressComplete = 1000;  // per mille

// The encoder's last reported progress in per mille, one value for the
// whole engine; the job clears it before an encode thread starts.
extern std::atomic<int32_t> gLastReportedProgress;

// Per mille after `framesDone` of the kept frames of a video of
// `frameCount` frames with speed-up `divisor`; none when the video keeps no
// frame to measure against.
std::optional<uint32_t> EncodedPerMille(uint32_t framesDone, uint32_t frameCount, uint32_t divisor);

// Reports `perMille` when it is above the last report, capped at complete;
// the value counts as reported also when the busy log lock drops it.
void ReportEncoderProgress(const StampJob& job, uint32_t perMille);

}  // namespace wuvo
