#include "engine/text/stamp_text.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdio>
#include <string>
#include <string_view>

#include "engine/settings/app_settings.h"
#include "engine/text/format_tables.h"
#include "platform/crt/case_fold.h"
#include "platform/crt/time_format.h"
#include "platform/text/utf.h"

namespace wuvo {

namespace {

static_assert(kStampTextLength == kFormatChars, "a prepared format is read back as a slot");

// Typed by the user in a custom format: backslash and n.
constexpr std::u16string_view kLineBreakEscape = u"\\n";
// The text rasteriser draws each carriage-return-separated part as a line.
constexpr char16_t kLineBreak = u'\r';
// Fixed time formats are made in this locale whatever the stamp language.
constexpr std::u16string_view kFixedTimeLocale = u"english";
constexpr std::u16string_view kAmPmConversion = u"%p";
constexpr uint64_t kMillisecondsPerSecond = 1000;
// A 64-bit number with its separator and terminator.
constexpr size_t kSuffixRoom = 32;

enum class TimeSuffix { None, FrameIndex, Milliseconds };
enum class CaseRule {
    Upper,           // upper case when asked
    UpperElseLower,  // upper case when asked, else lower case
    UpperElseAmPm,   // upper case when asked, else a lower-case am/pm marker
    Keep,
};

struct TimeFormatRule {
    TimeSuffix suffix;
    CaseRule caseRule;
};
constexpr std::array<TimeFormatRule, kTimeFormatEntries> kTimeFormatRules{{
    {TimeSuffix::None, CaseRule::UpperElseAmPm},
    {TimeSuffix::None, CaseRule::Upper},
    {TimeSuffix::None, CaseRule::Upper},
    {TimeSuffix::None, CaseRule::UpperElseLower},
    {TimeSuffix::None, CaseRule::UpperElseLower},
    {TimeSuffix::None, CaseRule::Upper},
    {TimeSuffix::None, CaseRule::Upper},
    {TimeSuffix::None, CaseRule::UpperElseLower},
    {TimeSuffix::None, CaseRule::UpperElseLower},
    {TimeSuffix::FrameIndex, CaseRule::Keep},
    {TimeSuffix::FrameIndex, CaseRule::Keep},
    {TimeSuffix::Milliseconds, CaseRule::Keep},
    {TimeSuffix::Milliseconds, CaseRule::Keep},
    {TimeSuffix::FrameIndex, CaseRule::Keep},
    {TimeSuffix::None, CaseRule::Upper},
}};

// A format slot as stored: it ends at its terminator or at the field's end.
std::u16string_view SlotText(const char16_t* slot)
{
    return {slot, platform::FieldLength(slot, kFormatChars)};
}

void FormatInLocale(char16_t* text, std::u16string_view format, const std::tm& time, std::u16string_view locale)
{
    platform::FormatTime(text, kStampTextLength, format, time, locale);
}

// The format of a slot, with line breaks for a custom slot.
void FormatSlot(char16_t* text, const char16_t* slot, bool custom, const std::tm& time, std::u16string_view locale)
{
    if (!custom) {
        FormatInLocale(text, SlotText(slot), time, locale);
        return;
    }
    char16_t prepared[kStampTextLength];
    PrepareMultilineFormat(slot, prepared);
    FormatInLocale(text, SlotText(prepared), time, locale);
}

// Writes the first "AM" of the text, or else its first "PM", in lower case.
void LowerFirstAmPm(char16_t* text)
{
    std::u16string_view view(text, platform::FieldLength(text, kStampTextLength));
    size_t at = view.find(u"AM");
    if (at == std::u16string_view::npos)
        at = view.find(u"PM");
    if (at == std::u16string_view::npos)
        return;
    text[at] = platform::ToLowerAscii(text[at]);
    text[at + 1] = platform::ToLowerAscii(text[at + 1]);
}

void ApplyCaseRule(char16_t* text, CaseRule rule, bool upperCase, const char16_t* customSlot)
{
    if (rule == CaseRule::Keep)
        return;
    if (rule == CaseRule::UpperElseAmPm)
        ApplyCustomFormatCase(text, upperCase, SlotText(customSlot));
    else if (upperCase)
        platform::UpperCaseAscii(text, kStampTextLength);
    else if (rule == CaseRule::UpperElseLower)
        platform::LowerCaseAscii(text, kStampTextLength);
}

uint64_t MillisecondsSinceStart(const StampContext& context)
{
    if (context.timescale == 0)
        return 0;
    unsigned __int128 product = static_cast<unsigned __int128>(context.frameIndexByTime) * context.averageDelta
                                * kMillisecondsPerSecond;
    unsigned __int128 milliseconds = product / context.timescale;
    // Only a time scale below a millisecond's worth can leave 64 bits.
    return milliseconds > UINT64_MAX ? UINT64_MAX : static_cast<uint64_t>(milliseconds);
}

// Appends the frame or millisecond suffix; a text that has no room for it
// is dropped whole rather than shown cut.
void AppendSuffix(char16_t* text, TimeSuffix suffix, const StampContext& context)
{
    char digits[kSuffixRoom];
    if (suffix == TimeSuffix::FrameIndex)
        std::snprintf(digits, sizeof digits, ":%02" PRIu32, context.frameIndexByTime);
    else
        std::snprintf(digits, sizeof digits, ".%03" PRIu64, MillisecondsSinceStart(context));
    size_t length = platform::FieldLength(text, kStampTextLength);
    std::u16string appended = platform::ToUtf16(digits);
    if (length + appended.size() >= kStampTextLength) {
        text[0] = u'\0';
        return;
    }
    std::copy(appended.begin(), appended.end(), text + length);
    text[length + appended.size()] = u'\0';
}

}  // namespace

void ApplyCustomFormatCase(char16_t* text, bool upperCase, std::u16string_view format)
{
    if (upperCase)
        platform::UpperCaseAscii(text, kStampTextLength);
    else if (format.find(kAmPmConversion) != std::u16string_view::npos)
        LowerFirstAmPm(text);
}

void PrepareMultilineFormat(const char16_t* format, char16_t* out)
{
    std::u16string_view source = SlotText(format);
    size_t written = 0;
    for (size_t i = 0; i < source.size() && written + 1 < kStampTextLength; ++written) {
        if (source.substr(i, kLineBreakEscape.size()) == kLineBreakEscape) {
            out[written] = kLineBreak;
            i += kLineBreakEscape.size();
        } else {
            out[written] = source[i++];
        }
    }
    out[written] = u'\0';
}

void FormatDateText(const StampContext& context, char16_t* text)
{
    text[0] = u'\0';
    uint32_t language = StampLanguage();
    uint32_t index = gSettings.dateStamp.formatIndex;
    if (index >= kDateFormatsPerGroup)
        return;
    size_t customSlot = DateFormatGroup(language) * kDateFormatsPerGroup;
    bool custom = index == kCustomFormat;
    FormatSlot(text, DateFormatTable[customSlot + index], custom, context.tm, LocaleNameTable[language]);
    ApplyCaseRule(text, custom ? CaseRule::UpperElseAmPm : CaseRule::Upper, gSettings.dateStamp.upperCase != 0,
                  DateFormatTable[customSlot]);
}

void FormatTimeText(const StampContext& context, char16_t* text)
{
    text[0] = u'\0';
    uint32_t index = gSettings.timeStamp.formatIndex;
    if (index >= kTimeFormatEntries)
        return;
    bool custom = index == kCustomFormat;
    std::u16string_view locale = custom ? std::u16string_view(LocaleNameTable[StampLanguage()]) : kFixedTimeLocale;
    FormatSlot(text, TimeFormatTable[index], custom, context.tm, locale);
    const TimeFormatRule& rule = kTimeFormatRules[index];
    if (rule.suffix != TimeSuffix::None)
        AppendSuffix(text, rule.suffix, context);
    ApplyCaseRule(text, rule.caseRule, gSettings.timeStamp.upperCase != 0, TimeFormatTable[kCustomFormat]);
}

}  // namespace wuvo
