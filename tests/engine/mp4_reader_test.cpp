#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

#include "engine/mp4/parse_state.h"
#include "engine/mp4/reader.h"
#include "engine/pipeline/shared_objects.h"
#include "platform/text/utf.h"
#include "support/fixtures.h"
#include "support/mp4_builder.h"

using namespace wuvo;
using namespace wuvo::test;
using platform::ToUtf16;

namespace {

class Mp4Reader : public ::testing::Test {
protected:
    void SetUp() override { UseSharedObjects(); }

    // Checks `bytes` written to a file; `message` gets the reader's message.
    int32_t Check(const Bytes& bytes, int32_t mode = kReaderModeCheck)
    {
        path = WriteTestFile(OwnTestFileName(".mp4"), bytes);
        return CheckPath(path, mode);
    }

    int32_t CheckPath(const std::string& utf8Path, int32_t mode = kReaderModeCheck)
    {
        std::u16string wide = ToUtf16(utf8Path);
        std::fill(std::begin(message), std::end(message), u'\0');
        return OpenAndCheckVideo(wide.c_str(), mode, message);
    }

    std::string Message() const { return platform::ToUtf8(message); }

    std::string path;
    char16_t message[kReaderMessageLength];
};

const Bytes kMovie = Moov(Join({Mvhd(3786912000u, 600, 600), Trak({})}));
const Bytes kMdat = Box("mdat", Bytes(64, 0));

// A file name that makes the test file's full path `units` long.
std::string NameForPathOf(size_t units)
{
    return std::string(units - TestOutputDir().size() - 1, 'p');
}

Bytes MovieWithTrack(const VideoTrackSpec& spec)
{
    return Join({Ftyp(), Moov(Join({Mvhd(0, 600, 600), Trak(spec)})), kMdat});
}

}  // namespace

TEST_F(Mp4Reader, FilesThatCannotBeOpened)
{
    std::string missing = "/nonexistent/wuvo/clip.mp4";
    EXPECT_EQ(CheckPath(missing), kReaderCannotOpen);
    EXPECT_EQ(Message(), "Cannot open video file <" + missing + ">\n");

    // One unit too long for the path field: refused, not cut to a shorter name.
    std::string longPath = WriteTestFile(NameForPathOf(kReaderMessageLength), SimpleMovie());
    EXPECT_EQ(CheckPath(longPath), kReaderCannotOpen);
    EXPECT_EQ(std::u16string(message).size(), kReaderMessageLength - 1) << "the message itself is cut to fit";

    std::string fitting = WriteTestFile(NameForPathOf(kReaderMessageLength - 1), SimpleMovie());
    EXPECT_EQ(CheckPath(fitting), kReaderOk);

    EXPECT_EQ(OpenAndCheckVideo(u"", kReaderModeCheck, message), kReaderCannotOpen);
}

TEST_F(Mp4Reader, TopLevelBoxOrders)
{
    EXPECT_EQ(Check({}), kReaderNotMp4);
    EXPECT_EQ(Message(), "<" + path + "> is not mp4/MOV format video file\n");

    EXPECT_EQ(Check(Join({Ftyp(), kMdat, kMovie})), kReaderOk);
    EXPECT_EQ(Check(Join({Ftyp(), kMovie, kMdat, Box("moof", {})})), kReaderOk);
    EXPECT_EQ(Check(Join({Ftyp(), kMovie, Box("moof", {}), kMdat})), kReaderNotMp4);
    EXPECT_EQ(Check(Join({Ftyp("qt  "), Box("wide", {}), kMdat, kMovie})), kReaderOk);
    EXPECT_EQ(Check(Join({kMdat, kMovie})), kReaderOk) << "QuickTime without ftyp";
    EXPECT_EQ(Check(Join({Ftyp(), kMdat})), kReaderNotMp4) << "no moov";
    // A last box that claims more than the file holds ends the scan there.
    EXPECT_EQ(Check(Join({Ftyp(), kMovie, BoxSized(1u << 30, "mdat", Bytes(16, 0))})), kReaderOk);
    // A header cut short by the end of the file ends it too.
    EXPECT_EQ(Check(Join({Ftyp(), kMovie, Bytes{0, 0, 0}})), kReaderOk);
}

