#include "engine/text/format_tables.h"

namespace wuvo {

// "\\n" is the two characters backslash and n that a custom format uses for
// a line break.
char16_t DateFormatTable[kDateFormatEntries][kFormatChars] = {
    u"%Y-%m-%d\\n%#I:%M:%S%p", u"%Y-%m-%d", u"%d-%m-%Y", u"%m-%d-%Y",
    u"%Y.%m.%d", u"%d.%m.%Y", u"%m.%d.%Y", u"",

    u"%#x\\n%#I:%M:%S%p", u"%#x", u"%#x %A", u"",
    u"", u"", u"", u"",

    u"%b-%#d-%Y\\n%#I:%M:%S%p", u"%b-%#d-%Y", u"%#d-%b-%Y", u"%b %#d %Y",
    u"%#d %b %Y", u"%B %#d, %Y", u"%a %b %#d, %Y", u"%A %B %#d, %Y",

    u"%#x\\n%#I:%M:%S%p", u"%#x", u"%#d %B %Y", u"%#d %b %Y",
    u"%A %#d %B %Y", u"%A %#d %b %Y", u"%a %#d %B %Y", u"%a %#d %b %Y",
};

char16_t TimeFormatTable[kTimeFormatEntries][kFormatChars] = {
    u"%#H:%M:%S EST", u"%#H:%M:%S", u"%#H:%M", u"%#I:%M:%S%p", u"%#I:%M%p",
    u"%H:%M:%S", u"%H:%M", u"%I:%M:%S%p", u"%I:%M%p", u"%#H:%M:%S",
    u"%H:%M:%S", u"%#H:%M:%S", u"%H:%M:%S", u"%H:%M:%S", u"%H:%M:%S",
};

const char16_t LocaleNameTable[kLanguageCount][kLocaleNameChars] = {
    u"english", u"chs", u"english", u"C", u"albanian", u"bulgarian",
    u"catalan", u"czech", u"danish", u"dutch", u"finnish", u"french",
    u"german", u"greek", u"hungarian", u"icelandic", u"italian", u"japanese",
    u"korean", u"norwegian", u"polish", u"portuguese", u"romanian", u"russian",
    u"slovak", u"spanish", u"swedish", u"turkish", u"indonesian",
};

const uint32_t DateFormatCountTable[kLanguageCount] = {
    7, 3, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8,
    8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8,
};

uint32_t StampLanguage()
{
    uint32_t language = gSettings.language;
    return language < kLanguageCount ? language : kDefaultLanguage;
}

uint32_t DateFormatGroup(uint32_t language)
{
    return language < kSharedGroupLanguage ? language : kSharedGroupLanguage;
}

}  // namespace wuvo
