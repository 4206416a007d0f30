#include "app/ui/number_text.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <type_traits>

namespace wuvo {

namespace {

// Significant digits a float keeps.
constexpr int kFloatDigits = FLT_DIG;

// A number that does not fit T. For a real one only a non-negative
// exponent makes it large; a negative one makes it too small, so 0.
template <typename T>
T TooLarge(std::string_view text)
{
    const bool negative = text.front() == '-';
    if constexpr (std::is_floating_point_v<T>) {
        size_t exponent = text.find_first_of("eE");
        if (exponent != std::string_view::npos && text.substr(exponent + 1).starts_with('-'))
            return T{};
    }
    return negative ? std::numeric_limits<T>::lowest() : std::numeric_limits<T>::max();
}

std::string_view Trimmed(std::string_view text)
{
    constexpr std::string_view kBlanks = " \t";
    size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// The whole of `text` as a number of type T, or nothing. A number too
// large for T becomes T's largest (or, negative, its lowest), so that it is
// limited like any other number beyond a field's range.
template <typename T>
std::optional<T> ParseWhole(std::string_view text)
{
    T value{};
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || end != text.data() + text.size())
        return std::nullopt;
    if (error == std::errc::result_out_of_range)
        return TooLarge<T>(text);
    if (error != std::errc())
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
    if (!value || !std::isfinite(*value))
        return std::nullopt;
    constexpr double kLargest = std::numeric_limits<float>::max();
    return static_cast<float>(std::clamp(*value, -kLargest, kLargest));
}

std::string RealText(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.*g", kFloatDigits, static_cast<double>(value));
    return text;
}

}  // namespace wuvo
