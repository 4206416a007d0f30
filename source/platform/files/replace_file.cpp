#include "platform/files/replace_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace wuvo::platform {

namespace {

constexpr mode_t kNewFileMode = 0666;
// Taken when the kernel does not say: the usual mask of a desktop session.
constexpr mode_t kAssumedUmask = 022;
constexpr char kUmaskField[] = "Umask:";
constexpr int kOctal = 8;
constexpr mode_t kPermissionBits = 07777;
// As many links as the kernel follows before it gives up on a loop.
constexpr int kMaxLinks = 40;

// The process's file mode mask, read without umask(), which would set it
// for every thread while it is being read.
mode_t CurrentUmask()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(kUmaskField, 0) == 0)
            return static_cast<mode_t>(std::strtoul(line.c_str() + sizeof kUmaskField - 1, nullptr, kOctal));
    return kAssumedUmask;
}

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

}  // namespace

std::optional<TempFile> CreateTempFileBeside(const std::string& path)
{
    std::filesystem::path target(path);
    std::string pattern = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
    int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return std::nullopt;
    ::fchmod(fd, kNewFileMode & ~CurrentUmask());
    return TempFile{fd, pattern};
}

bool ReplaceFileContents(const std::string& linkOrFile, std::string_view bytes)
{
    const std::string path = LinkTarget(linkOrFile);
    std::optional<TempFile> temp = CreateTempFileBeside(path);
    if (!temp)
        return false;
    // The replaced file keeps its permissions.
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0)
        ::fchmod(temp->fd, old.st_mode & kPermissionBits);
    bool written = WriteAll(temp->fd, bytes) && ::fsync(temp->fd) == 0;
    written = ::close(temp->fd) == 0 && written;
    if (!written || std::rename(temp->path.c_str(), path.c_str()) != 0) {
        ::unlink(temp->path.c_str());
        return false;
    }
    return true;
}

}  // namespace wuvo::platform
