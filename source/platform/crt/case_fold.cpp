#include "platform/crt/case_fold.h"

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

void UpperCaseAscii(char16_t* text, size_t capacity)
{
    FoldField<ToUpperAscii>(text, capacity);
}

void LowerCaseAscii(char16_t* text, size_t capacity)
{
    FoldField<ToLowerAscii>(text, capacity);
}

}  // namespace wuvo::platform
