#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace wuvo::platform {

// Thin POSIX file calls in the shape the engine's file wrapper needs.
// Paths are UTF-8. Every call returns -1 (or false) on failure.

// ReadOwn opens for reading only a file that no one but the user can have
// written: his own, no link, writable by him alone. For folders that others
// may write too, such as the shared temporary folder.
enum class FileAccess { WriteTruncate, Read, ReadWrite, ReadOwn };
enum class SeekFrom { Start = 0, Current = 1, End = 2 };

constexpr int kInvalidFile = -1;

int OpenFile(const std::string& path, FileAccess access);
// Bytes read, 0 at the end of the file, -1 on failure.
int64_t ReadFile(int fd, void* destination, size_t count);
int64_t SeekFile(int fd, int64_t offset, SeekFrom from);
int64_t FileSize(int fd);
void CloseFile(int fd);

// Sets the last-write time to `secondsSinceEpoch` (UTC), or to now when none
// is given; the last-access time is kept. Linux has no settable creation time.
bool SetLastWriteTime(int fd, std::optional<int64_t> secondsSinceEpoch);

// The system's words for an error number, such as "No space left on device".
std::string ErrorText(int error);

enum class RenameResult { Renamed, TargetExists, Failed };
// Renames `from` to `to` but never replaces a file that `to` names.
RenameResult RenameNoReplace(const std::string& from, const std::string& to);

// The longest file name `folder` takes, in bytes.
size_t LongestName(const std::string& folder);

// Why this process may not enter `folder` (EACCES: no search permission on
// it or on a folder above it). 0 when it may, or when there is no such folder.
int EntryRefusal(const std::string& folder);

// Why this process may not write the file `path` names, checked as a plain
// write is, with its effective ids and rights: EACCES for a read-only file,
// EROFS on a read-only disk, EPERM for an immutable file. 0 when it may, or
// when no file has that name. A rename over a file ignores all of these.
int WriteProtection(const std::string& path);

}  // namespace wuvo::platform
