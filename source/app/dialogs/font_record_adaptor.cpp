#include "app/dialogs/font_record_adaptor.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "app/dialogs/font_attributes.h"
#include "app/settings/settings_file.h"
#include "app/ui/text.h"
#include "platform/gdi/text_renderer.h"
#include "platform/text/utf.h"

namespace wuvo {

namespace {

constexpr float kTenthsPerPoint = 10.0f;
// A stored weight of 0 leaves the weight to the font: a regular one.
constexpr int kRegularWeight = 400;

}  // namespace

wxFont FontOfRecord(const FontRecord& record, int32_t tenthsOfPoint)
{
    wxFontInfo info(static_cast<float>(BoundRasterHeight(tenthsOfPoint)) / kTenthsPerPoint);
    info.FaceName(ToWx(FieldText(record.faceName)))
        .Italic(record.italic != 0)
        .Underlined(record.underline != 0)
        .Strikethrough(record.strikeOut != 0);
    wxFont font(info);
    font.SetNumericWeight(record.weight > 0 ? record.weight : kRegularWeight);
    return font;
}

bool StoreFontInRecord(const wxFont& font, FontRecord& record, int32_t& tenthsOfPoint)
{
    FontRecord chosen = record;
    const wxString face = font.GetFaceName();
    if (face.empty() || !platform::CopyToField(chosen.faceName, kFaceNameChars, FromWx(face)))
        return false;
    const long chosenTenths = std::lround(font.GetFractionalPointSize() * kTenthsPerPoint);
    const int32_t tenths = BoundRasterHeight(static_cast<int32_t>(std::clamp<long>(chosenTenths, 0, INT32_MAX)));
    chosen.height = platform::EmHeightForTenthsOfPoint(tenths);
    chosen.weight = font.GetNumericWeight();
    chosen.italic = font.GetStyle() != wxFONTSTYLE_NORMAL;
    chosen.underline = font.GetUnderlined();
    chosen.strikeOut = font.GetStrikethrough();
    record = chosen;
    tenthsOfPoint = tenths;
    return true;
}

}  // namespace wuvo
