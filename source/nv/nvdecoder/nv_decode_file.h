#pragma once

#include <cstdint>
#include <string>

#include "engine/media/decoder_callbacks.h"

namespace wuvo {

constexpr int kNvDecodeOk = 0;
constexpr int kNvDecodeFailed = 999;

// Decodes a whole file with NVDEC on the calling thread and hands every
// picture, in display order, to the callbacks as packed I420 at the target
// size (the display size when none is asked for, which is then written into
// the record). A stop the callbacks ask for ends it before the next picture.
// 0, or 999 after a message on standard error or a stop.
int NvDecodeFile(std::u16string path, DecoderCallbacks& callbacks);

}  // namespace wuvo
