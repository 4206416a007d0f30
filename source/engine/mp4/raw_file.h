#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/files/posix_file.h"

namespace wuvo {

// A small file wrapper for the container reader and the output naming.
// Failures print an "ERROR: " line to the standard error stream.
class RawFile {
public:
    // Counted in UTF-16 units, terminator included.
    static constexpr size_t kPathCapacity = 256;

    static constexpr uint32_t kModeWrite = 0;  // created anew, truncated
    static constexpr uint32_t kModeRead = 1;
    static constexpr uint32_t kModeReadWrite = 2;

    static constexpr uint32_t kSeekFromStart = 0;
    static constexpr uint32_t kSeekFromCurrent = 1;
    static constexpr uint32_t kSeekFromEnd = 2;

    RawFile() = default;
    RawFile(const RawFile&) = delete;
    RawFile& operator=(const RawFile&) = delete;
    ~RawFile() { Close(); }

    // 0 on success; -1 for an empty path (the open file stays open),
    // -2 when the file cannot be opened or its path does not fit the path
    // field, -3 for an unknown mode.
    int32_t Open(const char16_t* filePath, uint32_t mode);
    // Bytes read (0 when the read fails), or -1 without an open file.
    int64_t Read(void* destination, uint32_t count);
    // The new position, or -1 without an open file or when the seek fails.
    int64_t Seek(int64_t offset, uint32_t method);
    // 1 at the end of the file, 0 before it, -1 without an open file.
    int32_t AtEnd();
    void Close();

    int handle = platform::kInvalidFile;
    char16_t path[kPathCapacity] = {};
    uint64_t size = 0;
};

}  // namespace wuvo
