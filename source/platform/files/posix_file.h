#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace wuvo::platform {

// Thin POSIX file calls in the shape the engine's file wrapper needs.
// Paths are UTF-8. Every call returns -1 (or false) on failure.

enum class FileAccess { WriteTruncate, Read, ReadWrite };
enum class SeekFrom { Start = 0, Current = 1, End = 2 };

constexpr int kInvalidFile = -1;

int OpenFile(const std::string& path, FileAccess access);
// Bytes read, 0 at the end of the file, -1 on failure.
int64_t ReadFile(int fd, void* destination, size_t count);
int64_t SeekFile(int fd, int64_t offset, SeekFrom from);
int64_t FileSize(int fd);
void CloseFile(int fd);

}  // namespace wuvo::platform
