#pragma once

#include <cstdint>

#include "engine/job/stamp_job.h"

namespace wuvo {

// The encode thread of a job on the NVENC path: checks that the CUDA driver
// and a GPU answer, then encodes every stamped frame with NVENC, handing the
// packets to the mux. The encoder's result, or 1 when no GPU answers.
uint32_t NvEncodeThreadProc(StampJob& job);

}  // namespace wuvo
