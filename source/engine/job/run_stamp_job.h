#pragma once

#include <cstdint>

#include "engine/job/stamp_job.h"

namespace wuvo {

constexpr uint32_t kJobSucceeded = 0;
constexpr uint32_t kJobFailedResult = 0x80004005;

// Turns one input file into one stamped output file through the parse,
// decode, stamp and encode threads. Returns only once every thread it started
// has ended.
uint32_t RunStampJob(StampJob& job);

// The job's worker threads; their exit codes are what the job watches.
uint32_t ParseThreadProc(StampJob& job);
uint32_t DecodeThreadProc(StampJob& job);
uint32_t StampThreadProc(StampJob& job);

}  // namespace wuvo
