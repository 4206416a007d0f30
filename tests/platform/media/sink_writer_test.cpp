#include "platform/media/sink_writer.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>

#include "platform/media/media_status.h"
#include "platform/media/source_reader.h"
#include "support/fixtures.h"
#include "support/media_reference.h"
#include "support/ordinary_user.h"
#include "support/time_zone.h"

using namespace wuvo::platform;
namespace fs = std::filesystem;

namespace {

constexpr uint32_t kRate = 30;
constexpr int64_t kFrameDuration = kTimeUnitsPerSecond / kRate;
constexpr uint32_t kSampleRate = 48000;
constexpr uint32_t kChannels = 2;

// A moving picture; `noise` makes it costly to compress, so that the rate
// control has to spend the bitrate it is given.
std::vector<uint8_t> MakeFrame(uint32_t width, uint32_t height, uint32_t index, std::mt19937* noise)
{
    std::vector<uint8_t> frame(width * height * 3 / 2, 128);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            frame[y * width + x] = static_cast<uint8_t>(x + y + index * 4 + (noise ? (*noise)() % 64 : 0));
    return frame;
}

std::vector<uint8_t> MakeTone(size_t samples, size_t first)
{
    std::vector<int16_t> pcm(samples * kChannels);
    for (size_t i = 0; i < samples; ++i)
        for (size_t c = 0; c < kChannels; ++c)
            pcm[i * kChannels + c] = static_cast<int16_t>(8000 * std::sin((first + i) * 0.05));
    const auto* bytes = reinterpret_cast<const uint8_t*>(pcm.data());
    return {bytes, bytes + pcm.size() * sizeof(int16_t)};
}

VideoEncoding Encoding(uint32_t width, uint32_t height, uint32_t bitrate)
{
    VideoEncoding encoding;
    encoding.width = encoding.inputWidth = width;
    encoding.height = encoding.inputHeight = height;
    encoding.rateNumerator = kRate;
    encoding.rateDenominator = 1;
    encoding.bitrate = bitrate;
    return encoding;
}

AudioEncoding Stereo()
{
    return AudioEncoding{kSampleRate, kChannels, 192000};
}

double Seconds(const std::string& text)
{
    return std::stod(text);
}

// Starts a small video at `path`, recorded at `movieTime` (seconds from
// 1904; 0 for none), and writes its first frame.
void WriteFirstFrame(SinkWriter& writer, const fs::path& path, uint32_t movieTime = 0)
{
    ASSERT_EQ(writer.Create(path.string()), kMediaOk);
    ASSERT_TRUE(writer.SetCreationTime(movieTime));
    ASSERT_TRUE(writer.AddVideoStream(Encoding(64, 64, 100000)));
    ASSERT_TRUE(writer.BeginWriting());
    auto frame = MakeFrame(64, 64, 0, nullptr);
    ASSERT_TRUE(writer.WriteVideoFrame(frame.data(), 0, kFrameDuration));
}

size_t FilesIn(const fs::path& folder)
{
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

}  // namespace

// Audio handed over in pieces that are not whole AAC frames still comes out
// complete and clean; every video packet carries its duration.
TEST(SinkWriter, WritesHevcAndAacThatFfprobeAccepts)
{
    fs::path folder = wuvo::test::FreshOutputFolder("sink_basic");
    std::string path = (folder / "out.mp4").string();
    constexpr uint32_t kFrames = 45;
    constexpr size_t kPiece = 700;  // samples per write, deliberately not 1024
    size_t written = 0;
    {
        SinkWriter writer;
        ASSERT_EQ(writer.Create(path), kMediaOk);
        ASSERT_TRUE(writer.AddVideoStream(Encoding(320, 240, 400000)));
        ASSERT_TRUE(writer.AddAudioStream(Stereo()));
        ASSERT_TRUE(writer.BeginWriting());
        for (uint32_t k = 0; k < kFrames; ++k) {
            auto frame = MakeFrame(320, 240, k, nullptr);
            ASSERT_TRUE(writer.WriteVideoFrame(frame.data(), k * kFrameDuration, kFrameDuration));
            while (written < (k + 1) * kSampleRate / kRate) {
                auto piece = MakeTone(kPiece, written);
                ASSERT_TRUE(writer.WriteAudio(piece.data(), piece.size()));
                written += kPiece;
            }
        }
        EXPECT_FALSE(fs::exists(path)) << "the name is taken only when complete";
        ASSERT_TRUE(writer.Finalize());
    }
    EXPECT_EQ(FilesIn(folder), 1u) << "no temporary file is left";

    auto video = wuvo::test::Probe(path, "v:0", "stream=codec_name,codec_tag_string,width,height,nb_frames");
    ASSERT_EQ(video.size(), 1u);
    EXPECT_EQ(video[0], "hevc,hvc1,320,240," + std::to_string(kFrames));
    auto audio = wuvo::test::Probe(path, "a:0", "stream=codec_name,sample_rate,channels,duration");
    ASSERT_EQ(audio.size(), 1u);
    EXPECT_EQ(audio[0].substr(0, audio[0].rfind(',')), "aac,48000,2");
    // The edit list that trims the encoder's padding counts milliseconds.
    constexpr double kLengthResolution = 0.001;
    double audioSeconds = Seconds(audio[0].substr(audio[0].rfind(',') + 1));
    EXPECT_NEAR(audioSeconds, static_cast<double>(written) / kSampleRate, kLengthResolution);

    for (const auto& duration : wuvo::test::Probe(path, "v:0", "packet=duration_time"))
        EXPECT_NEAR(Seconds(duration), 1.0 / kRate, 1e-6);
    std::string errors;
    EXPECT_TRUE(wuvo::test::DecodesCleanly(path, &errors)) << errors;
}

TEST(SinkWriter, ScalesToTheEncodedSize)
{
    fs::path folder = wuvo::test::FreshOutputFolder("sink_scaled");
    std::string path = (folder / "small.mp4").string();
    SinkWriter writer;
    ASSERT_EQ(writer.Create(path), kMediaOk);
    VideoEncoding encoding = Encoding(160, 96, 200000);
    encoding.inputWidth = 320;
    encoding.inputHeight = 240;
    ASSERT_TRUE(writer.AddVideoStream(encoding));
    ASSERT_TRUE(writer.BeginWriting());
    for (uint32_t k = 0; k < 5; ++k) {
        auto frame = MakeFrame(320, 240, k, nullptr);
        ASSERT_TRUE(writer.WriteVideoFrame(frame.data(), k * kFrameDuration, kFrameDuration));
    }
    ASSERT_TRUE(writer.Finalize());
    EXPECT_EQ(wuvo::test::Probe(path, "v", "stream=width,height"), std::vector<std::string>{"160,96"});
    EXPECT_TRUE(wuvo::test::Probe(path, "a", "stream=codec_name").empty());
}

// The rate control is told the frame rate; a 10 s clip lands within 10 %.
TEST(SinkWriter, KeepsTheRequestedBitrate)
{
    fs::path folder = wuvo::test::FreshOutputFolder("sink_bitrate");
    std::string path = (folder / "rate.mp4").string();
    constexpr uint32_t kBitrate = 300000;
    constexpr uint32_t kSeconds = 10;
    SinkWriter writer;
    ASSERT_EQ(writer.Create(path), kMediaOk);
    ASSERT_TRUE(writer.AddVideoStream(Encoding(192, 108, kBitrate)));
    ASSERT_TRUE(writer.BeginWriting());
    std::mt19937 noise(7);
    for (uint32_t k = 0; k < kSeconds * kRate; ++k) {
        auto frame = MakeFrame(192, 108, k, &noise);
        ASSERT_TRUE(writer.WriteVideoFrame(frame.data(), k * kFrameDuration, kFrameDuration));
    }
    ASSERT_TRUE(writer.Finalize());
    auto rate = wuvo::test::Probe(path, "v:0", "stream=bit_rate");
    ASSERT_EQ(rate.size(), 1u);
    EXPECT_NEAR(std::stod(rate[0]), kBitrate, kBitrate * 0.1);
}

// A write that is never finalised leaves the earlier file of that name as it
// was, and no temporary file behind; so does one finalised over a file the
// user made read-only while it was written.
TEST(SinkWriter, AnUnfinishedOrRefusedWriteKeepsTheEarlierFile)
{
    fs::path folder = wuvo::test::FreshOutputFolder("sink_unfinished");
    fs::path path = folder / "kept.mp4";
    std::ofstream(path) << "earlier good file";
    {
        SinkWriter writer;
        ASSERT_NO_FATAL_FAILURE(WriteFirstFrame(writer, path));
    }
    {
        SinkWriter writer;
        ASSERT_NO_FATAL_FAILURE(WriteFirstFrame(writer, path));
        fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        wuvo::test::AsAnOrdinaryUser user;
        EXPECT_FALSE(writer.Finalize());
        EXPECT_EQ(writer.FileError(), EACCES);
    }
    EXPECT_EQ(FilesIn(folder), 1u);
    std::ifstream kept(path);
    std::string text;
    std::getline(kept, text);
    EXPECT_EQ(text, "earlier good file");
}

// A disk that fills up while the file is written: the reason is kept, and
// nothing of the half-written file stays.
TEST(SinkWriter, AWriteTheDiskRefusesKeepsItsReasonAndNoFile)
{
    fs::path folder = wuvo::test::FreshOutputFolder("sink_refused");
    {
        SinkWriter writer;
        ASSERT_NO_FATAL_FAILURE(WriteFirstFrame(writer, folder / "out.mp4"));
        EXPECT_EQ(writer.FileError(), 0);
        // Files of this process may not grow past 1 KiB: writes fail with EFBIG.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 1024;
        setrlimit(RLIMIT_FSIZE, &small);
        bool finalized = writer.Finalize();
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_FALSE(finalized);
        EXPECT_EQ(writer.FileError(), EFBIG);
    }
    EXPECT_EQ(FilesIn(folder), 0u);

    SinkWriter nowhere;
    EXPECT_EQ(nowhere.Create((folder / "missing/out.mp4").string()), kMediaFailed);
    EXPECT_EQ(nowhere.FileError(), ENOENT);
}

// The output gets the permissions any new file of this process gets.
TEST(SinkWriter, OutputFollowsTheProcessFileModeMask)
{
    fs::path folder = wuvo::test::FreshOutputFolder("sink_mode");
    fs::path path = folder / "out.mp4";
    constexpr mode_t kTestMask = 027;
    mode_t previous = umask(kTestMask);
    {
        SinkWriter writer;
        ASSERT_NO_FATAL_FAILURE(WriteFirstFrame(writer, path));
        ASSERT_TRUE(writer.Finalize());
    }
    EXPECT_EQ(umask(previous), kTestMask) << "the mask itself is left as it was";
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

// The longest name the file system takes, in characters of several bytes,
// is written, and nothing else is left beside it.
TEST(SinkWriter, WritesANameAsLongAsTheFileSystemTakes)
{
    fs::path folder = wuvo::test::FreshOutputFolder("sink_long_name");
    std::string name;
    for (int i = 0; i < 83; ++i)
        name += "\u65e5";  // 3 bytes each
    name += "ab.mp4";
    ASSERT_EQ(name.size(), 255u);
    {
        SinkWriter writer;
        ASSERT_NO_FATAL_FAILURE(WriteFirstFrame(writer, folder / name));
        ASSERT_TRUE(writer.Finalize());
    }
    EXPECT_EQ(FilesIn(folder), 1u);
    auto video = wuvo::test::Probe((folder / name).string(), "v:0", "stream=nb_frames");
    ASSERT_EQ(video.size(), 1u);
    EXPECT_EQ(video[0], "1");
}

TEST(SinkWriter, RefusesBadSettings)
{
    fs::path folder = wuvo::test::FreshOutputFolder("sink_bad_settings");
    SinkWriter noFolder;
    EXPECT_EQ(noFolder.Create((folder / "missing" / "x.mp4").string()), kMediaFailed);
    SinkWriter intoFolder;
    EXPECT_EQ(intoFolder.Create(folder.string()), kMediaFailed);
    // A name longer than the file system allows is refused, not thrown at.
    SinkWriter overlong;
    EXPECT_EQ(overlong.Create((folder / (std::string(300, 'a') + ".mp4")).string()), kMediaFailed);

    SinkWriter writer;
    ASSERT_EQ(writer.Create((folder / "x.mp4").string()), kMediaOk);
    VideoEncoding noRate = Encoding(64, 64, 100000);
    noRate.rateNumerator = 0;
    EXPECT_FALSE(writer.AddVideoStream(noRate));
    EXPECT_FALSE(writer.AddAudioStream(AudioEncoding{0, 2, 96000}));
    EXPECT_FALSE(writer.BeginWriting()) << "no video stream";
    ASSERT_TRUE(writer.AddVideoStream(Encoding(64, 64, 100000)));
    ASSERT_TRUE(writer.AddAudioStream(Stereo()));
    ASSERT_TRUE(writer.BeginWriting());
    uint8_t halfSample[3] = {};
    EXPECT_FALSE(writer.WriteAudio(halfSample, sizeof halfSample));
}

// The headers carry the recording date as the source's do, in UTC, also on a
// machine far from Greenwich.
TEST(SinkWriter, WritesTheRecordingDateInUtcInAnyTimeZone)
{
    fs::path folder = wuvo::test::FreshOutputFolder("sink_recording_date");
    std::string path = (folder / "dated.mp4").string();
    constexpr uint32_t kNewYearsEveEvening = 3786897600;  // 2023-12-31 20:00:00 UTC, the next year in Tokyo
    {
        wuvo::test::ScopedTimeZone tokyo("Asia/Tokyo");
        SinkWriter writer;
        ASSERT_NO_FATAL_FAILURE(WriteFirstFrame(writer, path, kNewYearsEveEvening));
        ASSERT_TRUE(writer.Finalize());
    }
    EXPECT_EQ(wuvo::test::Probe(path, "", "format_tags=creation_time"),
              std::vector<std::string>{"2023-12-31T20:00:00.000000Z"});
}