TEST_F(Mp4Reader, MediaDataSizes)
{
    Bytes large = ByteWriter().U32(1).Code("mdat").U64(16 + 100).Zeros(100).bytes;
    EXPECT_EQ(Check(Join({Ftyp(), large, kMovie})), kReaderOk) << "skipped by its 64-bit size";

    Bytes zeroLarge = ByteWriter().U32(1).Code("mdat").U64(0).bytes;
    EXPECT_EQ(Check(Join({Ftyp(), zeroLarge, kMovie})), kReaderScanError);
    EXPECT_EQ(Message(), "File check: <box size too small> in file <" + path + ">\n");

    Bytes toEnd = BoxSized(0, "mdat", Bytes(32, 0));
    EXPECT_EQ(Check(Join({Ftyp(), kMovie, toEnd})), kReaderOk);
    EXPECT_EQ(Check(Join({Ftyp(), toEnd, kMovie})), kReaderNotMp4);

    // A 64-bit size that would wrap the offset back to the start of the
    // file, and scan it for ever.
    uint64_t at = Ftyp().size() + kMovie.size();
    Bytes wrapping = ByteWriter().U32(1).Code("mdat").U64(0 - at).bytes;
    EXPECT_EQ(Check(Join({Ftyp(), kMovie, wrapping})), kReaderOk);
}

TEST_F(Mp4Reader, SkippedBoxesWithSizesBelowTheirHeader)
{
    for (uint32_t size : {0u, 4u}) {
        EXPECT_EQ(Check(Join({Ftyp(), BoxSized(size, "free", {}), kMovie, kMdat})), kReaderScanError);
        EXPECT_EQ(Message(), "File check: <box size too small> in file <" + path + ">\n");
    }
}

TEST_F(Mp4Reader, OnlyTheFirstMovieBoxIsWalked)
{
    VideoTrackSpec h264;
    h264.entry = Avc1Entry();
    Bytes second = Moov(Join({Mvhd(0, 600, 600), Trak(h264)}));
    EXPECT_EQ(Check(Join({Ftyp(), kMovie, second, kMdat})), kReaderOk);
    EXPECT_EQ(Check(Join({Ftyp(), second, kMovie, kMdat})), kReaderNotHevc);
    EXPECT_EQ(Message(), "<" + path + "> is not HEVC format video file\n");
}

TEST_F(Mp4Reader, CheckModeDropsTheBoxCopiesAndJobModeKeepsThem)
{
    Bytes file = Join({Ftyp(), kMdat, kMovie});
    ASSERT_EQ(Check(file, kReaderModeCheck), kReaderOk);
    EXPECT_EQ(gParseState->ftypBuffer, nullptr);
    EXPECT_EQ(gParseState->moovBuffer, nullptr);
    EXPECT_EQ(gParseState->moovOffset, 0u);
    EXPECT_EQ(gParseState->moovSize, 0u);
    EXPECT_EQ(gParseState->tracks.size(), 1u) << "the tables stay for the preview";

    {
        std::lock_guard guard(gFramePool->lock);
        gFramePool->mode = kPoolModePreview;
    }
    ASSERT_EQ(Check(file, kReaderModeJob), kReaderOk);
    size_t moovAt = Ftyp().size() + kMdat.size();
    ASSERT_NE(gParseState->moovBuffer, nullptr);
    EXPECT_EQ(gParseState->moovOffset, moovAt);
    ASSERT_EQ(gParseState->moovSize, kMovie.size());
    EXPECT_EQ(std::memcmp(gParseState->moovBuffer, kMovie.data(), kMovie.size()), 0);
    ASSERT_NE(gParseState->ftypBuffer, nullptr);
    ASSERT_EQ(gParseState->ftypSize, Ftyp().size());
    EXPECT_EQ(std::memcmp(gParseState->ftypBuffer, Ftyp().data(), Ftyp().size()), 0);
    std::lock_guard guard(gFramePool->lock);
    EXPECT_EQ(gFramePool->mode, kPoolModeJob);
}

TEST_F(Mp4Reader, MovieBoxLargerThanTheFile)
{
    Bytes lying = kMovie;
    lying[0] = 0x7F;  // about 2 GiB
    EXPECT_EQ(Check(Join({Ftyp(), lying})), kReaderScanError);
    EXPECT_EQ(Message(), "File check: <moovBuffer size> in file <" + path + ">\n");
}

