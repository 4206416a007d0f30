#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace wuvo {

// The date-format list's sample: 22 June 2003 at midnight. Its weekday is
// Friday, as the list has always shown, although that day was a Sunday.
std::tm DateListSampleTime();
// The custom-format dialog's sample: the same day at 21:26:38.
std::tm CustomFormatSampleTime();

// How many items the date-format list offers in a stamp language.
uint32_t DateFormatItemCount(uint32_t language);

// What item `item` of the date-format list shows: "Custom" for item 0, else
// the sample date in that format of the language's group, in its locale.
std::u16string DateFormatItemText(uint32_t language, uint32_t item);

// The custom-format dialog's preview of `format`: the sample date and time
// in the stamp language, with the case rule of custom formats. A format of
// a full field's length or more, one with a conversion the runtime does not
// know or a "%" at its end, and one whose text does not fit a stamp have
// no preview: the stamp would show nothing.
enum class FormatProblem { None, FormatTooLong, UnknownConversion, TextTooLong };
struct CustomFormatPreview {
    FormatProblem problem = FormatProblem::None;
    std::u16string text;
};
CustomFormatPreview PreviewCustomFormat(std::u16string_view format, uint32_t language, bool upperCase);

// A text for a 100-character field: at most its first 99 characters (never
// half of a surrogate pair); `cut` when it had to be shortened.
struct FieldFit {
    std::u16string text;
    bool cut = false;
};
FieldFit FitFormatField(std::u16string_view text);

}  // namespace wuvo
