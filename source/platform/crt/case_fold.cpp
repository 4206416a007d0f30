#include "platform/crt/case_fold.h"

#include <algorithm>

namespace wuvo::platform {

namespace {

constexpr char16_t kCaseDistance = u'a' - u'A';

template <char16_t (*Fold)(char16_t)>
void FoldField(char16_t* text, size_t capacity)
{
    for (size_t i = 0; i < capacity && text[i] != u'\0'; ++i)
        text[i] = Fold(text[i]);
}

}  // namespace

char16_t ToUpperAscii(char16_t c)
{
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - kCaseDistance) : c;
}

char16_t ToLowerAscii(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + kCaseDistance) : c;
}

bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char16_t x, char16_t y) { return ToLowerAscii(x) == ToLowerAscii(y); });
}

void UpperCaseAscii(char16_t* text, size_t capacity)
{
    FoldField<ToUpperAscii>(text, capacity);
}

void LowerCaseAscii(char16_t* text, size_t capacity)
{
    FoldField<ToLowerAscii>(text, capacity);
}

}  // namespace wuvo::platform
