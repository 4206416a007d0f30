#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/settings/app_settings.h"

namespace wuvo {

// Formats and locale names of the stamp texts, filled at start-up. Only the
// custom slots change later (the settings file and the custom-format dialog).

constexpr size_t kDateFormatGroups = 4;
constexpr size_t kDateFormatsPerGroup = 8;
constexpr size_t kDateFormatEntries = kDateFormatGroups * kDateFormatsPerGroup;
constexpr size_t kTimeFormatEntries = 15;
constexpr size_t kLanguageCount = 29;
constexpr size_t kLocaleNameChars = 20;
// Languages from this one on share the last date-format group.
constexpr uint32_t kSharedGroupLanguage = 3;
// The language a settings value past the table stands for ("Default").
constexpr uint32_t kDefaultLanguage = 3;
constexpr uint32_t kCustomFormat = 0;

// Group g holds entries 8g..8g+7; entry 8g is the group's custom slot.
extern char16_t DateFormatTable[kDateFormatEntries][kFormatChars];
// Entry 0 is the custom slot.
extern char16_t TimeFormatTable[kTimeFormatEntries][kFormatChars];
// C-runtime locale names by stamp language.
extern const char16_t LocaleNameTable[kLanguageCount][kLocaleNameChars];
// How many entries of its date-format group each language offers.
extern const uint32_t DateFormatCountTable[kLanguageCount];

// The stamp language of the settings, kept inside the tables.
uint32_t StampLanguage();
uint32_t DateFormatGroup(uint32_t language);

}  // namespace wuvo