TEST_F(Mp4Reader, MovieWithoutHeaderKeepsNoOldDate)
{
    ASSERT_EQ(Check(SimpleMovie({}, 3786912000u)), kReaderOk);
    ASSERT_EQ(gParseState->firstDate.year, 2024);
    EXPECT_EQ(Check(Join({Ftyp(), Moov(Trak({})), kMdat})), kReaderMoovError);
    EXPECT_EQ(Message(), "Parsing moov: <mvhd> in file <" + path + ">\n");
}

// Movies the rest of the engine could not use end the check with the
// reader's error instead of a division by zero or a read past a table.
TEST_F(Mp4Reader, UnusableVideoTracks)
{
    struct Case {
        const char* error;
        std::function<void(VideoTrackSpec&)> change;
    };
    const Case cases[] = {
        {"no video track", [](VideoTrackSpec& s) { s.handler = "soun"; }},
        {"stsz", [](VideoTrackSpec& s) { s.sizes.clear(); s.times.clear(); }},
        {"mdhd", [](VideoTrackSpec& s) { s.timescale = 0; }},
        {"stts", [](VideoTrackSpec& s) { s.times = {{4, 20}}; }},
        {"stss", [](VideoTrackSpec& s) { s.syncNumbers = {1, 6}; }},
        {"stss", [](VideoTrackSpec& s) { s.syncNumbers = {0, 3}; }},
        // Frames longer than an hour, which no output's track unit can time
        // (the track's unit is 1/600 s): one of 2^31 - 1 units, two of
        // 2^32 - 1, one shown 2^31 units early, one held by a pause, and a
        // timeline that starts after more than a day.
        {"stts", [](VideoTrackSpec& s) { s.times = {{4, 20}, {1, 0x7FFFFFFF}}; }},
        {"stts", [](VideoTrackSpec& s) { s.times = {{3, 20}, {2, 0xFFFFFFFF}}; }},
        {"ctts", [](VideoTrackSpec& s) { s.offsets = {{1, INT32_MIN}, {4, 0}}; }},
        {"elst", [](VideoTrackSpec& s) { s.edits = {{20, 0}, {600 * 3601, -1}, {80, 20}}; }},
        {"elst", [](VideoTrackSpec& s) { s.edits = {{600 * 86401, -1}, {100, 0}}; }},
    };
    for (const Case& c : cases) {
        VideoTrackSpec spec;
        c.change(spec);
        EXPECT_EQ(Check(MovieWithTrack(spec)), kReaderMoovError) << c.error;
        EXPECT_EQ(Message(), std::string("Parsing moov: <") + c.error + "> in file <" + path + ">\n");
    }
}

// Four billion frames of 5 bytes in a file of a few hundred bytes; frames
// of a byte, too small to hold pictures, as many as half the file's bytes.
TEST_F(Mp4Reader, ConstantSizeFramesMustFitTheFile)
{
    const uint32_t halfTheFile = static_cast<uint32_t>(SimpleMovie().size() / 2);
    for (auto [size, count] : {std::pair{5u, 0xFFFFFFFFu}, std::pair{1u, halfTheFile}}) {
        VideoTrackSpec spec;
        spec.times = {{count, 1}};
        spec.constantSize = size;
        EXPECT_EQ(Check(SimpleMovie(spec)), kReaderMoovError) << size << "-byte frames";
        EXPECT_EQ(Message(), "Parsing moov: <stsz> in file <" + path + ">\n");
    }
}

TEST_F(Mp4Reader, WidenedReaderMessages)
{
    char16_t wide[kReaderMessageLength];
    std::fill(std::begin(wide), std::end(wide), u'x');
    WidenReaderMessage("moovBuffer size", wide);
    EXPECT_EQ(std::u16string(wide), u"moovBuffer size");
    EXPECT_EQ(wide[kReaderMessageLength - 1], u'\0') << "zero-filled";

    std::string longText(400, 'a');
    WidenReaderMessage(longText.c_str(), wide);
    EXPECT_EQ(std::u16string(wide).size(), kReaderMessageLength - 1);
}
