#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace wuvo {

// The labels beside the font attribute sliders: a brightness 0..255 as a
// whole percentage (220 is "86%"), the transparency as it stands.
std::u16string BrightnessLabel(uint32_t brightness);
std::u16string PercentLabel(uint32_t percent);

// A font size chosen for a stamp, in tenths of a point, kept to the sizes a
// stamp can be drawn at.

// What the font dialog says about the stamp font: the family asked for, the
// family the stamp is really drawn with (empty: none could be loaded) and
// the size in tenths of a point.
std::u16string FontStatusText(std::u16string_view requested, std::u16string_view drawn, int32_t tenthsOfPoint);

}  // namespace wuvo
