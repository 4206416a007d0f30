#include "app/panels/stamp_position.h"

#include <algorithm>
#include <initializer_list>

#include "engine/text/format_tables.h"

namespace wuvo {

namespace {

// A stamp keeps this many pixels of the frame to its right and below it.
constexpr uint32_t kEdgeMargin = 20;

constexpr std::initializer_list<std::u16string_view> kDateTokens = {
    u"%a", u"%A", u"%b", u"%B", u"%#c", u"%c", u"%#d", u"%d", u"%#j", u"%j", u"%#m", u"%m",
    u"%#U", u"%U", u"%#w", u"%w", u"%#W", u"%W", u"%#x", u"%x", u"%#y", u"%y", u"%#Y", u"%Y"};
constexpr std::initializer_list<std::u16string_view> kTimeTokens = {u"%#H", u"%H", u"%#M", u"%M",
                                                                     u"%#S", u"%S", u"%X"};

uint32_t Limit(uint32_t size)
{
    return size > kEdgeMargin ? size - kEdgeMargin : 0;
}

bool ContainsAny(std::u16string_view format, std::initializer_list<std::u16string_view> tokens)
{
    return std::any_of(tokens.begin(), tokens.end(),
                       [&](std::u16string_view token) { return format.find(token) != std::u16string_view::npos; });
}

}  // namespace

PositionLimits PositionLimitsFor(uint32_t frameWidth, uint32_t frameHeight)
{
    return {Limit(frameWidth), Limit(frameHeight)};
}

uint32_t NudgedTowardsZero(uint32_t value, uint32_t step)
{
    return value > step ? value - step : 0;
}

uint32_t NudgedTowardsLimit(uint32_t value, uint32_t step, uint32_t limit)
{
    if (value >= limit)
        return value;
    return limit - value > step ? value + step : limit;
}

bool FormatShowsDate(std::u16string_view format)
{
    return ContainsAny(format, kDateTokens);
}

bool FormatShowsTime(std::u16string_view format)
{
    return ContainsAny(format, kTimeTokens);
}

void FollowCustomSlot(StampStyle& style, const char16_t* slot)
{
    std::copy_n(slot, kFormatChars, style.format);
    style.format[kFormatChars - 1] = 0;
    const std::u16string_view format(style.format);
    style.hasDate = FormatShowsDate(format) ? 1 : 0;
    style.hasTime = FormatShowsTime(format) ? 1 : 0;
}

void FollowCustomSlots(AppSettings& settings)
{
    FollowCustomSlot(settings.dateStamp, DateFormatTable[DateFormatGroup(settings.language) * kDateFormatsPerGroup]);
    FollowCustomSlot(settings.timeStamp, TimeFormatTable[kCustomFormat]);
}

}  // namespace wuvo
