#pragma once

#include <string_view>

namespace wuvo::platform {

// A C-runtime locale name ("german", "chs", "C", ...) with the system locale
// that stands in for it and the long-date picture the Windows runtime uses
// for it ("dddd, MMMM d, yyyy": d/M/y numbers, ddd/dddd and MMM/MMMM names,
// '...' literal text).
struct CrtLocale {
    std::u16string_view crtName;
    const char* systemName;
    std::u16string_view longDatePattern;
};

// The locale a C-runtime name selects, compared without regard to ASCII case.
// A name the runtime does not know selects "C", as a failed setlocale leaves it.
const CrtLocale& FindCrtLocale(std::u16string_view crtName);

}  // namespace wuvo::platform
