#pragma once

#include <string>

#include "platform/gdi/text_renderer.h"

namespace wuvo::platform {

// The family of the face that text in `font` is drawn with: the face named
// when it is installed, else the one fontconfig falls back to. Empty when no
// face can be loaded at all.
std::u16string MatchedFontFamily(const FontDescription& font);

}  // namespace wuvo::platform
