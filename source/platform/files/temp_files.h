#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace wuvo::platform {

// A new hidden file beside `path`, made with the usual permissions (mkstemp
// alone makes files private). The caller writes it and renames it into place.
// Its name borrows from `path`'s, cut so that it is no longer than the
// longest name the folder takes; fails with ENAMETOOLONG when `path`'s own
// name is longer than that.
struct TempFile {
    int fd;
    std::string path;
};
std::optional<TempFile> CreateTempFileBeside(const std::string& path);

// A new empty file at `pattern`, whose six "X" just before its last
// `suffixLength` bytes are replaced by random letters and digits: no other
// process, nor an earlier file, can hold that name. Its path, or none with
// errno set.
std::optional<std::string> CreateUniqueFile(std::string pattern, size_t suffixLength);

}  // namespace wuvo::platform
