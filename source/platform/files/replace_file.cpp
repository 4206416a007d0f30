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

bool ReplaceFileContents(const std::string& path, std::string_view bytes)
{
    std::optional<TempFile> temp = CreateTempFileBeside(path);
    if (!temp)
        return false;
    bool written = WriteAll(temp->fd, bytes) && ::fsync(temp->fd) == 0;
    written = ::close(temp->fd) == 0 && written;
    if (!written || std::rename(temp->path.c_str(), path.c_str()) != 0) {
        ::unlink(temp->path.c_str());
        return false;
    }
    return true;
}

}  // namespace wuvo::platform
