#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <numbers>
#include <set>
#include <string>

#include "engine/mp4/parse_state.h"
#include "engine/mp4/reader.h"
#include "engine/pipeline/shared_objects.h"
#include "platform/text/utf.h"
#include "support/ffprobe.h"
#include "support/fixtures.h"
#include "support/mp4_builder.h"
#include "support/peak_memory.h"

using namespace wuvo;
using namespace wuvo::test;

namespace {

const char* const kHevcFixtures[] = {
    "hevc_aac_newyear.mp4", "hevc_newyear.mov", "hevc_faststart.mp4", "rotate90.mp4",
    "no_audio.mp4",         "lpcm.mov",         "hev1.mp4",           "fps25.mp4",
    "main10.mp4",           "open_gop.mp4",     "hd1080.mp4",
};

Bytes ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t Word(const Bytes& bytes, size_t at)
{
    return uint32_t(bytes[at]) << 24 | uint32_t(bytes[at + 1]) << 16 | uint32_t(bytes[at + 2]) << 8 | bytes[at + 3];
}

void PutWord(Bytes& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

// Boxes of a file as a plain listing independent of the reader: the top
// level, and inside moov every box down through the containers whose
// children the movie walk reads.
struct BoxSpan {
    std::string type;
    size_t start;
    size_t size;
    int depth;
};

void ListBoxes(const Bytes& file, size_t start, size_t end, int depth, std::vector<BoxSpan>& out)
{
    static const std::set<std::string> kContainers{"moov", "trak", "mdia", "minf", "dinf", "stbl"};
    while (start + 8 <= end) {
        uint64_t size = Word(file, start);
        std::string type(file.begin() + start + 4, file.begin() + start + 8);
        if (size == 1)
            size = uint64_t{Word(file, start + 8)} << 32 | Word(file, start + 12);
        if (size == 0)
            size = end - start;
        if (size < 8 || start + size > end)
            break;
        out.push_back({type, start, size, depth});
        if (kContainers.count(type))
            ListBoxes(file, start + 8, start + size, depth + 1, out);
        start += size;
    }
}

std::vector<BoxSpan> ListBoxes(const Bytes& file)
{
    std::vector<BoxSpan> boxes;
    ListBoxes(file, 0, file.size(), 0, boxes);
    return boxes;
}

const BoxSpan* TopLevel(const std::vector<BoxSpan>& boxes, const std::string& type)
{
    for (const BoxSpan& box : boxes)
        if (box.depth == 0 && box.type == type)
            return &box;
    return nullptr;
}

// ftyp, moov and an mdat header that claims more than follows: the reader
// sees the same movie as in the whole file, in a few kilobytes.
Bytes CompactCopy(const Bytes& file)
{
    std::vector<BoxSpan> boxes = ListBoxes(file);
    Bytes compact;
    for (const char* type : {"ftyp", "moov"})
        if (const BoxSpan* box = TopLevel(boxes, type))
            compact.insert(compact.end(), file.begin() + box->start, file.begin() + box->start + box->size);
    return Join({compact, BoxSized(1u << 30, "mdat", {})});
}

std::string FormatUtc(const FrameDateTime& date)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", date.year, date.month, date.day, date.hour,
                  date.minute, date.second);
    return text;
}

class Mp4FixtureReader : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { UseSharedObjects(); }

    int32_t CheckPath(const std::string& path, int32_t mode)
    {
        std::u16string wide = platform::ToUtf16(path);
        std::fill(std::begin(message), std::end(message), u'\0');
        return OpenAndCheckVideo(wide.c_str(), mode, message);
    }

    int32_t CheckBytes(const Bytes& bytes, int32_t mode = kReaderModeJob)
    {
        return CheckPath(WriteTestFile(OwnTestFileName(".mp4"), bytes), mode);
    }

    std::string Message() const { return platform::ToUtf8(message); }

    char16_t message[kReaderMessageLength];
};

std::string ParamName(const ::testing::TestParamInfo<const char*>& info)
{
    std::string name = info.param;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

}  // namespace

TEST_P(Mp4FixtureReader, AgreesWithFfprobe)
{
    std::string path = FixturePath(GetParam());
    ProbedVideo probe = ProbeVideo(path);
    ASSERT_EQ(CheckPath(path, kReaderModeJob), kReaderOk) << Message();
    const Mp4Track* video = gParseState->VideoTrack();
    ASSERT_NE(video, nullptr);

    EXPECT_EQ(GetVideoFrameCount(), probe.frameCount);
    ASSERT_EQ(probe.decodeTimes.size(), probe.frameCount);
    EXPECT_EQ(gParseState->timescale, probe.timescale);

    std::vector<uint64_t> times;
    uint64_t total = 0;
    for (size_t i = 0; i < probe.decodeTimes.size(); ++i) {
        times.push_back(probe.decodeTimes[i] - probe.decodeTimes[0]);
        total += probe.durations[i];
    }
    EXPECT_EQ(gParseState->sampleTimes, times);
    EXPECT_EQ(gParseState->averageSampleDelta,
              static_cast<uint32_t>(static_cast<float>(total) / static_cast<float>(probe.frameCount)));

    if (video->syncSamples.empty()) {
        EXPECT_EQ(probe.keyFrames.size(), probe.frameCount) << "no sync table: every frame is one";
    } else {
        EXPECT_EQ(video->syncSamples, probe.keyFrames);
    }

    ASSERT_GE(probe.creationTime.size(), 19u);
    EXPECT_EQ(FormatUtc(gParseState->firstDate), probe.creationTime.substr(0, 19));

    EXPECT_EQ(video->identity == 0, probe.hasDisplayMatrix);
    double rotation = -std::atan2(video->matrix[1], video->matrix[0]) * 180 / std::numbers::pi;
    EXPECT_NEAR(rotation, probe.rotation, 1e-9);
}

