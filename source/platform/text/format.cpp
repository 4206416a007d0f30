#include "platform/text/format.h"

#include <cstdarg>
#include <cstdio>
#include <string_view>

namespace wuvo::platform {

namespace {

constexpr std::u16string_view kFlags = u"-+ #0";

// One conversion: flags, width and precision as narrow text, then its letter.
struct Conversion {
    std::string spec = "%";
    char16_t letter = 0;
    size_t width = 0;
    bool leftAligned = false;
};

size_t ParseConversion(const char16_t* format, size_t i, Conversion& conversion)
{
    while (format[i] && kFlags.find(format[i]) != std::u16string_view::npos) {
        conversion.leftAligned |= format[i] == u'-';
        conversion.spec += static_cast<char>(format[i++]);
    }
    while (format[i] >= u'0' && format[i] <= u'9') {
        conversion.width = conversion.width * 10 + (format[i] - u'0');
        conversion.spec += static_cast<char>(format[i++]);
    }
    if (format[i] == u'.') {
        conversion.spec += static_cast<char>(format[i++]);
        while (format[i] >= u'0' && format[i] <= u'9')
            conversion.spec += static_cast<char>(format[i++]);
    }
    // Length modifiers carry no meaning here: arguments are int, unsigned or double.
    while (format[i] == u'l' || format[i] == u'h')
        ++i;
    conversion.letter = format[i];
    return format[i] ? i + 1 : i;
}

template <typename T>
void AppendNumber(std::u16string& out, const Conversion& conversion, T value)
{
    std::string spec = conversion.spec + static_cast<char>(conversion.letter);
    char buffer[128];
    int n = std::snprintf(buffer, sizeof buffer, spec.c_str(), value);
    for (int k = 0; k < n && k < static_cast<int>(sizeof buffer) - 1; ++k)
        out += static_cast<char16_t>(static_cast<unsigned char>(buffer[k]));
}

void AppendText(std::u16string& out, const Conversion& conversion, std::u16string_view text)
{
    size_t pad = text.size() < conversion.width ? conversion.width - text.size() : 0;
    if (!conversion.leftAligned)
        out.append(pad, u' ');
    out += text;
    if (conversion.leftAligned)
        out.append(pad, u' ');
}

}  // namespace

std::u16string FormatText(const char16_t* format, ...)
{
    std::u16string out;
    va_list args;
    va_start(args, format);
    for (size_t i = 0; format[i];) {
        if (format[i] != u'%') {
            out += format[i++];
            continue;
        }
        Conversion conversion;
        size_t next = ParseConversion(format, i + 1, conversion);
        switch (conversion.letter) {
        case u'%': out += u'%'; break;
        case u's': {
            const char16_t* text = va_arg(args, const char16_t*);
            AppendText(out, conversion, text ? std::u16string_view(text) : u"(null)");
            break;
        }
        case u'c': out += static_cast<char16_t>(va_arg(args, int)); break;
        case u'd': case u'i': AppendNumber(out, conversion, va_arg(args, int)); break;
        case u'u': case u'x': case u'X': AppendNumber(out, conversion, va_arg(args, unsigned)); break;
        case u'f': case u'e': case u'g': AppendNumber(out, conversion, va_arg(args, double)); break;
        default: out.append(format + i, format + next); break;
        }
        i = next;
    }
    va_end(args);
    return out;
}

}  // namespace wuvo::platform
