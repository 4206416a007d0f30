#include "support/damaged_copies.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>

#include <gtest/gtest.h>

#include "support/media_reference.h"

namespace wuvo::test {

namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t kBoxHeader = 8;
constexpr size_t kFullBoxHeader = kBoxHeader + 4;
constexpr uint32_t kAbsurdSampleSize = 0x7FFFFF00;
// An HEVC NAL unit header of type 48, which the standard leaves unspecified,
// after the packet's 4-byte length field.
constexpr uint8_t kUnspecifiedNalHeader[] = {48 << 1, 1};
constexpr size_t kNalLengthBytes = 4;

Bytes ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const Bytes& bytes, size_t length)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(length));
}

uint32_t Word(const Bytes& bytes, size_t at)
{
    return uint32_t{bytes[at]} << 24 | uint32_t{bytes[at + 1]} << 16 | uint32_t{bytes[at + 2]} << 8 | bytes[at + 3];
}

void PutWord(Bytes& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

struct Span {
    size_t start = 0;
    size_t end = 0;
};

// The first box of `type` among the boxes laid end to end in `within`.
std::optional<Span> Child(const Bytes& bytes, Span within, const char* type)
{
    for (size_t at = within.start; at + kBoxHeader <= within.end;) {
        size_t size = Word(bytes, at);
        if (size < kBoxHeader || at + size > within.end)
            return std::nullopt;
        if (std::memcmp(&bytes[at + 4], type, 4) == 0)
            return Span{at, at + size};
        at += size;
    }
    return std::nullopt;
}

// The box at the end of `types`, each inside the one before, from the
// boxes in `within` on.
std::optional<Span> Path(const Bytes& bytes, Span within, std::initializer_list<const char*> types)
{
    std::optional<Span> box;
    for (const char* type : types) {
        box = Child(bytes, within, type);
        if (!box)
            return std::nullopt;
        within = {box->start + kBoxHeader, box->end};
    }
    return box;
}

// The `trak` whose media handler is "soun".
std::optional<Span> SoundTrack(const Bytes& bytes)
{
    std::optional<Span> moov = Child(bytes, {0, bytes.size()}, "moov");
    if (!moov)
        return std::nullopt;
    for (Span rest{moov->start + kBoxHeader, moov->end};;) {
        std::optional<Span> trak = Child(bytes, rest, "trak");
        if (!trak)
            return std::nullopt;
        std::optional<Span> handler = Path(bytes, {trak->start + kBoxHeader, trak->end}, {"mdia", "hdlr"});
        if (handler && std::memcmp(&bytes[handler->start + kFullBoxHeader + 4], "soun", 4) == 0)
            return trak;
        rest.start = trak->end;
    }
}

// A full box's 32-bit entries, which follow `skip` words of its own and
// their count.
void FillEntries(Bytes& bytes, Span box, size_t skip, const std::function<uint32_t(uint32_t index)>& value)
{
    size_t countAt = box.start + kFullBoxHeader + 4 * skip;
    uint32_t count = Word(bytes, countAt);
    for (uint32_t i = 0; i < count; ++i)
        PutWord(bytes, countAt + 4 + 4 * i, value(i));
}

void PlaceChunksPastTheEnd(Bytes& bytes, Span stco)
{
    auto end = static_cast<uint32_t>(bytes.size());
    FillEntries(bytes, stco, 0, [end](uint32_t i) { return end + 1 + i; });
}

void MakeSizesAbsurd(Bytes& bytes, Span stsz)
{
    size_t constantSizeAt = stsz.start + kFullBoxHeader;
    if (Word(bytes, constantSizeAt) != 0)
        PutWord(bytes, constantSizeAt, kAbsurdSampleSize);
    else
        FillEntries(bytes, stsz, 1, [](uint32_t) { return kAbsurdSampleSize; });
}

void ClearTimeScale(Bytes& bytes, Span mdhd)
{
    // Creation and modification times come first: 64 bits each in version 1.
    bool wide = bytes[mdhd.start + kBoxHeader] == 1;
    PutWord(bytes, mdhd.start + kFullBoxHeader + (wide ? 16 : 8), 0);
}

}  // namespace

std::vector<PacketSpan> VideoPackets(const std::string& path)
{
    std::vector<std::string> positions = Probe(path, "v:0", "packet=pos");
    std::vector<std::string> sizes = Probe(path, "v:0", "packet=size");
    EXPECT_EQ(positions.size(), sizes.size());
    std::vector<PacketSpan> packets;
    for (size_t i = 0; i < std::min(positions.size(), sizes.size()); ++i)
        packets.push_back({std::stoull(positions[i]), std::stoull(sizes[i])});
    std::sort(packets.begin(), packets.end(), [](auto a, auto b) { return a.position < b.position; });
    return packets;
}

std::string CutCopy(const std::string& source, uint64_t length, const std::string& copy)
{
    Bytes bytes = ReadBytes(source);
    EXPECT_LE(length, bytes.size());
    WriteBytes(copy, bytes, std::min<size_t>(length, bytes.size()));
    return copy;
}

std::string DamagedVideoCopy(const std::string& source, VideoDamage damage, size_t first, const std::string& copy,
                             size_t count)
{
    Bytes bytes = ReadBytes(source);
    std::vector<PacketSpan> packets = VideoPackets(source);
    for (size_t i = first; i < packets.size() && i - first < count; ++i) {
        auto at = static_cast<size_t>(packets[i].position);
        std::fill_n(bytes.begin() + static_cast<ptrdiff_t>(at), packets[i].size, 0);
        if (damage == VideoDamage::Zeroed)
            continue;
        PutWord(bytes, at, static_cast<uint32_t>(packets[i].size - kNalLengthBytes));
        std::copy(std::begin(kUnspecifiedNalHeader), std::end(kUnspecifiedNalHeader),
                  bytes.begin() + static_cast<ptrdiff_t>(at + kNalLengthBytes));
    }
    WriteBytes(copy, bytes, bytes.size());
    return copy;
}

std::string DamagedSoundCopy(const std::string& source, SoundDamage damage, const std::string& copy)
{
    Bytes bytes = ReadBytes(source);
    std::optional<Span> trak = SoundTrack(bytes);
    EXPECT_TRUE(trak) << source << " has no sound track";
    if (!trak)
        return copy;
    Span inside{trak->start + kBoxHeader, trak->end};
    std::optional<Span> box;
    switch (damage) {
    case SoundDamage::ChunksPastTheEnd:
        if ((box = Path(bytes, inside, {"mdia", "minf", "stbl", "stco"})))
            PlaceChunksPastTheEnd(bytes, *box);
        break;
    case SoundDamage::AbsurdSizes:
        if ((box = Path(bytes, inside, {"mdia", "minf", "stbl", "stsz"})))
            MakeSizesAbsurd(bytes, *box);
        break;
    case SoundDamage::NoTimeScale:
        if ((box = Path(bytes, inside, {"mdia", "mdhd"})))
            ClearTimeScale(bytes, *box);
        break;
    }
    EXPECT_TRUE(box) << source << ": the sound track lacks the box to damage";
    WriteBytes(copy, bytes, bytes.size());
    return copy;
}

}  // namespace wuvo::test
