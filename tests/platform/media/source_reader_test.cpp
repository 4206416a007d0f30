#include "platform/media/source_reader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdarg>
#include <filesystem>
#include <fstream>
#include <limits>
#include <thread>
#include <tuple>

extern "C" {
#include <libavutil/log.h>
}

#include "support/fixtures.h"
#include "support/media_reference.h"
#include "support/mp4_builder.h"

using namespace wuvo::platform;
using wuvo::test::FixturePath;

namespace {

struct Decoded {
    VideoFormat format;
    std::vector<uint64_t> luma;
    std::vector<int64_t> times;
    std::vector<int64_t> timestamps;
    ReadStatus last = ReadStatus::Sample;
};

uint64_t LumaOf(const MediaSample& sample)
{
    const VideoFrame& frame = sample.video;
    return wuvo::test::PlaneChecksum(frame.planes[0], frame.pitch[0], frame.width, frame.height);
}

bool OpenVideo(SourceReader& reader, const std::string& path)
{
    if (!reader.Open(path))
        return false;
    reader.SetStreamSelection(StreamKind::Audio, false);
    return reader.SetOutputFormat(StreamKind::Video);
}

Decoded DecodeAll(const std::string& path)
{
    Decoded decoded;
    SourceReader reader;
    EXPECT_TRUE(OpenVideo(reader, path)) << path;
    decoded.format = reader.CurrentVideoFormat();
    MediaSample sample;
    while ((decoded.last = reader.ReadSample(StreamKind::Video, sample)) == ReadStatus::Sample) {
        decoded.luma.push_back(LumaOf(sample));
        decoded.times.push_back(sample.time);
        decoded.timestamps.push_back(sample.timestamp);
    }
    return decoded;
}

struct FixtureSize {
    const char* name;
    uint32_t width;
    uint32_t height;
};

// What FFmpeg's libraries would print to the terminal as warnings or worse.
std::atomic<int> gLibraryWarnings{0};

void CountWarning(void*, int level, const char*, va_list)
{
    if (level <= AV_LOG_WARNING)
        ++gLibraryWarnings;
}

}  // namespace

// Every fixture, also 10-bit, full-range, H.264, fragmented, QuickTime and
// the turned portrait one, gives ffmpeg's frames in ffmpeg's order, and
// nothing to the terminal.
TEST(SourceReader, DecodesEveryFixtureAsFfmpegDoes)
{
    av_log_set_callback(CountWarning);
    const FixtureSize fixtures[] = {
        {"hevc_aac_newyear.mp4", 320, 240}, {"hevc_newyear.mov", 320, 240},
        {"hevc_faststart.mp4", 320, 240},   {"h264.mp4", 320, 240},
        {"fragmented.mp4", 320, 240},       {"rotate90.mp4", 240, 320},
        {"no_audio.mp4", 320, 240},         {"lpcm.mov", 320, 240},
        {"hev1.mp4", 320, 240},             {"fps25.mp4", 320, 240},
        {"main10.mp4", 320, 240},           {"open_gop.mp4", 320, 240},
        {"hd1080.mp4", 1920, 1080},         {"full_range.mp4", 320, 240},
    };
    for (const auto& fixture : fixtures) {
        std::string path = FixturePath(fixture.name);
        Decoded decoded = DecodeAll(path);
        EXPECT_EQ(decoded.last, ReadStatus::EndOfStream) << fixture.name;
        EXPECT_EQ(decoded.format.width, fixture.width) << fixture.name;
        EXPECT_EQ(decoded.format.height, fixture.height) << fixture.name;
        std::vector<uint64_t> reference =
            wuvo::test::ReferenceLumaChecksums(path, fixture.width, fixture.height);
        ASSERT_FALSE(reference.empty()) << fixture.name;
        EXPECT_EQ(decoded.luma, reference) << fixture.name;
    }
    av_log_set_callback(av_log_default_callback);
    EXPECT_EQ(gLibraryWarnings.load(), 0);
}

