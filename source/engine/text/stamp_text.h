#pragma once

#include "engine/stamp/stamp_context.h"

namespace wuvo {

// Room of a stamp text and of a prepared format, in char16_t with the final zero.
inline constexpr size_t kStampTextLength = 100;

// The date stamp of `context` (date of context.tm plus sub-second suffixes)
// under the settings' date format and language; `text` holds kStampTextLength.
void FormatDateText(const StampContext& context, char16_t* text);

// The time stamp of `context` under the settings' time format and language.
void FormatTimeText(const StampContext& context, char16_t* text);

// A custom format with its "\n" escapes turned into line breaks; `out` holds
// kStampTextLength.
void PrepareMultilineFormat(const char16_t* format, char16_t* out);

}  // namespace wuvo
