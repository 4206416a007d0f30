#pragma once

#include <cstddef>
#include <ctime>
#include <string_view>

namespace wuvo::platform {

// wcsftime as the Windows C runtime gives it, in the C-runtime locale named
// `crtLocale` (see FindCrtLocale). The process locale is never switched, so
// threads may format at once in different locales. Beyond the C conversions:
// "#" drops the leading zeros of numbers (%#d, %#H, %#T, ...), %#x is the
// locale's long date and %#c the long date with the time; E and O modifiers
// are ignored.
// Writes the text and its terminator into `out` and returns the text's
// length. Returns 0 with `out` empty when they do not fit into `capacity` or
// the format holds a conversion the runtime does not know.
size_t FormatTime(char16_t* out, size_t capacity, std::u16string_view format,
                  const std::tm& time, std::u16string_view crtLocale);

// The same, saying why a text is empty.
enum class TimeFormatStatus { Done, UnknownConversion, TooLong, NoLocale };
struct TimeFormatResult {
    size_t length = 0;
    TimeFormatStatus status = TimeFormatStatus::Done;
};
TimeFormatResult FormatTimeChecked(char16_t* out, size_t capacity, std::u16string_view format,
                                   const std::tm& time, std::u16string_view crtLocale);

}  // namespace wuvo::platform
