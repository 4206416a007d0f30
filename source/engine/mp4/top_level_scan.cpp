#include "engine/mp4/top_level_scan.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "engine/mp4/box_reader.h"
#include "engine/mp4/parse_state.h"
#include "engine/mp4/reader.h"
#include "engine/pipeline/shared_objects.h"

namespace wuvo {

namespace {

constexpr uint32_t kBoxHeaderBytes = 8;
constexpr uint32_t kLargeSizeBytes = 8;
constexpr uint32_t kSizeIsLarge = 1;
constexpr uint32_t kSizeToEnd = 0;

constexpr uint32_t kSkippedTypes[] = {FourCC("free"), FourCC("frea"), FourCC("meta"), FourCC("skip"),
                                      FourCC("udta"), FourCC("uuid"), FourCC("wide")};

struct SeenBoxes {
    bool ftyp = false;
    bool moov = false;
    bool mdat = false;
};

bool IsSkipped(uint32_t type)
{
    for (uint32_t skipped : kSkippedTypes)
        if (type == skipped)
            return true;
    return false;
}

// Loads the whole box at `offset`, header included. Its size is checked
// against the bytes that remain before anything is allocated.
uint8_t* LoadBox(RawFile& file, uint64_t offset, uint64_t size, const uint8_t* header,
                 const char* noMemory, const char* shortRead)
{
    if (size > file.size - offset)
        throw std::logic_error(shortRead);
    auto* buffer = static_cast<uint8_t*>(std::malloc(size));
    if (!buffer)
        throw std::logic_error(noMemory);
    std::memcpy(buffer, header, kBoxHeaderBytes);
    auto rest = static_cast<uint32_t>(size - kBoxHeaderBytes);
    if (file.Read(buffer + kBoxHeaderBytes, rest) != rest) {
        std::free(buffer);
        throw std::logic_error(shortRead);
    }
    return buffer;
}

void LoadMoov(RawFile& file, Mp4ParseState& state, uint64_t offset, uint64_t size, const uint8_t* header)
{
    if (state.moovBuffer)
        return;  // a second moov is not loaded
    state.moovBuffer = LoadBox(file, offset, size, header, "moovBuffer", "moovBuffer size");
    state.moovOffset = offset;
    state.moovSize = size;
}

void LoadFtyp(RawFile& file, Mp4ParseState& state, int32_t mode, uint64_t offset, uint64_t size,
              const uint8_t* header)
{
    if (mode != kReaderModeJob || state.ftypBuffer)
        return;
    state.ftypBuffer = LoadBox(file, offset, size, header, "ftypBuffer", "ftypBuffer size");
    state.ftypSize = size;
}

enum class Step { Next, EndOfFile, Unknown };

// Media data may run to the end of the file (size 0) or carry a 64-bit
// size after its header (size 1).
Step ReadMediaDataSize(RawFile& file, uint64_t& size)
{
    if (size == kSizeToEnd)
        return Step::EndOfFile;
    if (size != kSizeIsLarge)
        return Step::Next;
    uint8_t large[kLargeSizeBytes];
    if (file.Read(large, kLargeSizeBytes) != kLargeSizeBytes)
        return Step::EndOfFile;
    size = ReadBigEndian(large, kLargeSizeBytes);
    if (size < kBoxHeaderBytes + kLargeSizeBytes)
        throw std::logic_error("box size too small");
    return Step::Next;
}

// Reads the box at `offset` and sets `size` to how far the scan moves on.
Step ScanBox(RawFile& file, Mp4ParseState& state, int32_t mode, uint64_t offset, uint64_t& size,
             SeenBoxes& seen)
{
    uint8_t header[kBoxHeaderBytes];
    // A header cut short by the end of the file counts as the end.
    if (file.Read(header, kBoxHeaderBytes) != kBoxHeaderBytes)
        return Step::EndOfFile;
    size = ReadBigEndian(header, 4);
    uint32_t type = static_cast<uint32_t>(ReadBigEndian(header + 4, 4));
    if (type == FourCC("mdat")) {
        seen.mdat = true;
        if (ReadMediaDataSize(file, size) == Step::EndOfFile)
            return Step::EndOfFile;
    } else if (type != FourCC("moov") && type != FourCC("ftyp") && !IsSkipped(type)) {
        return Step::Unknown;
    }
    if (size < kBoxHeaderBytes)
        throw std::logic_error("box size too small");
    if (type == FourCC("moov")) {
        LoadMoov(file, state, offset, size, header);
        seen.moov = true;
    } else if (type == FourCC("ftyp")) {
        LoadFtyp(file, state, mode, offset, size, header);
        seen.ftyp = true;
    }
    return Step::Next;
}

}  // namespace

bool ScanTopLevelBoxes(RawFile& file, int32_t mode)
{
    Mp4ParseState& state = *gParseState;
    SeenBoxes seen;
    uint64_t offset = 0;
    bool more = file.Seek(0, RawFile::kSeekFromStart) == 0 && file.AtEnd() == 0;
    while (more) {
        uint64_t size = 0;
        Step step = ScanBox(file, state, mode, offset, size, seen);
        if (step == Step::Unknown)
            return seen.ftyp && seen.moov && seen.mdat;
        // A box that runs past the end of the file ends the scan like the
        // end itself; compared with what is left, so the offset cannot wrap.
        if (step == Step::EndOfFile || size > file.size - offset)
            break;
        offset += size;
        more = file.Seek(static_cast<int64_t>(offset), RawFile::kSeekFromStart) >= 0 && file.AtEnd() == 0;
    }
    return state.moovBuffer != nullptr;
}

}  // namespace wuvo
