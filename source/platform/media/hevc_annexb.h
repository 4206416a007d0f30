#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace wuvo::platform {

// The parameter-set NAL units (VPS, SPS, PPS) of an Annex B HEVC picture,
// start codes kept; empty when it has none.
std::vector<uint8_t> HevcParameterSets(const uint8_t* data, size_t size);
// Whether an Annex B HEVC picture can start decoding: an IRAP picture.
bool IsHevcRandomAccess(const uint8_t* data, size_t size);

}  // namespace wuvo::platform