// A front camera's mirror left to right is no turn; top to bottom, it is a
// half turn of that mirror.
TEST(SourceReader, ReportsTheTurnAndMirrorOfTheDisplayMatrix)
{
    for (const auto& [fixture, degrees, mirrored] :
         {std::tuple{"rotate90.mp4", 90, false}, std::tuple{"no_audio.mp4", 0, false},
          std::tuple{"mirror_left_right.mp4", 0, true}, std::tuple{"mirror_top_bottom.mp4", 180, true}}) {
        SourceReader reader;
        ASSERT_TRUE(OpenVideo(reader, FixturePath(fixture)));
        EXPECT_EQ(reader.CurrentVideoFormat().turn.degrees, degrees) << fixture;
        EXPECT_EQ(reader.CurrentVideoFormat().turn.mirrored, mirrored) << fixture;
    }
}

TEST(SourceReader, DescribesTheStreams)
{
    SourceReader reader;
    ASSERT_TRUE(reader.Open(FixturePath("fps25.mp4")));
    ASSERT_TRUE(reader.SetOutputFormat(StreamKind::Video));
    ASSERT_TRUE(reader.SetOutputFormat(StreamKind::Audio));
    const VideoFormat& video = reader.CurrentVideoFormat();
    EXPECT_EQ(video.rateNumerator * 1u, 25u * video.rateDenominator);
    EXPECT_FALSE(video.interlaced);
    auto audio = wuvo::test::Probe(FixturePath("fps25.mp4"), "a:0", "stream=sample_rate,channels");
    ASSERT_EQ(audio.size(), 1u);
    EXPECT_EQ(std::to_string(reader.CurrentAudioFormat().sampleRate) + "," +
                  std::to_string(reader.CurrentAudioFormat().channels),
              audio[0]);

    // Both streams selected: reading one keeps the other's packets for later.
    MediaSample sample;
    ASSERT_EQ(reader.ReadSample(StreamKind::Audio, sample), ReadStatus::Sample);
    ASSERT_EQ(reader.ReadSample(StreamKind::Video, sample), ReadStatus::Sample);
    EXPECT_EQ(sample.time, 0);
    EXPECT_EQ(sample.duration, kTimeUnitsPerSecond / 25);

    SourceReader silent;
    ASSERT_TRUE(silent.Open(FixturePath("no_audio.mp4")));
    EXPECT_FALSE(silent.HasStream(StreamKind::Audio));
    EXPECT_FALSE(silent.SetOutputFormat(StreamKind::Audio));
}

// Seeking to each frame's timestamp gives that frame, also where the target
// is a leading picture of an open GOP that a plain seek to its CRA would
// drop.
TEST(SourceReader, SeeksExactlyOnOpenGops)
{
    std::string path = FixturePath("open_gop.mp4");
    Decoded full = DecodeAll(path);
    ASSERT_GT(full.luma.size(), 48u);
    SourceReader reader;
    ASSERT_TRUE(OpenVideo(reader, path));
    MediaSample sample;
    for (size_t n = 0; n < full.luma.size(); ++n) {
        ASSERT_TRUE(reader.Seek(full.timestamps[n])) << "frame " << n;
        ASSERT_EQ(reader.ReadSample(StreamKind::Video, sample), ReadStatus::Sample) << "frame " << n;
        EXPECT_EQ(LumaOf(sample), full.luma[n]) << "frame " << n;
        EXPECT_EQ(sample.time, full.times[n]) << "frame " << n;
    }
    // Backwards and past the end.
    ASSERT_TRUE(reader.Seek(full.timestamps[3]));
    ASSERT_EQ(reader.ReadSample(StreamKind::Video, sample), ReadStatus::Sample);
    EXPECT_EQ(LumaOf(sample), full.luma[3]);
    ASSERT_TRUE(reader.Seek(full.timestamps.back() + 1));
    EXPECT_EQ(reader.ReadSample(StreamKind::Video, sample), ReadStatus::EndOfStream);
}

