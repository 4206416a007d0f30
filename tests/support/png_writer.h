#pragma once

#include <cstdint>
#include <string>

namespace wuvo::test {

// Writes a packed I420 frame as an RGB PNG file for a person to look at.
// False when it could not be encoded or written.
bool WriteI420AsPng(const std::string& path, const uint8_t* frame, int width, int height);

}  // namespace wuvo::test
