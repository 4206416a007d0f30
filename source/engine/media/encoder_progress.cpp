#include "engine/media/encoder_progress.h"

#include <algorithm>

namespace wuvo {

std::atomic<int32_t> gLastReportedProgress{0};

std::optional<uint32_t> EncodedPerMille(uint32_t framesDone, uint32_t frameCount, uint32_t divisor)
{
    if (divisor == 0)
        return std::nullopt;
    uint32_t kept = frameCount / divisor;
    // The last kept frame is the one that completes the file.
    uint32_t span = kept > 1 ? kept - 1 : kept;
    if (span == 0)
        return std::nullopt;
    return kProgressComplete * framesDone / span;
}

void ReportEncoderProgress(const StampJob& job, uint32_t perMille)
{
    auto value = static_cast<int32_t>(std::min<uint32_t>(perMille, INT32_MAX));
    if (value <= gLastReportedProgress.load())
        return;
    int32_t capped = std::min(value, kProgressComplete);
    ReportJobProgress(job, capped);
    gLastReportedProgress.store(capped);
}

}  // namespace wuvo
