#include "app/ui/number_text.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace wuvo {

namespace {

// Significant digits a float keeps.
constexpr int kFloatDigits = FLT_DIG;

std::string_view Trimmed(std::string_view text)
{
    constexpr std::string_view kBlanks = " \t";
    size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// The whole of `text` as a number of type T, or nothing.
template <typename T>
std::optional<T> ParseWhole(std::string_view text)
{
    T value{};
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<uint32_t> ParseUnsignedText(std::string_view text)
{
    text = Trimmed(text);
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        return std::nullopt;
    return ParseWhole<uint32_t>(text);
}

std::optional<int32_t> ParseSignedText(std::string_view text)
{
    text = Trimmed(text);
    if (text.size() > 1 && text.front() == '+' && text[1] != '-')
        text.remove_prefix(1);
    return ParseWhole<int32_t>(text);
}

std::optional<float> ParseRealText(std::string_view text)
{
    text = Trimmed(text);
    if (text.size() > 1 && text.front() == '+' && text[1] != '-')
        text.remove_prefix(1);
    std::optional<double> value = ParseWhole<double>(text);
    if (!value || !std::isfinite(*value) || std::fabs(*value) > std::numeric_limits<float>::max())
        return std::nullopt;
    return static_cast<float>(*value);
}

std::string RealText(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.*g", kFloatDigits, static_cast<double>(value));
    return text;
}

}  // namespace wuvo
