#pragma once

namespace wuvo::platform {

// True when an HEVC decoder, the libx265 HEVC encoder and an AAC encoder are
// all present in the media libraries.
bool HevcCodecsPresent();

}  // namespace wuvo::platform
