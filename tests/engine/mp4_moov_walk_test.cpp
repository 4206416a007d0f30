#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "engine/mp4/parse_state.h"
#include "engine/mp4/reader.h"
#include "engine/pipeline/shared_objects.h"
#include "support/mp4_builder.h"
#include "support/peak_memory.h"

using namespace wuvo;
using namespace wuvo::test;

namespace {

class Mp4MoovWalk : public ::testing::Test {
protected:
    void SetUp() override
    {
        UseSharedObjects();
        gParseState->Reset();
    }

    // Walks `body` into a fresh parse state.
    int32_t Walk(const Bytes& body)
    {
        gParseState->Reset();
        return ParseMoovBoxes(kReaderModeCheck, static_cast<uint32_t>(body.size()), body.data());
    }

    // The reader error the walk raises, or "" when it raises none.
    std::string WalkError(const Bytes& body)
    {
        try {
            Walk(body);
        } catch (const std::logic_error& error) {
            return error.what();
        }
        return "";
    }

    const Mp4Track& Track(size_t i) { return gParseState->tracks.at(i); }
};

Bytes TrakWith(const Bytes& children) { return Box("trak", children); }

}  // namespace

TEST_F(Mp4MoovWalk, EmptyBodyAndEndMarkers)
{
    EXPECT_EQ(Walk({}), 0);
    EXPECT_TRUE(gParseState->tracks.empty());

    // A zero word where a header is expected moves on by four bytes.
    EXPECT_EQ(Walk(Join({Bytes(4, 0), TrakWith({}), Bytes(4, 0)})), 0);
    EXPECT_EQ(gParseState->tracks.size(), 1u);
}

TEST_F(Mp4MoovWalk, H264EntryAnywhereGivesMinusOne)
{
    VideoTrackSpec hevc;
    VideoTrackSpec h264;
    h264.entry = Avc1Entry();
    Bytes header = Mvhd(0, 600, 600);
    EXPECT_EQ(Walk(Join({header, Trak(hevc)})), 0);
    EXPECT_EQ(Walk(Join({header, Trak(hevc), Trak(h264)})), kReaderNotHevc);
    EXPECT_EQ(Walk(Join({header, Trak(h264), Trak(hevc)})), kReaderNotHevc);
    // The avcC record of the refused entry was read along the way.
    EXPECT_EQ(Track(0).profile, 100);
    EXPECT_EQ(Track(0).nalLengthSize, 4u);
    EXPECT_EQ(Track(0).spsLengths, std::vector<uint16_t>{4});
}

TEST_F(Mp4MoovWalk, TrackHeaderMatrix)
{
    Walk(TrakWith(Tkhd(kIdentityMatrix, 1920, 1080)));
    EXPECT_EQ(Track(0).identity, 1);
    EXPECT_EQ(Track(0).matrix, (std::array<int32_t, 9>{1, 0, 0, 0, 1, 0, 0, 0, 1}));
    EXPECT_EQ(Track(0).width, 1920u);
    EXPECT_EQ(Track(0).height, 1080u);

    Matrix turned = kQuarterTurnMatrix;
    turned[6] = 240u << 16;  // x translation
    Walk(TrakWith(Tkhd(turned)));
    EXPECT_EQ(Track(0).identity, 0);
    EXPECT_EQ(Track(0).matrix, (std::array<int32_t, 9>{0, 1, 0, -1, 0, 0, 240, 0, 1}));

    Matrix bad = kIdentityMatrix;
    bad[0] = 0x00020000;
    EXPECT_EQ(WalkError(TrakWith(Tkhd(bad))), "tkhd1");
    bad = kIdentityMatrix;
    bad[5] = 1;
    EXPECT_EQ(WalkError(TrakWith(Tkhd(bad))), "tkhd2");
    bad = kIdentityMatrix;
    bad[8] = 0x00010000;
    EXPECT_EQ(WalkError(TrakWith(Tkhd(bad))), "tkhd3");
}

