#pragma once

#include <cstdint>

#include "engine/media/decoder_callbacks.h"

namespace wuvo {

// Decodes the record's startFrame of the record's path into the pool on a
// thread of its own and waits for it. 0, or 0x80004005 when the thread
// cannot be started.
uint32_t RunMfPreviewDecode(const DecoderCallbacks& request);

// The preview decode thread: one frame after a seek, under the decode
// thread state. 0x80004005 when stopped on request or the decode failed.
uint32_t MfPreviewThreadProc(const DecoderCallbacks& request);

}  // namespace wuvo
