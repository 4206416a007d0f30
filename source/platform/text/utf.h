#pragma once

#include <string>
#include <string_view>

namespace wuvo::platform {

// Conversions at the edges: UTF-16 inside records, UTF-8 for the file system
// and the media libraries. A Linux name is bytes in no set encoding, so each
// byte that is not part of valid UTF-8 is carried as the lone surrogate
// U+DC80-U+DCFF and turned back into that byte: every name survives the round
// trip. Other unpaired surrogates become U+FFFD.
std::string ToUtf8(std::u16string_view text);
std::u16string ToUtf16(std::string_view text);
// For people and text files: valid UTF-8, a carried byte shown as U+FFFD.
std::string ToReadableUtf8(std::u16string_view text);
// UTF-32 for the C library's wide-character calls.
std::u32string ToUtf32(std::u16string_view text);
std::u16string FromUtf32(std::u32string_view text);

// `text` without its last character: a surrogate pair goes whole.
std::u16string_view WithoutLastCharacter(std::u16string_view text);

// Length of a NUL-terminated text held in a fixed field: it never reads past
// the field, also when the field lacks its terminator.
size_t FieldLength(const char16_t* field, size_t capacity);

// Copies text into a fixed field and fills the rest with NULs. False, and
// the field left empty, when it does not fit with its terminator: texts are
// never cut.
bool CopyToField(char16_t* field, size_t capacity, std::u16string_view text);

}  // namespace wuvo::platform