TEST_F(Mp4MoovWalk, Version1HeadersOfTracksAndMovie)
{
    // tkhd version 1 has 64-bit times: read as version 0 it cannot fit.
    std::string error = WalkError(TrakWith(FullBox("tkhd", 1, Bytes(92, 0))));
    EXPECT_EQ(error.rfind("tkhd", 0), 0u) << error;

    // mdhd version 1 keeps the low 32 bits of its 64-bit duration.
    ByteWriter mdhd;
    mdhd.U64(1).U64(2).U32(90000).U64(0x1'0000'0BB8ull).U16(0).U16(0);
    Walk(TrakWith(FullBox("mdhd", 1, mdhd.bytes)));
    EXPECT_EQ(Track(0).timescale, 90000u);
    EXPECT_EQ(Track(0).duration, 3000u);

    // A version 1 movie header is refused before its times are taken.
    gParseState->firstDate.year = 1999;
    EXPECT_EQ(WalkError(FullBox("mvhd", 1, Bytes(108, 0))), "mvhd");
    EXPECT_EQ(gParseState->firstDate.year, 1999);
    EXPECT_EQ(WalkError(Mvhd(3786912000u, 0, 600)), "mvhd") << "zero time scale";
}

TEST_F(Mp4MoovWalk, QuickTimeDataHandlerKeepsTheMediaHandler)
{
    Walk(TrakWith(Join({Hdlr("mhlr", "vide"), Hdlr("dhlr", "alis")})));
    EXPECT_EQ(Track(0).handlerType, 0x76696465u);  // vide
    EXPECT_EQ(Track(0).componentType, 0x6D686C72u);  // mhlr

    Walk(TrakWith(Join({Hdlr(nullptr, "soun"), Hdlr(nullptr, "vide")})));
    EXPECT_EQ(Track(0).handlerType, 0x736F756Eu) << "the first media handler stays";
}

TEST_F(Mp4MoovWalk, TablesAreReadAndAppended)
{
    ByteWriter ctts;
    ctts.U32(2).U32(3).U32(1001).U32(2).U32(0);
    ByteWriter co64;
    co64.U32(1).U64(0x1'0000'0010ull);
    Walk(TrakWith(Join({Stts({{3, 1001}, {2, 2002}}), FullBox("ctts", 0, ctts.bytes), Stsz({7, 8, 9}),
                        Stco({16, 32}), FullBox("co64", 0, co64.bytes), Stss({1, 31, 61})})));
    const Mp4Track& track = Track(0);
    EXPECT_EQ(track.sttsCounts, (std::vector<uint32_t>{3, 2}));
    EXPECT_EQ(track.sttsDeltas, (std::vector<uint32_t>{1001, 2002}));
    EXPECT_EQ(track.cttsOffsets, (std::vector<uint32_t>{1001, 0}));
    EXPECT_EQ(track.sampleSizes, (std::vector<uint32_t>{7, 8, 9}));
    EXPECT_EQ(track.SizeTableEntries(), 3u);
    EXPECT_EQ(track.chunkOffsets, (std::vector<uint64_t>{16, 32, 0x1'0000'0010ull}));
    EXPECT_EQ(track.chunkCount, 1u);
    EXPECT_EQ(track.syncSamples, (std::vector<uint32_t>{0, 30, 60}));
}

