#pragma once

#include <string>
#include <string_view>

namespace wuvo::platform {

// Writes `bytes` into a temporary file beside `path` and renames it over
// `path`, so a crash or a full disk leaves the old file or the new one, never
// half of one. A symbolic link is written through: the file it links to is
// replaced and keeps its permissions. It goes as far as a plain write of
// `path` would: a file that may not be written is left alone (false), and a
// file in a folder that takes no new file is written over in place. False
// when the file was not written; `path` is then untouched unless that write
// in place failed.
bool ReplaceFileContents(const std::string& path, std::string_view bytes);

}  // namespace wuvo::platform
