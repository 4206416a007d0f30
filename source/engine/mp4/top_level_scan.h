#pragma once

#include <cstdint>

#include "engine/mp4/raw_file.h"

namespace wuvo {

// Scans the top-level boxes of `file`, loading `moov` (and, in job mode,
// `ftyp`) into gParseState. True when the file looks like a usable MP4/MOV
// container; throws std::logic_error for a malformed box.
bool ScanTopLevelBoxes(RawFile& file, int32_t mode);

}  // namespace wuvo
