#pragma once

#include <string>

namespace wuvo::platform {

// printf for UTF-16 messages, as the program's wide messages are written:
// %s takes a const char16_t*, %c a char16_t (passed as int); %d %i %u %x %X
// %f %e %g and %% with flags, width and precision as printf has them.
// Unknown conversions are copied as they stand.
std::u16string FormatText(const char16_t* format, ...);

}  // namespace wuvo::platform
