#pragma once

namespace wuvo::platform {

// The media libraries tell a terminal of every file's encoder statistics
// and of what they work around; the program's own log says what went wrong
// with a file. Only their errors are printed.
void KeepMediaLibrariesQuiet();

}  // namespace wuvo::platform
