#include "platform/crt/time_format.h"

#include <algorithm>
#include <array>
#include <cwchar>
#include <locale.h>
#include <string>

#include "platform/crt/crt_locale.h"
#include "platform/text/utf.h"

namespace wuvo::platform {

namespace {

static_assert(sizeof(wchar_t) == sizeof(char32_t), "the C library's wide text is UTF-32 here");

// Room for the text of one conversion; the longest is a locale's full date
// and time, well below this.
constexpr size_t kConversionRoom = 256;

// Composite conversions, expanded here so that "#" reaches every number.
struct Composite {
    wchar_t conversion;
    const wchar_t* plain;
    const wchar_t* withoutZeros;
};
constexpr std::array kComposites{
    Composite{L'D', L"%m/%d/%y", L"%#m/%#d/%#y"},
    Composite{L'F', L"%Y-%m-%d", L"%#Y-%#m-%#d"},
    Composite{L'R', L"%H:%M", L"%#H:%#M"},
    Composite{L'T', L"%H:%M:%S", L"%#H:%#M:%#S"},
    Composite{L'r', L"%I:%M:%S %p", L"%#I:%#M:%#S %p"},
};
// Numbers whose leading zeros or spaces "#" removes.
constexpr std::wstring_view kNumbers = L"deHIjmMSUVWyY";
// Conversions on which "#" has no effect (%x and %c without "#" included).
constexpr std::wstring_view kOthers = L"aAbBcCgGhnptuwxXzZ%";

constexpr std::array<int, 12> kDaysBeforeMonth{0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// The callers' broken-down times carry no day of the year; %j, %U and %W
// need it.
std::tm WithDayOfYear(const std::tm& time)
{
    std::tm out = time;
    bool known = out.tm_yday >= 0 && out.tm_yday <= 365;
    if (!known && out.tm_mon >= 0 && out.tm_mon <= 11) {
        bool afterLeapDay = out.tm_mon > 1 && IsLeapYear(out.tm_year + 1900);
        out.tm_yday = kDaysBeforeMonth[out.tm_mon] + out.tm_mday - 1 + (afterLeapDay ? 1 : 0);
    }
    return out;
}

class LocaleObject {
public:
    explicit LocaleObject(const char* name)
        : handle_(::newlocale(LC_ALL_MASK, name, locale_t{}))
    {
        // An uninstalled locale leaves "C", as a failed setlocale would.
        if (handle_ == locale_t{})
            handle_ = ::newlocale(LC_ALL_MASK, "C", locale_t{});
    }
    ~LocaleObject()
    {
        if (handle_ != locale_t{})
            ::freelocale(handle_);
    }
    LocaleObject(const LocaleObject&) = delete;
    LocaleObject& operator=(const LocaleObject&) = delete;

    bool Valid() const { return handle_ != locale_t{}; }
    locale_t Get() const { return handle_; }

private:
    locale_t handle_;
};

class TimeFormatter {
public:
    TimeFormatter(const std::tm& time, locale_t locale, std::u16string_view longDatePattern)
        : time_(WithDayOfYear(time)), locale_(locale), longDatePattern_(longDatePattern)
    {
    }

    // False for a conversion the runtime does not know.
    bool Append(std::wstring_view format)
    {
        for (size_t i = 0; i < format.size(); ++i) {
            if (format[i] != L'%') {
                text_ += format[i];
                continue;
            }
            bool withoutZeros = ++i < format.size() && format[i] == L'#';
            if (withoutZeros)
                ++i;
            if (i < format.size() && (format[i] == L'E' || format[i] == L'O'))
                ++i;
            if (i >= format.size() || !AppendConversion(format[i], withoutZeros))
                return false;
        }
        return true;
    }

    const std::wstring& Text() const { return text_; }

private:
    bool AppendConversion(wchar_t conversion, bool alternate)
    {
        if (alternate && conversion == L'x') {
            AppendLongDate();
            return true;
        }
        if (alternate && conversion == L'c') {
            AppendLongDate();
            text_ += L", ";
            return Append(L"%X");
        }
        for (const Composite& composite : kComposites) {
            if (composite.conversion == conversion)
                return Append(alternate ? composite.withoutZeros : composite.plain);
        }
        if (kNumbers.find(conversion) != std::wstring_view::npos) {
            // glibc's "-" flag is the runtime's "#" on a number.
            AppendSystem(alternate ? std::wstring{L'%', L'-', conversion} : std::wstring{L'%', conversion});
            return true;
        }
        if (kOthers.find(conversion) != std::wstring_view::npos) {
            AppendSystem(std::wstring{L'%', conversion});
            return true;
        }
        return false;
    }

    void AppendSystem(const std::wstring& conversion)
    {
        wchar_t room[kConversionRoom];
        size_t length = ::wcsftime_l(room, kConversionRoom, conversion.c_str(), &time_, locale_);
        text_.append(room, length);
    }

    // The long date is spelled by the runtime's own picture; the names come
    // from the locale, and numbers have no leading zeros.
    void AppendLongDate()
    {
        std::u16string_view pattern = longDatePattern_;
        for (size_t i = 0; i < pattern.size();) {
            char16_t letter = pattern[i];
            if (letter == u'\'') {
                i = AppendQuoted(pattern, i + 1);
                continue;
            }
            size_t run = std::find_if(pattern.begin() + i, pattern.end(), [&](char16_t c) { return c != letter; })
                         - (pattern.begin() + i);
            AppendPictureField(letter, run);
            i += run;
        }
    }

    // Copies quoted text from `i` to its closing quote ("''" is a quote);
    // returns the position after it.
    size_t AppendQuoted(std::u16string_view pattern, size_t i)
    {
        while (i < pattern.size()) {
            if (pattern[i] != u'\'') {
                text_ += static_cast<wchar_t>(pattern[i++]);
            } else if (i + 1 < pattern.size() && pattern[i + 1] == u'\'') {
                text_ += L'\'';
                i += 2;
            } else {
                return i + 1;
            }
        }
        return i;
    }

    void AppendPictureField(char16_t letter, size_t run)
    {
        switch (letter) {
        case u'd': AppendSystem(run <= 2 ? L"%-d" : run == 3 ? L"%a" : L"%A"); break;
        case u'M': AppendSystem(run <= 2 ? L"%-m" : run == 3 ? L"%b" : L"%B"); break;
        case u'y': AppendSystem(run <= 2 ? L"%-y" : L"%Y"); break;
        default: text_.append(run, static_cast<wchar_t>(letter)); break;
        }
    }

    std::tm time_;
    locale_t locale_;
    std::u16string_view longDatePattern_;
    std::wstring text_;
};

}  // namespace

TimeFormatResult FormatTimeChecked(char16_t* out, size_t capacity, std::u16string_view format,
                                   const std::tm& time, std::u16string_view crtLocale)
{
    if (capacity == 0)
        return {0, TimeFormatStatus::TooLong};
    out[0] = u'\0';
    const CrtLocale& locale = FindCrtLocale(crtLocale);
    LocaleObject system(locale.systemName);
    if (!system.Valid())
        return {0, TimeFormatStatus::NoLocale};

    std::u32string wide = ToUtf32(format);
    TimeFormatter formatter(time, system.Get(), locale.longDatePattern);
    if (!formatter.Append(std::wstring(wide.begin(), wide.end())))
        return {0, TimeFormatStatus::UnknownConversion};
    const std::wstring& text = formatter.Text();
    std::u16string result = FromUtf32(std::u32string(text.begin(), text.end()));
    if (!CopyToField(out, capacity, result))
        return {0, TimeFormatStatus::TooLong};
    return {result.size(), TimeFormatStatus::Done};
}

size_t FormatTime(char16_t* out, size_t capacity, std::u16string_view format,
                  const std::tm& time, std::u16string_view crtLocale)
{
    return FormatTimeChecked(out, capacity, format, time, crtLocale).length;
}

}  // namespace wuvo::platform
