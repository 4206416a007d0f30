#include "app/dialogs/font_attributes.h"

#include <string>

#include "app/settings/settings_file.h"
#include "platform/crt/case_fold.h"
#include "platform/text/format.h"
#include "platform/text/utf.h"

namespace wuvo {

namespace {

constexpr uint32_t kFullBrightness = 255;
constexpr uint32_t kPercent = 100;
constexpr int32_t kTenths = 10;

// "36" or "10.5".
std::u16string PointsText(int32_t tenthsOfPoint)
{
    if (tenthsOfPoint % kTenths == 0)
        return platform::FormatText(u"%d", tenthsOfPoint / kTenths);
    return platform::FormatText(u"%d.%d", tenthsOfPoint / kTenths, tenthsOfPoint % kTenths);
}

}  // namespace

std::u16string BrightnessLabel(uint32_t brightness)
{
    return PercentLabel(brightness * kPercent / kFullBrightness);
}

std::u16string PercentLabel(uint32_t percent)
{
    return platform::FormatText(u"%u%%", percent);
}

std::u16string FontStatusText(std::u16string_view requested, std::u16string_view drawn, int32_t tenthsOfPoint)
{
    const std::u16string asked(requested);
    if (drawn.empty())
        return platform::FormatText(u"%s is not installed, and no other font could be loaded.", asked.c_str());
    const std::u16string used = platform::FormatText(u"Stamp font: %s, %s pt", std::u16string(drawn).c_str(),
                                                     PointsText(tenthsOfPoint).c_str());
    if (platform::EqualsIgnoringAsciiCase(requested, drawn))
        return used;
    // Debian draws Arial with the metric-compatible Liberation Sans: a
    // stand-in, said plainly, not an error.
    return used + platform::FormatText(u", in place of %s", asked.c_str());
}

}  // namespace wuvo
