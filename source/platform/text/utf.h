#pragma once

#include <string>
#include <string_view>

namespace wuvo::platform {

// Conversions at the edges: UTF-16 inside records, UTF-8 for the file system
// and the media libraries. Unpaired surrogates become U+FFFD.
std::string ToUtf8(std::u16string_view text);
std::u16string ToUtf16(std::string_view text);
// UTF-32 for the C library's wide-character calls.
std::u32string ToUtf32(std::u16string_view text);
std::u16string FromUtf32(std::u32string_view text);

// Length of a NUL-terminated text held in a fixed field: it never reads past
// the field, also when the field lacks its terminator.
size_t FieldLength(const char16_t* field, size_t capacity);

// Copies text into a fixed field and fills the rest with NULs. False, and
// the field left empty, when it does not fit with its terminator: texts are
// never cut.
bool CopyToField(char16_t* field, size_t capacity, std::u16string_view text);

}  // namespace wuvo::platform
