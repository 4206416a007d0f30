#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace wuvo::platform {

// A new hidden file beside `path`, made with the usual permissions (mkstemp
// alone makes files private). The caller writes it and renames it into place.
struct TempFile {
    int fd;
    std::string path;
};
std::optional<TempFile> CreateTempFileBeside(const std::string& path);

// Writes `bytes` into a temporary file beside `path` and renames it over
// `path`, so a crash or a full disk leaves the old file or the new one, never
// half of one. A symbolic link is written through: the file it links to is
// replaced and keeps its permissions. False, and `path` untouched, when any
// step fails.
bool ReplaceFileContents(const std::string& path, std::string_view bytes);

}  // namespace wuvo::platform
