#include "app/ui/text.h"

#include "platform/text/utf.h"

namespace wuvo {

wxString ToWx(std::u16string_view text)
{
    return wxString::FromUTF8(platform::ToReadableUtf8(text));
}

std::u16string FromWx(const wxString& text)
{
    return platform::ToUtf16(text.utf8_string());
}

std::string PathOf(const wxString& text)
{
    return text.utf8_string();
}

std::u16string FieldText(const char16_t* field, size_t capacity)
{
    return std::u16string(field, platform::FieldLength(field, capacity));
}

std::string PathOfField(const char16_t* field, size_t capacity)
{
    return platform::ToUtf8(FieldText(field, capacity));
}

}  // namespace wuvo
