#include "platform/files/posix_file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wuvo::platform {

namespace {

constexpr size_t kErrorTextBytes = 256;
constexpr mode_t kWritableByOthers = S_IWGRP | S_IWOTH;

// Folders, pipes and devices open on POSIX, but are no files to read: a
// pipe or terminal could block every read.
bool Acceptable(const struct stat& info, FileAccess access)
{
    if (!S_ISREG(info.st_mode))
        return false;
    return access != FileAccess::ReadOwn || (info.st_uid == ::geteuid() && (info.st_mode & kWritableByOthers) == 0);
}

}  // namespace

int OpenFile(const std::string& path, FileAccess access)
{
    int flags = O_CLOEXEC;
    switch (access) {
    case FileAccess::WriteTruncate: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
    case FileAccess::Read: flags |= O_RDONLY; break;
    case FileAccess::ReadWrite: flags |= O_RDWR; break;
    case FileAccess::ReadOwn: flags |= O_RDONLY | O_NOFOLLOW; break;
    }
    // Without it, opening a pipe that nobody writes to would wait for ever.
    flags |= O_NONBLOCK;
    int fd;
    do {
        fd = ::open(path.c_str(), flags, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return kInvalidFile;
    struct stat info {};
    bool acceptable = ::fstat(fd, &info) == 0 && Acceptable(info, access);
    int status = acceptable ? ::fcntl(fd, F_GETFL) : -1;
    if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return kInvalidFile;
    }
    return fd;
}

int64_t ReadFile(int fd, void* destination, size_t count)
{
    size_t done = 0;
    auto* out = static_cast<char*>(destination);
    while (done < count) {
        ssize_t n = ::read(fd, out + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(done);
}

int64_t SeekFile(int fd, int64_t offset, SeekFrom from)
{
    int whence = from == SeekFrom::Start ? SEEK_SET : from == SeekFrom::Current ? SEEK_CUR : SEEK_END;
    return ::lseek(fd, offset, whence);
}

int64_t FileSize(int fd)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return -1;
    return info.st_size;
}

void CloseFile(int fd)
{
    if (fd >= 0)
        ::close(fd);
}

bool SetLastWriteTime(int fd, std::optional<int64_t> secondsSinceEpoch)
{
    timespec times[2]{};
    times[0].tv_nsec = UTIME_OMIT;  // last access
    if (secondsSinceEpoch)
        times[1].tv_sec = static_cast<time_t>(*secondsSinceEpoch);
    else
        times[1].tv_nsec = UTIME_NOW;
    return ::futimens(fd, times) == 0;
}

RenameResult RenameNoReplace(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return RenameResult::Renamed;
    if (errno == EEXIST)
        return RenameResult::TargetExists;
    if (errno != EINVAL && errno != ENOSYS)
        return RenameResult::Failed;
    // A file system without the flag: a hard link refuses an existing
    // target just the same.
    if (::link(from.c_str(), to.c_str()) != 0)
        return errno == EEXIST ? RenameResult::TargetExists : RenameResult::Failed;
    ::unlink(from.c_str());
    return RenameResult::Renamed;
}

size_t LongestName(const std::string& folder)
{
    long longest = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    return longest > 0 ? static_cast<size_t>(longest) : NAME_MAX;
}

int EntryRefusal(const std::string& folder)
{
    if (::faccessat(AT_FDCWD, folder.c_str(), X_OK, AT_EACCESS) == 0)
        return 0;
    return errno == EACCES ? errno : 0;
}

int WriteProtection(const std::string& path)
{
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0)
        return 0;
    return errno == EACCES || errno == EROFS || errno == EPERM ? errno : 0;
}

std::string ErrorText(int error)
{
    char buffer[kErrorTextBytes];
    // The GNU form: the result may point to a static text instead of the buffer.
    return ::strerror_r(error, buffer, sizeof buffer);
}

}  // namespace wuvo::platform