TEST_P(Mp4FixtureReader, TruncatedAtEveryBoxBoundary)
{
    Bytes file = ReadWholeFile(FixturePath(GetParam()));
    std::vector<BoxSpan> boxes = ListBoxes(file);
    const BoxSpan* moov = TopLevel(boxes, "moov");
    ASSERT_NE(moov, nullptr);
    std::set<size_t> cuts;
    for (const BoxSpan& box : boxes)
        cuts.insert({box.start, box.start + box.size});
    for (size_t cut : cuts) {
        if (cut == file.size())
            continue;
        Bytes head(file.begin(), file.begin() + cut);
        for (int32_t mode : {kReaderModeCheck, kReaderModeJob}) {
            int32_t result = CheckBytes(head, mode);
            if (cut >= moov->start + moov->size) {
                EXPECT_EQ(result, kReaderOk) << "cut at " << cut << ": " << Message();
            } else if (cut > moov->start) {
                EXPECT_EQ(result, kReaderScanError) << "cut at " << cut;
                EXPECT_NE(Message().find("<moovBuffer size>"), std::string::npos) << Message();
            } else {
                EXPECT_EQ(result, kReaderNotMp4) << "cut at " << cut;
            }
        }
    }
}

// Every box of the movie given a size that lies: never a crash or a hang;
// the boxes the reader reads by their size are refused by name.
TEST_P(Mp4FixtureReader, LyingBoxSizes)
{
    static const std::set<std::string> kReadToTheirEnd{"mvhd", "tkhd", "mdhd", "vmhd", "stts", "ctts",
                                                       "stsc", "stsz", "stco", "co64", "stss"};
    Bytes compact = CompactCopy(ReadWholeFile(FixturePath(GetParam())));
    ASSERT_EQ(CheckBytes(compact), kReaderOk) << Message();
    for (const BoxSpan& box : ListBoxes(compact)) {
        if (box.depth == 0)
            continue;
        auto size = static_cast<uint32_t>(box.size);
        for (uint32_t lie : {size - 4, size + 4, 0xFFFFFFFFu, 7u, size - 1, size + 1, 0u}) {
            Bytes lying = compact;
            PutWord(lying, box.start, lie);
            int32_t result = CheckBytes(lying);
            SCOPED_TRACE(box.type + " at " + std::to_string(box.start) + " says " + std::to_string(lie));
            bool readToLie = kReadToTheirEnd.count(box.type) && (lie == size - 4 || lie == size + 4 || lie == 0xFFFFFFFFu);
            if (lie == 7) {
                EXPECT_NE(Message().find("<box size too small>"), std::string::npos) << Message();
            } else if (readToLie) {
                EXPECT_NE(Message().find("<" + box.type + ">"), std::string::npos) << Message();
            }
            if (result != kReaderOk) {
                EXPECT_FALSE(Message().empty());
            }
        }
    }
}

TEST_P(Mp4FixtureReader, HugeTableCountsAllocateNothing)
{
    Bytes compact = CompactCopy(ReadWholeFile(FixturePath(GetParam())));
    long before = PeakMemoryKb();
    for (const BoxSpan& box : ListBoxes(compact)) {
        bool counted = box.type == "stts" || box.type == "ctts" || box.type == "stsc" || box.type == "stco" ||
                       box.type == "co64" || box.type == "stss";
        bool sizeTable = box.type == "stsz" && Word(compact, box.start + 12) == 0;
        if (!counted && !sizeTable)
            continue;
        Bytes huge = compact;
        PutWord(huge, box.start + (sizeTable ? 16 : 12), 0xFFFFFFFFu);
        EXPECT_EQ(CheckBytes(huge), kReaderMoovError) << box.type;
        EXPECT_NE(Message().find("<" + box.type + ">"), std::string::npos) << Message();
    }
    EXPECT_LT(PeakMemoryKb() - before, 64 * 1024);
}

INSTANTIATE_TEST_SUITE_P(Hevc, Mp4FixtureReader, ::testing::ValuesIn(kHevcFixtures), ParamName);

TEST(Mp4FixtureRefusals, H264AndFragmentedFiles)
{
    UseSharedObjects();
    char16_t message[kReaderMessageLength];
    for (int32_t mode : {kReaderModeCheck, kReaderModeJob}) {
        std::string h264 = FixturePath("h264.mp4");
        EXPECT_EQ(OpenAndCheckVideo(platform::ToUtf16(h264).c_str(), mode, message), kReaderNotHevc);
        EXPECT_EQ(platform::ToUtf8(message), "<" + h264 + "> is not HEVC format video file\n");

        // Its moov is followed by moof boxes before any mdat.
        std::string fragmented = FixturePath("fragmented.mp4");
        EXPECT_EQ(OpenAndCheckVideo(platform::ToUtf16(fragmented).c_str(), mode, message), kReaderNotMp4);
        EXPECT_EQ(platform::ToUtf8(message), "<" + fragmented + "> is not mp4/MOV format video file\n");
    }
}
