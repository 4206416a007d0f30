#include "platform/text/utf.h"

#include <algorithm>

namespace wuvo::platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
// A byte that is not part of valid UTF-8 is carried as this plus the byte;
// such a byte is never below 0x80.
constexpr char16_t kCarriedByteBase = 0xDC00;
constexpr char16_t kFirstCarried = 0xDC80;
constexpr char16_t kLastCarried = 0xDCFF;

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendUtf16(std::u16string& out, char32_t c)
{
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 | (c >> 10));
        out += static_cast<char16_t>(0xDC00 | (c & 0x3FF));
    }
}

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool IsCarriedByte(char16_t c) { return c >= kFirstCarried && c <= kLastCarried; }

// Decodes one UTF-8 sequence at `i`, advancing it; the lead byte of a
// malformed one is carried alone, and decoding goes on at the next byte.
char32_t DecodeUtf8(std::string_view text, size_t& i)
{
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    const char32_t carried = kCarriedByteBase + lead;
    int extra = lead < 0x80 ? 0 : (lead >> 5) == 0x6 ? 1 : (lead >> 4) == 0xE ? 2 : (lead >> 3) == 0x1E ? 3 : -1;
    if (extra < 0 || i + extra >= text.size()) {
        ++i;
        return carried;
    }
    char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            ++i;
            return carried;
        }
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    bool valid = c >= kSmallest[extra] && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
    i += valid ? extra + 1 : 1;
    return valid ? c : carried;
}

// Decodes one UTF-16 character at `i`, advancing it; an unpaired surrogate
// yields the replacement character.
char32_t DecodeUtf16(std::u16string_view text, size_t& i)
{
    char16_t c = text[i++];
    if (IsHigh(c) && i < text.size() && IsLow(text[i]))
        return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(text[i++]) - 0xDC00);
    return IsHigh(c) || IsLow(c) ? kReplacement : c;
}

std::string EncodeUtf8(std::u16string_view text, bool bytesBack)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        // A low surrogate here is a lone one: pairs are decoded whole.
        if (bytesBack && IsCarriedByte(text[i]))
            out += static_cast<char>(text[i++] - kCarriedByteBase);
        else
            AppendUtf8(out, DecodeUtf16(text, i));
    }
    return out;
}

}  // namespace

std::string ToUtf8(std::u16string_view text)
{
    return EncodeUtf8(text, true);
}

std::string ToReadableUtf8(std::u16string_view text)
{
    return EncodeUtf8(text, false);
}

std::u32string ToUtf32(std::u16string_view text)
{
    std::u32string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();)
        out += DecodeUtf16(text, i);
    return out;
}

std::u16string FromUtf32(std::u32string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (char32_t c : text)
        AppendUtf16(out, c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF) ? kReplacement : c);
    return out;
}

std::u16string ToUtf16(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();)
        AppendUtf16(out, DecodeUtf8(text, i));
    return out;
}

std::u16string_view WithoutLastCharacter(std::u16string_view text)
{
    const bool pair = text.size() >= 2 && IsHigh(text[text.size() - 2]) && IsLow(text.back());
    text.remove_suffix(std::min<size_t>(pair ? 2 : 1, text.size()));
    return text;
}

size_t FieldLength(const char16_t* field, size_t capacity)
{
    return static_cast<size_t>(std::find(field, field + capacity, u'\0') - field);
}

bool CopyToField(char16_t* field, size_t capacity, std::u16string_view text)
{
    if (capacity == 0)
        return false;
    // The rest of the field is cleared: stored files carry whole fields,
    // and must not keep the tail of an earlier, longer text.
    const bool fits = text.size() < capacity;
    const size_t copied = fits ? text.size() : 0;
    std::copy_n(text.begin(), copied, field);
    std::fill(field + copied, field + capacity, u'\0');
    return fits;
}

}  // namespace wuvo::platform
