#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace wuvo {

// Numbers typed into edits, read as the dialogs' data exchange reads them:
// blanks around the number are allowed, anything else refuses the text.

// Digits only (no sign) that fit 32 bits.
std::optional<uint32_t> ParseUnsignedText(std::string_view text);
// An optional sign and digits that fit a signed 32-bit number.
std::optional<int32_t> ParseSignedText(std::string_view text);
// A decimal number that fits a float.
std::optional<float> ParseRealText(std::string_view text);

// A float as the exchange writes it: up to six significant digits, no
// trailing zeros ("25", "2.6").
std::string RealText(float value);

}  // namespace wuvo
