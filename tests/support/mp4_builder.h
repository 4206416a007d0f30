#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace wuvo::test {

// Small MP4/MOV files built box by box for the reader's tests.

using Bytes = std::vector<uint8_t>;
using Matrix = std::array<uint32_t, 9>;

constexpr Matrix kIdentityMatrix{0x00010000, 0, 0, 0, 0x00010000, 0, 0, 0, 0x40000000};
// 90 degrees as phones write it.
constexpr Matrix kQuarterTurnMatrix{0, 0x00010000, 0, 0xFFFF0000, 0, 0, 0, 0, 0x40000000};

// Appends big-endian fields.
class ByteWriter {
public:
    ByteWriter& U8(uint8_t value);
    ByteWriter& U16(uint16_t value);
    ByteWriter& U32(uint32_t value);
    ByteWriter& U64(uint64_t value);
    ByteWriter& Code(const char* fourCharacters);
    ByteWriter& Zeros(size_t count);
    ByteWriter& Add(const Bytes& more);
    Bytes bytes;
};

Bytes Join(std::initializer_list<Bytes> parts);
// A box whose size field is right, or one that says `size`.
Bytes Box(const char* type, const Bytes& body);
Bytes BoxSized(uint32_t size, const char* type, const Bytes& body);
// A box with version and flags before `body`.
Bytes FullBox(const char* type, uint8_t version, const Bytes& body);

Bytes Ftyp(const char* brand = "isom");
Bytes Mvhd(uint32_t creation, uint32_t timescale, uint32_t duration);
Bytes Tkhd(const Matrix& matrix = kIdentityMatrix, uint32_t width = 320, uint32_t height = 240);
Bytes Mdhd(uint32_t timescale, uint32_t duration);
Bytes Hdlr(const char* componentType, const char* handlerType);
Bytes Vmhd();
Bytes Stsd(const Bytes& entry);
// Visual sample entries: `hvc1`/`hev1` with an empty hvcC, or `avc1` with an avcC.
Bytes HevcEntry(const char* type = "hvc1");
Bytes Avc1Entry();
Bytes AvcC(uint16_t lengthWord = 0xFFE1, uint16_t spsLength = 4);
Bytes Stts(const std::vector<std::pair<uint32_t, uint32_t>>& countsAndDeltas);
Bytes Stsz(const std::vector<uint32_t>& sizes);
Bytes StszConstant(uint32_t size, uint32_t count);
Bytes Stco(const std::vector<uint32_t>& offsets);
Bytes Stss(const std::vector<uint32_t>& sampleNumbers);

struct VideoTrackSpec {
    uint32_t timescale = 600;
    std::vector<std::pair<uint32_t, uint32_t>> times{{5, 20}};
    std::vector<uint32_t> sizes{100, 50, 50, 50, 50};
    // When set, every sample the time table lists has this size instead.
    uint32_t constantSize = 0;
    std::vector<uint32_t> syncNumbers{1};
    Matrix matrix = kIdentityMatrix;
    Bytes entry = HevcEntry();
    const char* handler = "vide";
    std::vector<std::pair<uint32_t, int32_t>> offsets;  // ctts (count, offset); no box when empty
    std::vector<std::pair<uint32_t, int32_t>> edits;    // elst (duration, media time); no box when empty
};
Bytes Trak(const VideoTrackSpec& spec);
Bytes Moov(const Bytes& children);

// ftyp, moov (mvhd + one video track) and a small mdat, in that order.
Bytes SimpleMovie(const VideoTrackSpec& spec = {}, uint32_t creation = 3786912000u);

// Writes the bytes to a file of the test output folder; returns its path.
std::string WriteTestFile(const std::string& name, const Bytes& bytes);
// A movie FFmpeg opens too: `samples` video samples of one byte each, a
// thirtieth of a second long, that hold no picture (a decoder passes over
// them without a word), in media data that takes no room on disk. Written
// to the test output folder; returns its path.
std::string WritePicturelessMovie(const std::string& name, uint32_t samples);
// A file name of the running test's own, since ctest runs tests in parallel.
std::string OwnTestFileName(const std::string& extension);

// The reader writes into the pipeline's shared objects; made once.
void UseSharedObjects();

}  // namespace wuvo::test
