#pragma once

#include <string>
#include <string_view>

#include <wx/string.h>

namespace wuvo {

// The records keep UTF-16, the file system UTF-8, the toolkit wxString. A
// byte of a name that is not UTF-8 shows as U+FFFD, as the file chooser
// shows it.
wxString ToWx(std::u16string_view text);
std::u16string FromWx(const wxString& text);
// UTF-8 path for the file system from a toolkit text.
std::string PathOf(const wxString& text);
// The text of a fixed UTF-16 field, never read past its end.
std::u16string FieldText(const char16_t* field, size_t capacity);
template <size_t N>
std::u16string FieldText(const char16_t (&field)[N])
{
    return FieldText(field, N);
}
std::string PathOfField(const char16_t* field, size_t capacity);
template <size_t N>
std::string PathOfField(const char16_t (&field)[N])
{
    return PathOfField(field, N);
}

}  // namespace wuvo
