#pragma once

#include <cstdint>

#include <wx/font.h>

#include "engine/settings/app_settings.h"

namespace wuvo {

// The one road between a stamp's stored font and the toolkit's font. Sizes
// are points (stored in tenths), turned into pixels at the rasteriser's
// pixels per inch whatever the screen's, so the font chooser offers the
// size the stamp is drawn at.
wxFont FontOfRecord(const FontRecord& record, int32_t tenthsOfPoint);

// Takes the face, weight, style and size of `font` into `record` and
// `tenthsOfPoint`; fields the toolkit has no word for keep their values.
// False, and nothing changed, when the face name is empty or does not fit
// the record.
bool StoreFontInRecord(const wxFont& font, FontRecord& record, int32_t& tenthsOfPoint);

}  // namespace wuvo
