#pragma once

#include <cstdint>

#include "engine/job/stamp_job.h"
#include "engine/media/decoder_callbacks.h"

namespace wuvo {

// The NVIDIA codec path, chosen only by the settings' NVIDIA fields, which
// no settings record the program makes or loads sets.
bool IsNvdecSelected();
bool IsNvencSelected();

// Decodes the job's input with NVDEC into the frame pool, pictures turned
// upright as the container says, like the media layer delivers them.
// kDecodeOk, or kDecodeFailed when the decode did not reach the end.
uint32_t DecodeWithNvdec(const StampJob& job, DecoderCallbacks& callbacks);

}  // namespace wuvo
