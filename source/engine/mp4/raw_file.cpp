#include "engine/mp4/raw_file.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "platform/text/utf.h"

namespace wuvo {

namespace {

void PrintFileError(const char* format, ...)
{
    std::fputs("ERROR: ", stderr);
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
}

bool AccessForMode(uint32_t mode, platform::FileAccess& access)
{
    switch (mode) {
    case RawFile::kModeWrite: access = platform::FileAccess::WriteTruncate; return true;
    case RawFile::kModeRead: access = platform::FileAccess::Read; return true;
    case RawFile::kModeReadWrite: access = platform::FileAccess::ReadWrite; return true;
    default: return false;
    }
}

}  // namespace

int32_t RawFile::Open(const char16_t* filePath, uint32_t mode)
{
    if (!filePath || !*filePath)
        return -1;
    Close();

    platform::FileAccess access;
    if (!AccessForMode(mode, access)) {
        PrintFileError("unknown open mode.\n");
        return -3;
    }
    std::u16string_view wanted(filePath);
    if (wanted.size() >= kPathCapacity) {
        // A cut path would name another file.
        PrintFileError("path too long.\n");
        return -2;
    }
    handle = platform::OpenFile(platform::ToUtf8(wanted), access);
    if (handle == platform::kInvalidFile) {
        PrintFileError("can not open file.\n");
        return -2;
    }
    platform::CopyToField(path, kPathCapacity, wanted);
    if (mode != kModeWrite) {
        int64_t bytes = platform::FileSize(handle);
        size = bytes > 0 ? static_cast<uint64_t>(bytes) : 0;
    }
    return 0;
}

int64_t RawFile::Read(void* destination, uint32_t count)
{
    if (handle == platform::kInvalidFile) {
        PrintFileError("file is not valid.\n");
        return -1;
    }
    if (count == 0)
        return 0;
    int64_t done = platform::ReadFile(handle, destination, count);
    return done < 0 ? 0 : done;
}

int64_t RawFile::Seek(int64_t offset, uint32_t method)
{
    if (handle == platform::kInvalidFile) {
        PrintFileError("file is not valid.\n");
        return -1;
    }
    if (method > kSeekFromEnd)
        return -1;
    return platform::SeekFile(handle, offset, static_cast<platform::SeekFrom>(method));
}

int32_t RawFile::AtEnd()
{
    if (handle == platform::kInvalidFile) {
        PrintFileError("file is not valid.\n");
        return -1;
    }
    uint8_t probe;
    int64_t done = platform::ReadFile(handle, &probe, 1);
    if (done == 0)
        return 1;
    // Only a byte actually read is given back; a failed read moved nothing.
    if (done > 0)
        platform::SeekFile(handle, -1, platform::SeekFrom::Current);
    return 0;
}

void RawFile::Close()
{
    if (handle != platform::kInvalidFile)
        platform::CloseFile(handle);
    handle = platform::kInvalidFile;
}

}  // namespace wuvo
