#include "platform/files/temp_files.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/posix_file.h"

namespace wuvo::platform {

namespace {

constexpr mode_t kNewFileMode = 0666;
// Taken when the kernel does not say: the usual mask of a desktop session.
constexpr mode_t kAssumedUmask = 022;
constexpr char kUmaskField[] = "Umask:";
constexpr int kOctal = 8;
constexpr char kHiddenPrefix[] = ".";
// What mkstemp replaces, with the dot before it.
constexpr char kRandomSuffix[] = ".XXXXXX";
// The first byte of a UTF-8 character is never 10xxxxxx.
constexpr unsigned char kContinuationMask = 0xC0;
constexpr unsigned char kContinuationBits = 0x80;

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

// `name` cut to at most `bytes`, never inside a character.
std::string CutWholeCharacters(const std::string& name, size_t bytes)
{
    if (name.size() <= bytes)
        return name;
    while (bytes > 0 && (static_cast<unsigned char>(name[bytes]) & kContinuationMask) == kContinuationBits)
        --bytes;
    return name.substr(0, bytes);
}

}  // namespace

std::optional<TempFile> CreateTempFileBeside(const std::string& path)
{
    std::filesystem::path target(path);
    std::string name = target.filename().string();
    size_t longest = LongestName(target.parent_path().string());
    if (name.size() > longest) {
        errno = ENAMETOOLONG;
        return std::nullopt;
    }
    size_t borrowed = longest - (sizeof kHiddenPrefix - 1) - (sizeof kRandomSuffix - 1);
    std::string pattern =
        (target.parent_path() / (kHiddenPrefix + CutWholeCharacters(name, borrowed) + kRandomSuffix)).string();
    int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return std::nullopt;
    ::fchmod(fd, kNewFileMode & ~CurrentUmask());
    return TempFile{fd, pattern};
}

std::optional<std::string> CreateUniqueFile(std::string pattern, size_t suffixLength)
{
    int fd = ::mkstemps(pattern.data(), static_cast<int>(suffixLength));
    if (fd < 0)
        return std::nullopt;
    ::close(fd);
    return pattern;
}

}  // namespace wuvo::platform
