#include "engine/job/stamp_job.h"

#include <mutex>

#include "engine/pipeline/shared_objects.h"

namespace wuvo {

namespace {

constexpr float kPercentPerMille = 0.1f;

}  // namespace

void LogJobMessage(const StampJob& job, const char16_t* text)
{
    if (!job.callback)
        return;
    std::lock_guard guard(*gLogLock);
    job.callback(kJobMessage, job.logWindow, const_cast<char16_t*>(text), 0.0f);
}

void ReportJobProgress(const StampJob& job, int32_t perMille)
{
    if (!job.callback || !gLogLock->TryEnter())
        return;
    job.callback(kJobProgress, job.progressBar, job.percentField, perMille * kPercentPerMille);
    gLogLock->Leave();
}

void ReportJobFailed(const StampJob& job)
{
    if (job.callback)
        job.callback(kJobFailed, nullptr, nullptr, 0.0f);
}

}  // namespace wuvo
