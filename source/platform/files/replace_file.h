#pragma once

#include <string>
#include <string_view>

namespace wuvo::platform {

// Writes `bytes` into a temporary file beside `path` and renames it over
// `path`, so a crash or a full disk leaves the old file or the new one, never
// half of one. A symbolic link is written through: the file it links to is
// replaced and keeps its permissions. False, and `path` untouched, when any
// step fails.
bool ReplaceFileContents(const std::string& path, std::string_view bytes);

}  // namespace wuvo::platform
