#include <array>
#include <stdexcept>

#include "engine/mp4/box_handlers.h"
#include "engine/mp4/reader.h"
#include "engine/pipeline/shared_objects.h"

namespace wuvo {

namespace {

constexpr uint32_t kSizeFieldBytes = 4;
constexpr uint32_t kBoxHeaderBytes = 8;

enum class BoxKind {
    Container,  // entered by reading on after its header
    Track,      // a container that starts a new track record
    Header,     // its handler reads the start, then its child boxes follow
    Exact,      // its handler must read the box to its end
    Whole,      // its handler reads what it needs; the rest is passed over
};

struct BoxRule {
    uint32_t type;
    const char* text;  // the reader error for a malformed box
    BoxKind kind;
    BoxHandler handler;
};

// Every type not listed is skipped by its size, among them the HEVC sample
// entries and `mp4a`, whose child boxes are therefore never read.
constexpr std::array kBoxRules{
    BoxRule{FourCC("trak"), "trak", BoxKind::Track, nullptr},
    BoxRule{FourCC("mdia"), "mdia", BoxKind::Container, nullptr},
    BoxRule{FourCC("minf"), "minf", BoxKind::Container, nullptr},
    BoxRule{FourCC("dinf"), "dinf", BoxKind::Container, nullptr},
    BoxRule{FourCC("stbl"), "stbl", BoxKind::Container, nullptr},
    BoxRule{FourCC("edts"), "edts", BoxKind::Container, nullptr},
    BoxRule{FourCC("mvhd"), "mvhd", BoxKind::Exact, ReadMvhdBox},
    BoxRule{FourCC("tkhd"), "tkhd", BoxKind::Exact, ReadTkhdBox},
    BoxRule{FourCC("mdhd"), "mdhd", BoxKind::Exact, ReadMdhdBox},
    BoxRule{FourCC("hdlr"), "hdlr", BoxKind::Whole, ReadHdlrBox},
    BoxRule{FourCC("vmhd"), "vmhd", BoxKind::Exact, ReadVmhdBox},
    BoxRule{FourCC("stsd"), "stsd", BoxKind::Header, ReadStsdBox},
    BoxRule{FourCC("avc1"), "avc1", BoxKind::Header, ReadAvc1Box},
    BoxRule{FourCC("avcC"), "avcC", BoxKind::Whole, ReadAvcCBox},
    BoxRule{FourCC("stts"), "stts", BoxKind::Exact, ReadSttsBox},
    BoxRule{FourCC("ctts"), "ctts", BoxKind::Exact, ReadCttsBox},
    BoxRule{FourCC("stsc"), "stsc", BoxKind::Exact, ReadStscBox},
    BoxRule{FourCC("stsz"), "stsz", BoxKind::Exact, ReadStszBox},
    BoxRule{FourCC("stco"), "stco", BoxKind::Exact, ReadStcoBox},
    BoxRule{FourCC("co64"), "co64", BoxKind::Exact, ReadCo64Box},
    BoxRule{FourCC("stss"), "stss", BoxKind::Exact, ReadStssBox},
    BoxRule{FourCC("elst"), "elst", BoxKind::Exact, ReadElstBox},
};

const BoxRule* RuleFor(uint32_t type)
{
    for (const BoxRule& rule : kBoxRules)
        if (rule.type == type)
            return &rule;
    return nullptr;
}

uint32_t ReadWord(const uint8_t* bytes)
{
    return static_cast<uint32_t>(ReadBigEndian(bytes, 4));
}

// Where the walk goes on after a box: its end, or the end of the body when
// the box claims more (computed wide, so a size near 2^32 cannot wrap).
uint32_t EndWithin(uint64_t boxEnd, uint32_t bodyLength)
{
    return boxEnd > bodyLength ? bodyLength : static_cast<uint32_t>(boxEnd);
}

uint32_t ReadHandledBox(const BoxRule& rule, Mp4ParseState& state, const uint8_t* body,
                        uint32_t start, uint64_t boxEnd, uint32_t bodyLength)
{
    BoxReader box(body, start + kBoxHeaderBytes, EndWithin(boxEnd, bodyLength), rule.text);
    rule.handler(box, state);
    switch (rule.kind) {
    case BoxKind::Header: return box.Position();
    case BoxKind::Exact:
        if (box.Position() != boxEnd)
            box.Fail();
        return box.Position();
    default: return EndWithin(boxEnd, bodyLength);
    }
}

// Visits the box at `start` (whose 8-byte header lies inside the body) and
// returns where the walk goes on.
uint32_t VisitBox(Mp4ParseState& state, const uint8_t* body, uint32_t start, uint32_t size,
                  uint32_t bodyLength)
{
    uint64_t boxEnd = uint64_t{start} + size;
    const BoxRule* rule = RuleFor(ReadWord(body + start + kSizeFieldBytes));
    if (!rule)
        return EndWithin(boxEnd, bodyLength);
    switch (rule->kind) {
    case BoxKind::Track: state.tracks.emplace_back(); return start + kBoxHeaderBytes;
    case BoxKind::Container: return start + kBoxHeaderBytes;
    default: return ReadHandledBox(*rule, state, body, start, boxEnd, bodyLength);
    }
}

}  // namespace

int32_t ParseMoovBoxes(int32_t /*mode: the walk is the same in both*/, uint32_t bodyLength,
                       const uint8_t* body)
{
    Mp4ParseState& state = *gParseState;
    int32_t result = 0;
    uint32_t cursor = 0;
    while (cursor < bodyLength) {
        uint32_t left = bodyLength - cursor;
        // A header cut by the end of the body: the box runs past it.
        if (left < kSizeFieldBytes)
            break;
        uint32_t size = ReadWord(body + cursor);
        if (size == 0) {
            // The end marker of a QuickTime user-data list.
            cursor += kSizeFieldBytes;
            continue;
        }
        if (size < kBoxHeaderBytes)
            throw std::logic_error("box size too small");
        if (left < kBoxHeaderBytes)
            break;
        if (ReadWord(body + cursor + kSizeFieldBytes) == FourCC("avc1"))
            result = kReaderNotHevc;
        cursor = VisitBox(state, body, cursor, size, bodyLength);
    }
    return result;
}

}  // namespace wuvo