TEST(SourceReader, DecodesAudioAsFfmpegDoes)
{
    std::string path = FixturePath("hevc_aac_newyear.mp4");
    SourceReader reader;
    ASSERT_TRUE(reader.Open(path));
    reader.SetStreamSelection(StreamKind::Video, false);
    ASSERT_TRUE(reader.SetOutputFormat(StreamKind::Audio));
    std::vector<uint8_t> pcm;
    MediaSample sample;
    int64_t lastTime = -1;
    ReadStatus status;
    while ((status = reader.ReadSample(StreamKind::Audio, sample)) == ReadStatus::Sample) {
        EXPECT_GT(sample.time, lastTime);
        lastTime = sample.time;
        pcm.insert(pcm.end(), sample.pcm, sample.pcm + sample.pcmBytes);
    }
    EXPECT_EQ(status, ReadStatus::EndOfStream);
    EXPECT_EQ(pcm, wuvo::test::ReferencePcm(path, 2));
}

TEST(SourceReader, RefusesWhatItCannotRead)
{
    SourceReader missing;
    EXPECT_FALSE(missing.Open("/nonexistent/video.mp4"));

    auto garbage = std::filesystem::path(wuvo::test::TestOutputDir()) / "garbage.mp4";
    std::ofstream(garbage) << "this is not a video file at all";
    SourceReader reader;
    EXPECT_FALSE(reader.Open(garbage.string()));

    SourceReader unconfigured;
    ASSERT_TRUE(unconfigured.Open(FixturePath("no_audio.mp4")));
    MediaSample sample;
    EXPECT_EQ(unconfigured.ReadSample(StreamKind::Video, sample), ReadStatus::Error);
    EXPECT_FALSE(unconfigured.Seek(0));
}