TEST_F(Mp4MoovWalk, ConstantSampleSizeIsNotExpanded)
{
    long before = PeakMemoryKb();
    Walk(TrakWith(StszConstant(5, 1'000'000'000)));
    EXPECT_TRUE(Track(0).sampleSizes.empty());
    EXPECT_EQ(Track(0).SizeTableEntries(), 1'000'000'000u);
    EXPECT_LT(PeakMemoryKb() - before, 64 * 1024);

    // A second size table could not be appended to a constant one.
    EXPECT_EQ(WalkError(TrakWith(Join({StszConstant(5, 10), Stsz({1, 2})}))), "stsz");
}

// Each table box with a size that lies by four bytes either way, or with a
// count far beyond what it holds, is refused by its own name.
TEST_F(Mp4MoovWalk, LyingSizesAndHugeCountsNameTheBox)
{
    struct Case {
        const char* name;
        Bytes box;
        size_t countOffset;  // where the entry count sits, 0 for none
    };
    ByteWriter co64;
    co64.U32(1).U64(99);
    ByteWriter ctts;
    ctts.U32(1).U32(1).U32(0);
    ByteWriter stsc;
    stsc.U32(1).U32(1).U32(1).U32(1);
    ByteWriter elst;
    elst.U32(1).U32(600).U32(0).U32(0x00010000);
    ByteWriter elst64;
    elst64.U32(1).U64(600).U64(0).U32(0x00010000);
    const Case cases[] = {
        {"mvhd", Mvhd(0, 600, 600), 0},
        {"tkhd", Tkhd(), 0},
        {"mdhd", Mdhd(600, 0), 0},
        {"vmhd", Vmhd(), 0},
        {"stts", Stts({{5, 20}}), 12},
        {"ctts", FullBox("ctts", 0, ctts.bytes), 12},
        {"stsc", FullBox("stsc", 0, stsc.bytes), 12},
        {"stsz", Stsz({1, 2, 3}), 16},
        {"stco", Stco({1}), 12},
        {"co64", FullBox("co64", 0, co64.bytes), 12},
        {"stss", Stss({1}), 12},
        {"elst", FullBox("elst", 0, elst.bytes), 12},
        {"elst", FullBox("elst", 1, elst64.bytes), 12},
    };
    long before = PeakMemoryKb();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto size = static_cast<uint32_t>(c.box.size());
        for (uint32_t lie : {size - 4, size + 4}) {
            Bytes lying = c.box;
            lying[0] = lie >> 24, lying[1] = lie >> 16, lying[2] = lie >> 8, lying[3] = lie;
            // Placed last, a longer size runs past the body; placed first,
            // a shorter one leaves the box's own bytes for the next header.
            EXPECT_EQ(WalkError(TrakWith(lying)), c.name) << "size " << lie;
            EXPECT_EQ(WalkError(Join({TrakWith(lying), Bytes(8, 0)})), c.name) << "size " << lie;
        }
        if (c.countOffset) {
            Bytes huge = c.box;
            for (int i = 0; i < 4; ++i)
                huge[c.countOffset + i] = 0xFF;
            EXPECT_EQ(WalkError(TrakWith(huge)), c.name);
        }
    }
    EXPECT_LT(PeakMemoryKb() - before, 64 * 1024) << "no table was allocated for its count";
}

TEST_F(Mp4MoovWalk, TrackBoxesBeforeAnyTrackAreRefused)
{
    for (const Bytes& box : {Tkhd(), Mdhd(600, 0), Hdlr(nullptr, "vide"), Stts({{1, 1}}), Stsz({1}),
                             Stss({1}), Avc1Entry()}) {
        std::string type(box.begin() + 4, box.begin() + 8);
        EXPECT_EQ(WalkError(box), type);
    }
    EXPECT_EQ(WalkError(Mvhd(0, 600, 600)), "") << "the movie header belongs to no track";
}

TEST_F(Mp4MoovWalk, BoxSizesAtTheEdges)
{
    for (uint32_t size : {1u, 4u, 7u})
        EXPECT_EQ(WalkError(BoxSized(size, "free", {})), "box size too small") << size;

    // A skipped box that claims nearly 4 GiB ends the walk; in 32 bits its
    // end would wrap back to the trak header and walk it for ever.
    Bytes body = Join({TrakWith({}), BoxSized(0xFFFFFFF8u, "free", {}), TrakWith({})});
    EXPECT_EQ(WalkError(body), "");
    EXPECT_EQ(gParseState->tracks.size(), 1u);

    // A header cut by the end of the body ends the walk as well.
    EXPECT_EQ(WalkError(Join({TrakWith({}), Bytes{0, 0, 0, 16, 'f'}})), "");
}

TEST_F(Mp4MoovWalk, SampleEntriesAndDecoderRecords)
{
    EXPECT_EQ(WalkError(TrakWith(FullBox("stsd", 0, ByteWriter().U32(2).bytes))), "stsd");
    EXPECT_EQ(WalkError(TrakWith(FullBox("vmhd", 0, Bytes(12, 0)))), "vmhd");

    // An avc1 entry without the end of its fields is not searched past its box.
    Bytes noMark = Box("avc1", Bytes(78, 0));
    EXPECT_EQ(WalkError(Join({TrakWith(noMark), Bytes{0, 0x18, 0xFF, 0xFF}})), "avc1");

    struct AvcCase {
        uint16_t lengthWord;
        uint16_t spsLength;
        const char* error;
    };
    for (auto [word, sps, error] : {AvcCase{0x03E1, 4, "avcc1"}, AvcCase{0xFF01, 4, "avcc2"},
                                    AvcCase{0xFFE2, 4, "avcc3"}, AvcCase{0xFFE1, 256, "avcc4"}}) {
        EXPECT_EQ(WalkError(TrakWith(AvcC(word, sps))), error);
    }
    Bytes cut = AvcC();
    cut.resize(cut.size() - 3);
    cut[3] = static_cast<uint8_t>(cut.size());
    EXPECT_EQ(WalkError(TrakWith(cut)), "avcC");
}
