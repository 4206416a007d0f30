#include "platform/gdi/font_match.h"

#include "platform/gdi/font_set.h"
#include "platform/text/utf.h"

namespace wuvo::platform {

std::u16string MatchedFontFamily(const FontDescription& font)
{
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0)
        return {};
    std::u16string family;
    {
        // The renderer's own choice of face, so the answer is what a stamp shows.
        FontSet fonts(library);
        if (fonts.Select(font) && fonts.PrimaryFace()->family_name != nullptr)
            family = ToUtf16(fonts.PrimaryFace()->family_name);
    }
    FT_Done_FreeType(library);
    return family;
}

}  // namespace wuvo::platform
