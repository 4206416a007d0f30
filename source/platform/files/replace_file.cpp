#include "platform/files/replace_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/temp_files.h"

namespace wuvo::platform {

namespace {

constexpr mode_t kPermissionBits = 07777;
// As many links as the kernel follows before it gives up on a loop.
constexpr int kMaxLinks = 40;

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// The file a chain of symbolic links ends at (`path` itself when it is
// none), so that writing replaces the linked file, not the link.
std::string LinkTarget(const std::string& path)
{
    std::filesystem::path target(path);
    std::error_code error;
    for (int i = 0; i < kMaxLinks && std::filesystem::is_symlink(target, error); ++i) {
        std::filesystem::path next = std::filesystem::read_symlink(target, error);
        if (error)
            break;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target.string();
}

// Over the old contents, without truncating first: contents no longer than
// the old (settings and projects keep one size) need no new blocks, so a
// full disk cannot stop the write half way.
bool WriteInPlace(int fd, std::string_view bytes)
{
    return WriteAll(fd, bytes) && ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && ::fsync(fd) == 0;
}

bool WriteAndRename(TempFile& temp, const std::string& path, std::string_view bytes)
{
    // The replaced file keeps its permissions.
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0)
        ::fchmod(temp.fd, old.st_mode & kPermissionBits);
    bool written = WriteAll(temp.fd, bytes) && ::fsync(temp.fd) == 0;
    written = ::close(temp.fd) == 0 && written;
    if (!written || std::rename(temp.path.c_str(), path.c_str()) != 0) {
        ::unlink(temp.path.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool ReplaceFileContents(const std::string& linkOrFile, std::string_view bytes)
{
    const std::string path = LinkTarget(linkOrFile);
    // The file system's answer to a plain write: a file made read-only, or
    // anything else that may not be written, stays as it is. Non-blocking,
    // so that a pipe of that name cannot hold the program.
    int existing = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (existing < 0 && errno != ENOENT)
        return false;
    std::optional<TempFile> temp = CreateTempFileBeside(path);
    bool written = false;
    if (temp)
        written = WriteAndRename(*temp, path, bytes);
    else if (existing >= 0)
        written = WriteInPlace(existing, bytes);
    if (existing >= 0)
        ::close(existing);
    return written;
}

}  // namespace wuvo::platform
