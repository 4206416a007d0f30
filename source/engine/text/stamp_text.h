#pragma once

#include <cstddef>
#include <string_view>

#include "engine/stamp/stamp_context.h"

namespace wuvo {

// Room of a stamp text and of a prepared format, in char16_t with the final zero.
inline constexpr size_t kStampTextLength = 100;

// The date stamp's text for the frame of `context` (its tm) in the settings'
// date format and stamp language; `text` holds kStampTextLength. A format
// index past the table, or a text that does not fit, gives no text.
void FormatDateText(const StampContext& context, char16_t* text);

// The same for the time stamp, with the frame or millisecond suffix of the
// sub-second formats (from the context's frame index, delta and timescale).
void FormatTimeText(const StampContext& context, char16_t* text);

// The case rule of a text made from the custom format `format`: all upper
// case when asked, else the first "AM" (or else "PM") in lower case when the
// format holds the am/pm conversion. Folds only the letters a to z.
void ApplyCustomFormatCase(char16_t* text, bool upperCase, std::u16string_view format);

// Copies a custom format slot (read up to its field's end), turning every
// backslash-n typed by the user into a carriage return, the line break of the
// stamp texts; `out` holds kStampTextLength and receives at most
// kStampTextLength - 1 characters and the terminator.
void PrepareMultilineFormat(const char16_t* format, char16_t* out);

}  // namespace wuvo
