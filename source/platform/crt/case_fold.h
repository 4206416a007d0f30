#pragma once

#include <cstddef>
#include <string_view>

namespace wuvo::platform {

// Case folding of the C runtime in the "C" locale: only the letters a to z
// change, every other letter keeps its case.
char16_t ToUpperAscii(char16_t c);
char16_t ToLowerAscii(char16_t c);
bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b);

// Fold a NUL-terminated text in a field of `capacity`, never past the field.
void UpperCaseAscii(char16_t* text, size_t capacity);
void LowerCaseAscii(char16_t* text, size_t capacity);

}  // namespace wuvo::platform
