#include "platform/crt/crt_locale.h"

#include <array>

#include "platform/crt/case_fold.h"

namespace wuvo::platform {

namespace {

// The Windows runtime maps a bare language name to its main country; the
// long-date pictures are those of that country's regional settings.
constexpr std::array kLocales{
    CrtLocale{u"C", "C", u"dddd, MMMM dd, yyyy"},
    CrtLocale{u"english", "en_US.UTF-8", u"dddd, MMMM d, yyyy"},
    CrtLocale{u"chs", "zh_CN.UTF-8", u"yyyy'年'M'月'd'日'"},
    CrtLocale{u"albanian", "sq_AL.UTF-8", u"dddd, d MMMM yyyy"},
    CrtLocale{u"bulgarian", "bg_BG.UTF-8", u"d MMMM yyyy 'г.'"},
    CrtLocale{u"catalan", "ca_ES.UTF-8", u"dddd, d MMMM' de 'yyyy"},
    CrtLocale{u"czech", "cs_CZ.UTF-8", u"dddd d. MMMM yyyy"},
    CrtLocale{u"danish", "da_DK.UTF-8", u"dddd 'den' d. MMMM yyyy"},
    CrtLocale{u"dutch", "nl_NL.UTF-8", u"dddd d MMMM yyyy"},
    CrtLocale{u"finnish", "fi_FI.UTF-8", u"dddd d. MMMM yyyy"},
    CrtLocale{u"french", "fr_FR.UTF-8", u"dddd d MMMM yyyy"},
    CrtLocale{u"german", "de_DE.UTF-8", u"dddd, d. MMMM yyyy"},
    CrtLocale{u"greek", "el_GR.UTF-8", u"dddd, d MMMM yyyy"},
    CrtLocale{u"hungarian", "hu_HU.UTF-8", u"yyyy. MMMM d., dddd"},
    CrtLocale{u"icelandic", "is_IS.UTF-8", u"dddd, d. MMMM yyyy"},
    CrtLocale{u"italian", "it_IT.UTF-8", u"dddd d MMMM yyyy"},
    CrtLocale{u"japanese", "ja_JP.UTF-8", u"yyyy'年'M'月'd'日'"},
    CrtLocale{u"korean", "ko_KR.UTF-8", u"yyyy'년' M'월' d'일' dddd"},
    CrtLocale{u"norwegian", "nb_NO.UTF-8", u"dddd d. MMMM yyyy"},
    CrtLocale{u"polish", "pl_PL.UTF-8", u"dddd, d MMMM yyyy"},
    CrtLocale{u"portuguese", "pt_BR.UTF-8", u"dddd, d' de 'MMMM' de 'yyyy"},
    CrtLocale{u"romanian", "ro_RO.UTF-8", u"dddd, d MMMM yyyy"},
    CrtLocale{u"russian", "ru_RU.UTF-8", u"d MMMM yyyy 'г.'"},
    CrtLocale{u"slovak", "sk_SK.UTF-8", u"dddd d. MMMM yyyy"},
    CrtLocale{u"spanish", "es_ES.UTF-8", u"dddd, d' de 'MMMM' de 'yyyy"},
    CrtLocale{u"swedish", "sv_SE.UTF-8", u"'den 'd MMMM yyyy"},
    CrtLocale{u"turkish", "tr_TR.UTF-8", u"d MMMM yyyy dddd"},
    CrtLocale{u"indonesian", "id_ID.UTF-8", u"dddd, dd MMMM yyyy"},
};

}  // namespace

const CrtLocale& FindCrtLocale(std::u16string_view crtName)
{
    for (const CrtLocale& locale : kLocales) {
        if (EqualsIgnoringAsciiCase(locale.crtName, crtName))
            return locale;
    }
    return kLocales.front();
}

}  // namespace wuvo::platform
