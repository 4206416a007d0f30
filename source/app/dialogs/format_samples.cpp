#include "app/dialogs/format_samples.h"

#include "engine/settings/app_settings.h"
#include "engine/text/format_tables.h"
#include "engine/text/stamp_text.h"
#include "platform/crt/time_format.h"

namespace wuvo {

namespace {

constexpr int kSampleYear = 103;  // years since 1900
constexpr int kSampleMonth = 5;   // June
constexpr int kSampleDay = 22;
constexpr int kSampleWeekday = 5;
constexpr int kSampleHour = 21;
constexpr int kSampleMinute = 26;
constexpr int kSampleSecond = 38;
constexpr char16_t kCustomItem[] = u"Custom";
constexpr size_t kMaxFormatLength = kFormatChars - 1;

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

}  // namespace

std::tm DateListSampleTime()
{
    std::tm time{};
    time.tm_year = kSampleYear;
    time.tm_mon = kSampleMonth;
    time.tm_mday = kSampleDay;
    time.tm_wday = kSampleWeekday;
    return time;
}

std::tm CustomFormatSampleTime()
{
    std::tm time = DateListSampleTime();
    time.tm_hour = kSampleHour;
    time.tm_min = kSampleMinute;
    time.tm_sec = kSampleSecond;
    return time;
}

uint32_t DateFormatItemCount(uint32_t language)
{
    return language < kLanguageCount ? DateFormatCountTable[language] : 0;
}

std::u16string DateFormatItemText(uint32_t language, uint32_t item)
{
    if (item == kCustomFormat)
        return kCustomItem;
    if (language >= kLanguageCount || item >= kDateFormatsPerGroup)
        return {};
    char16_t text[kStampTextLength];
    const char16_t* format = DateFormatTable[DateFormatGroup(language) * kDateFormatsPerGroup + item];
    size_t length =
        platform::FormatTime(text, kStampTextLength, format, DateListSampleTime(), LocaleNameTable[language]);
    return std::u16string(text, length);
}

CustomFormatPreview PreviewCustomFormat(std::u16string_view format, uint32_t language, bool upperCase)
{
    if (format.size() > kMaxFormatLength)
        return {FormatProblem::FormatTooLong, {}};
    char16_t text[kStampTextLength];
    const char16_t* locale = LocaleNameTable[language < kLanguageCount ? language : kDefaultLanguage];
    platform::TimeFormatResult result =
        platform::FormatTimeChecked(text, kStampTextLength, format, CustomFormatSampleTime(), locale);
    if (result.status == platform::TimeFormatStatus::UnknownConversion)
        return {FormatProblem::UnknownConversion, {}};
    if (result.status == platform::TimeFormatStatus::TooLong)
        return {FormatProblem::TextTooLong, {}};
    ApplyCustomFormatCase(text, upperCase, format);
    return {FormatProblem::None, std::u16string(text, result.length)};
}

FieldFit FitFormatField(std::u16string_view text)
{
    if (text.size() <= kMaxFormatLength)
        return {std::u16string(text), false};
    size_t keep = kMaxFormatLength;
    if (IsHighSurrogate(text[keep - 1]))
        --keep;
    return {std::u16string(text.substr(0, keep)), true};
}

}  // namespace wuvo
