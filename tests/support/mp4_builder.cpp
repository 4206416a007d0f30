#include "support/mp4_builder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>

#include <gtest/gtest.h>

#include "engine/pipeline/shared_objects.h"
#include "support/fixtures.h"

namespace wuvo::test {

ByteWriter& ByteWriter::U8(uint8_t value)
{
    bytes.push_back(value);
    return *this;
}

ByteWriter& ByteWriter::U16(uint16_t value) { return U8(value >> 8).U8(value & 0xFF); }
ByteWriter& ByteWriter::U32(uint32_t value) { return U16(value >> 16).U16(value & 0xFFFF); }
ByteWriter& ByteWriter::U64(uint64_t value) { return U32(value >> 32).U32(value & 0xFFFFFFFF); }

ByteWriter& ByteWriter::Code(const char* fourCharacters)
{
    for (int i = 0; i < 4; ++i)
        U8(static_cast<uint8_t>(fourCharacters[i]));
    return *this;
}

ByteWriter& ByteWriter::Zeros(size_t count)
{
    bytes.insert(bytes.end(), count, 0);
    return *this;
}

ByteWriter& ByteWriter::Add(const Bytes& more)
{
    bytes.insert(bytes.end(), more.begin(), more.end());
    return *this;
}

Bytes Join(std::initializer_list<Bytes> parts)
{
    ByteWriter out;
    for (const Bytes& part : parts)
        out.Add(part);
    return out.bytes;
}

Bytes BoxSized(uint32_t size, const char* type, const Bytes& body)
{
    return ByteWriter().U32(size).Code(type).Add(body).bytes;
}

Bytes Box(const char* type, const Bytes& body)
{
    return BoxSized(static_cast<uint32_t>(body.size() + 8), type, body);
}

Bytes FullBox(const char* type, uint8_t version, const Bytes& body)
{
    return Box(type, ByteWriter().U8(version).Zeros(3).Add(body).bytes);
}

Bytes Ftyp(const char* brand)
{
    return Box("ftyp", ByteWriter().Code(brand).U32(0x200).Code(brand).bytes);
}

Bytes Mvhd(uint32_t creation, uint32_t timescale, uint32_t duration)
{
    ByteWriter body;
    body.U32(creation).U32(creation).U32(timescale).U32(duration);
    body.U32(0x00010000).U16(0x0100).Zeros(10);
    for (uint32_t word : kIdentityMatrix)
        body.U32(word);
    body.Zeros(24).U32(2);
    return FullBox("mvhd", 0, body.bytes);
}

Bytes Tkhd(const Matrix& matrix, uint32_t width, uint32_t height)
{
    ByteWriter body;
    body.U32(0).U32(0).U32(1).U32(0).U32(1000).Zeros(8).U16(0).U16(0).U16(0).U16(0);
    for (uint32_t word : matrix)
        body.U32(word);
    body.U32(width << 16).U32(height << 16);
    return FullBox("tkhd", 0, body.bytes);
}

Bytes Mdhd(uint32_t timescale, uint32_t duration)
{
    return FullBox("mdhd", 0, ByteWriter().U32(0).U32(0).U32(timescale).U32(duration).U16(0x55C4).U16(0).bytes);
}

Bytes Hdlr(const char* componentType, const char* handlerType)
{
    ByteWriter body;
    if (componentType)
        body.Code(componentType);
    else
        body.U32(0);
    body.Code(handlerType).Zeros(12).Add({'V', 'i', 'd', 0});
    return FullBox("hdlr", 0, body.bytes);
}

Bytes Vmhd() { return FullBox("vmhd", 0, ByteWriter().Zeros(8).bytes); }

Bytes Stsd(const Bytes& entry) { return FullBox("stsd", 0, ByteWriter().U32(1).Add(entry).bytes); }

namespace {

Bytes VisualEntryFields()
{
    ByteWriter body;
    body.Zeros(6).U16(1).Zeros(16).U16(320).U16(240).U32(0x00480000).U32(0x00480000).U32(0).U16(1);
    body.Zeros(32).U16(0x18).U16(0xFFFF);
    return body.bytes;
}

}  // namespace

Bytes HevcEntry(const char* type)
{
    return Box(type, Join({VisualEntryFields(), Box("hvcC", Bytes(23, 0))}));
}

Bytes AvcC(uint16_t lengthWord, uint16_t spsLength)
{
    ByteWriter body;
    body.U8(1).U8(100).U8(0).U8(31).U16(lengthWord).U16(spsLength).Zeros(spsLength);
    body.U8(1).U16(2).Zeros(2);
    return Box("avcC", body.bytes);
}

Bytes Avc1Entry() { return Box("avc1", Join({VisualEntryFields(), AvcC()})); }

Bytes Stts(const std::vector<std::pair<uint32_t, uint32_t>>& countsAndDeltas)
{
    ByteWriter body;
    body.U32(static_cast<uint32_t>(countsAndDeltas.size()));
    for (auto [count, delta] : countsAndDeltas)
        body.U32(count).U32(delta);
    return FullBox("stts", 0, body.bytes);
}

Bytes Stsz(const std::vector<uint32_t>& sizes)
{
    ByteWriter body;
    body.U32(0).U32(static_cast<uint32_t>(sizes.size()));
    for (uint32_t size : sizes)
        body.U32(size);
    return FullBox("stsz", 0, body.bytes);
}

Bytes StszConstant(uint32_t size, uint32_t count)
{
    return FullBox("stsz", 0, ByteWriter().U32(size).U32(count).bytes);
}

namespace {

Bytes CountedTable(const char* type, const std::vector<uint32_t>& values)
{
    ByteWriter body;
    body.U32(static_cast<uint32_t>(values.size()));
    for (uint32_t value : values)
        body.U32(value);
    return FullBox(type, 0, body.bytes);
}

constexpr uint32_t kUnitMediaRate = 0x00010000;

// Entries of two 32-bit words, the second signed; `rate` adds an elst's media rate.
Bytes PairTable(const char* type, const std::vector<std::pair<uint32_t, int32_t>>& pairs, bool rate)
{
    ByteWriter body;
    body.U32(static_cast<uint32_t>(pairs.size()));
    for (auto [first, second] : pairs) {
        body.U32(first).U32(static_cast<uint32_t>(second));
        if (rate)
            body.U32(kUnitMediaRate);
    }
    return FullBox(type, 0, body.bytes);
}

}  // namespace

Bytes Stco(const std::vector<uint32_t>& offsets) { return CountedTable("stco", offsets); }
Bytes Stss(const std::vector<uint32_t>& sampleNumbers) { return CountedTable("stss", sampleNumbers); }

Bytes Trak(const VideoTrackSpec& spec)
{
    Bytes stsc = FullBox("stsc", 0, ByteWriter().U32(1).U32(1).U32(1).U32(1).bytes);
    Bytes ctts = spec.offsets.empty() ? Bytes{} : PairTable("ctts", spec.offsets, false);
    uint32_t timed = 0;
    for (auto [count, delta] : spec.times)
        timed += count;
    Bytes stsz = spec.constantSize != 0 ? StszConstant(spec.constantSize, timed) : Stsz(spec.sizes);
    Bytes stbl = Box("stbl", Join({Stsd(spec.entry), Stts(spec.times), ctts, Stss(spec.syncNumbers), stsc, stsz,
                                   Stco({48})}));
    Bytes minf = Box("minf", Join({Vmhd(), Box("dinf", Box("dref", Bytes(8, 0))), stbl}));
    Bytes mdia = Box("mdia", Join({Mdhd(spec.timescale, 100), Hdlr(nullptr, spec.handler), minf}));
    Bytes edts = spec.edits.empty() ? Bytes{} : Box("edts", PairTable("elst", spec.edits, true));
    return Box("trak", Join({Tkhd(spec.matrix), edts, mdia}));
}

Bytes Moov(const Bytes& children) { return Box("moov", children); }

Bytes SimpleMovie(const VideoTrackSpec& spec, uint32_t creation)
{
    return Join({Ftyp(), Moov(Join({Mvhd(creation, 600, 600), Trak(spec)})), Box("mdat", Bytes(300, 0))});
}

std::string WriteTestFile(const std::string& name, const Bytes& bytes)
{
    std::string path = TestOutputDir() + "/" + name;
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string WritePicturelessMovie(const std::string& name, uint32_t samples)
{
    constexpr uint32_t kTimescale = 600;
    constexpr uint32_t kSampleDelta = kTimescale / 30;
    constexpr uint32_t kCreation = 3786912000u;
    constexpr uint32_t kSelfContained = 1;
    const uint32_t duration = samples * kSampleDelta;
    // FFmpeg wants the one data reference: this file.
    Bytes dref = FullBox("dref", 0, ByteWriter().U32(1).Add(Box("url ", ByteWriter().U32(kSelfContained).bytes)).bytes);
    Bytes oneChunk = FullBox("stsc", 0, ByteWriter().U32(1).U32(1).U32(samples).U32(1).bytes);
    auto header = [&](uint32_t chunkOffset) {
        Bytes stbl = Box("stbl", Join({Stsd(HevcEntry()), Stts({{samples, kSampleDelta}}), Stss({1}), oneChunk,
                                       StszConstant(1, samples), Stco({chunkOffset})}));
        Bytes minf = Box("minf", Join({Vmhd(), Box("dinf", dref), stbl}));
        Bytes mdia = Box("mdia", Join({Mdhd(kTimescale, duration), Hdlr(nullptr, "vide"), minf}));
        Bytes trak = Box("trak", Join({Tkhd(), mdia}));
        return Join({Ftyp(), Moov(Join({Mvhd(kCreation, kTimescale, duration), trak})),
                     ByteWriter().U32(samples + 8).Code("mdat").bytes});
    };
    Bytes bytes = header(0);
    bytes = header(static_cast<uint32_t>(bytes.size()));
    std::string path = WriteTestFile(name, bytes);
    std::filesystem::resize_file(path, bytes.size() + samples);
    return path;
}

std::string OwnTestFileName(const std::string& extension)
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(test->test_suite_name()) + "." + test->name() + extension;
    for (char& c : name)
        if (c == '/')
            c = '_';
    return name;
}

void UseSharedObjects()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (!CreateSharedObjects())
            std::abort();
    });
}

}  // namespace wuvo::test