// A file cut short in its media data ends with an error, not a quiet end.
TEST(SourceReader, ReportsATruncatedFileAsAnError)
{
    std::string source = FixturePath("hevc_faststart.mp4");
    auto cut = std::filesystem::path(wuvo::test::TestOutputDir()) / "truncated.mp4";
    std::filesystem::copy_file(source, cut, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(cut, std::filesystem::file_size(cut) * 2 / 3);
    Decoded decoded = DecodeAll(cut.string());
    EXPECT_EQ(decoded.last, ReadStatus::Error);
}

// A damaged audio packet is skipped as ffmpeg skips it; the audio after it
// is still delivered.
TEST(SourceReader, SkipsAnAudioPacketTheDecoderRefuses)
{
    std::string source = FixturePath("hevc_faststart.mp4");
    auto damaged = std::filesystem::path(wuvo::test::TestOutputDir()) / "damaged_audio.mp4";
    std::filesystem::copy_file(source, damaged, std::filesystem::copy_options::overwrite_existing);
    // Size and file position of the tenth audio packet.
    std::vector<std::string> packets = wuvo::test::Probe(damaged.string(), "a:0", "packet=size,pos");
    ASSERT_GT(packets.size(), 20u);
    size_t comma = packets[9].find(',');
    size_t size = std::stoul(packets[9].substr(0, comma));
    std::streamoff position = std::stoll(packets[9].substr(comma + 1));
    {
        std::fstream file(damaged, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(position);
        uint32_t noise = 7;
        for (size_t i = 0; i < size; ++i) {
            noise = noise * 1103515245u + 12345u;
            file.put(static_cast<char>(noise >> 16));
        }
    }
    std::string errors;
    ASSERT_FALSE(wuvo::test::DecodesCleanly(damaged.string(), &errors)) << "the packet must be refused";

    SourceReader reader;
    ASSERT_TRUE(reader.Open(damaged.string()));
    reader.SetStreamSelection(StreamKind::Video, false);
    ASSERT_TRUE(reader.SetOutputFormat(StreamKind::Audio));
    std::vector<uint8_t> pcm;
    MediaSample sample;
    ReadStatus status;
    while ((status = reader.ReadSample(StreamKind::Audio, sample)) == ReadStatus::Sample)
        pcm.insert(pcm.end(), sample.pcm, sample.pcm + sample.pcmBytes);
    EXPECT_EQ(status, ReadStatus::EndOfStream);
    int channels = static_cast<int>(reader.CurrentAudioFormat().channels);
    EXPECT_EQ(pcm, wuvo::test::ReferencePcm(damaged.string(), channels));
}

// A million samples that hold no picture, which a read, and a seek that
// decodes on towards its target, pass over packet by packet for many
// seconds: told to stop, each ends within a bound that holds on a busy
// machine, saying that it stopped.
TEST(SourceReaderThreads, AStopEndsAReadOrASeekOverALongRunOfPicturelessSamples)
{
    constexpr uint32_t kSamples = 1'000'000;
    // Stop checks that show the reader well into the run.
    constexpr int kUnderWay = 1000;
    const std::string path = wuvo::test::WritePicturelessMovie("pictureless_run.mp4", kSamples);
    for (bool seek : {false, true}) {
        SourceReader reader;
        std::atomic<bool> stop{false};
        std::atomic<int> checks{0};
        reader.SetStopCheck([&] {
            ++checks;
            return stop.load();
        });
        ASSERT_TRUE(OpenVideo(reader, path));
        checks = 0;
        std::atomic<bool> ended{false};
        bool stopped = false;
        std::thread worker([&] {
            MediaSample sample;
            // Past the last sample: the seek decodes the whole run.
            stopped = seek ? !reader.Seek(std::numeric_limits<int32_t>::max())
                           : reader.ReadSample(StreamKind::Video, sample) == ReadStatus::Stopped;
            ended = true;
        });
        while (checks < kUnderWay && !ended)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const bool passedOver = ended;
        const auto asked = std::chrono::steady_clock::now();
        stop = true;
        worker.join();
        const auto answered = std::chrono::steady_clock::now() - asked;
        SCOPED_TRACE(seek ? "seek" : "read");
        EXPECT_FALSE(passedOver) << "the whole run was read without asking whether to stop";
        EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(answered).count(), 1000);
        EXPECT_TRUE(stopped);
    }
}

// Tracks are taken by their place in the file, with their MP4 track ID: a
// motion photo's motion track (1) or its still frames (2); a place of
// another kind, or whose track has another ID, leaves the stream missing.
TEST(SourceReaderTracks, TakesTheTrackOfThePlaceAskedFor)
{
    std::string path = FixturePath("two_video_tracks.mp4");
    for (auto [id, width] : {std::pair{1u, 320u}, std::pair{2u, 640u}}) {
        SourceReader reader;
        ASSERT_TRUE(reader.Open(path));
        ASSERT_TRUE(reader.SelectTrack(StreamKind::Video, id - 1, id));
        EXPECT_FALSE(reader.SelectTrack(StreamKind::Audio, 0, 1)) << "track 1 is video";
        EXPECT_FALSE(reader.HasStream(StreamKind::Audio));
        ASSERT_TRUE(reader.SetOutputFormat(StreamKind::Video));
        MediaSample sample;
        ASSERT_EQ(reader.ReadSample(StreamKind::Video, sample), ReadStatus::Sample);
        EXPECT_EQ(sample.video.width, width) << "track " << id;
    }
    SourceReader reader;
    ASSERT_TRUE(reader.Open(path));
    EXPECT_FALSE(reader.SelectTrack(StreamKind::Video, 1, 1)) << "the second track has ID 2";
    EXPECT_TRUE(reader.SelectTrack(StreamKind::Audio, 2, 3));
    EXPECT_TRUE(reader.SetOutputFormat(StreamKind::Audio));
}
