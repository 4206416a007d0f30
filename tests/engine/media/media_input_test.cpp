#include "engine/media/media_input.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "engine/media/frame_copy.h"
#include "engine/media/output_size.h"
#include "engine/media/preview_decode.h"
#include "engine/mp4/parse_state.h"
#include "engine/pipeline/shared_objects.h"
#include "platform/text/utf.h"
#include "platform/threads/worker_thread.h"
#include "support/damaged_copies.h"
#include "support/fixtures.h"
#include "support/media_reference.h"
#include "support/peak_memory.h"
#include "support/pipeline_harness.h"

using namespace wuvo;
namespace fs = std::filesystem;

namespace {

struct Probed {
    uint32_t width = 0, height = 0, rateNumerator = 0, rateDenominator = 0;
};

Probed ProbeVideo(const std::string& path)
{
    Probed probed;
    auto fields = test::Probe(path, "v:0", "stream=width,height,r_frame_rate");
    EXPECT_EQ(fields.size(), 1u);
    std::sscanf(fields.at(0).c_str(), "%u,%u,%u/%u", &probed.width, &probed.height,
                &probed.rateNumerator, &probed.rateDenominator);
    return probed;
}

class MediaInput : public ::testing::Test {
protected:
    StampJob ProbeFixture(const std::string& name, uint32_t width, uint32_t height)
    {
        path = test::FixturePath(name);
        pathText = platform::ToUtf16(path);
        test::LoadVideoTrack(path);
        StampJob job = test::MakeJob(pathText, "unused.mp4", width, height, 1000000);
        ProbeInputWithMf(job);
        return job;
    }

    test::SharedObjectsScope shared;
    std::string path;
    std::u16string pathText;
};

}  // namespace

TEST_F(MediaInput, TellsTheTurnFromTheTrackMatrix)
{
    bool swapped = true;
    gParseState->Reset();
    EXPECT_EQ(GetVideoRotation(kRotationOfInput, &swapped), 0u) << "no video track";
    EXPECT_FALSE(swapped);

    test::SetVideoTrack(320, 240, 10, false);
    EXPECT_EQ(GetVideoRotation(kRotationOfInput, &swapped), 0u);
    EXPECT_FALSE(swapped);

    Mp4Track& track = gParseState->tracks[0];
    track.identity = 0;
    track.matrix = {-1, 0, 0, 0, -1, 0, 0, 0, 1};
    EXPECT_EQ(GetVideoRotation(kRotationOfInput, &swapped), 180u);
    EXPECT_FALSE(swapped);

    track.matrix = {0, 1, 0, -1, 0, 0, 0, 0, 1};
    EXPECT_EQ(GetVideoRotation(kRotationOfInput, &swapped), 270u);
    EXPECT_TRUE(swapped);
    EXPECT_EQ(GetVideoRotation(kRotationOfOutput, &swapped), 90u);

    track.matrix = {0, -1, 0, 1, 0, 0, 0, 0, 1};
    EXPECT_EQ(GetVideoRotation(kRotationOfInput, &swapped), 90u);
    EXPECT_EQ(GetVideoRotation(kRotationOfOutput, &swapped), 270u);
    EXPECT_TRUE(swapped);

    // Mirrors: left to right is not turned at all, top to bottom is a half
    // turn of that; only a mirror across a diagonal swaps the sides.
    track.matrix = {-1, 0, 0, 0, 1, 0, 0, 0, 1};
    EXPECT_EQ(GetVideoRotation(kRotationOfOutput, &swapped), 0u);
    EXPECT_FALSE(swapped);
    track.matrix = {1, 0, 0, 0, -1, 0, 0, 0, 1};
    EXPECT_EQ(GetVideoRotation(kRotationOfOutput, &swapped), 180u);
    EXPECT_FALSE(swapped);
    track.matrix = {0, 1, 0, 1, 0, 0, 0, 0, 1};
    EXPECT_EQ(GetVideoRotation(kRotationOfOutput, &swapped), 270u);
    EXPECT_TRUE(swapped);
}

TEST_F(MediaInput, ProbeDescribesTheSourceAsFfprobeDoes)
{
    StampJob job = ProbeFixture("hevc_aac_newyear.mp4", 1, 1);
    Probed expected = ProbeVideo(path);
    EXPECT_EQ(job.sourceWidth, expected.width);
    EXPECT_EQ(job.sourceHeight, expected.height);
    EXPECT_EQ(uint64_t{job.rateNumerator} * expected.rateDenominator,
              uint64_t{expected.rateNumerator} * job.rateDenominator);
    EXPECT_EQ(job.frameDuration, 10'000'000LL * expected.rateDenominator / expected.rateNumerator);
    EXPECT_EQ(job.progressive, 1);
    EXPECT_EQ(job.hasAudio, 1);
    EXPECT_EQ(test::Probe(path, "a:0", "stream=sample_rate,channels"),
              std::vector<std::string>{std::to_string(job.audioSampleRate) + "," +
                                       std::to_string(job.audioChannels)});
    EXPECT_EQ(job.targetWidth, expected.width) << "native size filled in";
    EXPECT_EQ(job.targetHeight, expected.height);
    EXPECT_EQ(job.aspectX, 1u);
    EXPECT_EQ(gFramePool->width, expected.width);
    EXPECT_EQ(gFramePool->height, expected.height);
    EXPECT_EQ(gFramePool->rateNumerator, job.rateNumerator);
    EXPECT_EQ(gFramePool->progressive, 1);

    StampJob sized = ProbeFixture("no_audio.mp4", 640, 360);
    EXPECT_EQ(sized.hasAudio, 0);
    EXPECT_EQ(sized.targetWidth, 480u) << "a chosen size holds the 4:3 picture";
    EXPECT_EQ(sized.targetHeight, 360u);

    // A million edits that show nothing are no work for the probe.
    path = test::FixturePath("edits_showing_nothing.mp4");
    pathText = platform::ToUtf16(path);
    test::LoadVideoTrack(path);
    StampJob edited = test::MakeJob(pathText, "unused.mp4", 1, 1, 1000000);
    long before = test::PeakMemoryKb();
    ProbeInputWithMf(edited);
    EXPECT_LT(test::PeakMemoryKb() - before, 128 * 1024) << "KiB taken";
    EXPECT_EQ(edited.sourceWidth, ProbeVideo(path).width);
    EXPECT_EQ(edited.hasAudio, 1);
}

// The portrait phone video is delivered upright; its native target keeps
// the size table's orientation, and square pixels stay square.
TEST_F(MediaInput, ProbeOfAPortraitVideo)
{
    StampJob job = ProbeFixture("rotate90.mp4", 1, 1);
    EXPECT_EQ(job.sourceWidth, 240u);
    EXPECT_EQ(job.sourceHeight, 320u);
    EXPECT_EQ(job.targetWidth, 320u);
    EXPECT_EQ(job.targetHeight, 240u);
    EXPECT_EQ(job.aspectX, 1u);
    EXPECT_EQ(job.aspectY, 1u);
}

// Players show a picture at the display size of its track header, or, when
// that is the coded size, at its pixel-aspect box; a quarter turn turns the
// pixels too. A size from the table holds that shape, its pixels square;
// DVD's narrow pixels, shown 4:3 by the track header, fill 1440x1080 of
// 1920x1080, not a pixel less.
TEST_F(MediaInput, ProbeTakesThePixelAspectPlayersShowAndSquarePixelsAtAnotherSize)
{
    path = test::FixturePath("no_audio.mp4");
    pathText = platform::ToUtf16(path);
    test::SetVideoTrack(640, 240, 60, false);  // shown twice as wide as decoded
    StampJob job = test::MakeJob(pathText, "unused.mp4", 1, 1, 1000000);
    ProbeInputWithMf(job);
    EXPECT_EQ(std::pair(job.aspectX, job.aspectY), std::pair(2u, 1u));

    const struct {
        const char* fixture;
        uint32_t width, height;  // chosen; 1 x 1: its own size
        uint32_t targetWidth, targetHeight, aspectX, aspectY;
    } cases[] = {{"anamorphic.mp4", 1, 1, 1440, 1080, 4, 3},
                 {"anamorphic_pasp.mp4", 1, 1, 1440, 1080, 4, 3},
                 {"anamorphic.mp4", 1440, 1080, 1440, 810, 1, 1},
                 {"anamorphic.mp4", 1280, 720, 1280, 720, 1, 1},
                 {"anamorphic_pasp.mp4", 1920, 1080, 1920, 1080, 1, 1},
                 {"anamorphic_rotate90.mp4", 1, 1, 1440, 1080, 3, 4},
                 {"anamorphic_pasp_rotate90.mp4", 1, 1, 1440, 1080, 3, 4},
                 {"sd_narrow_pixels.mp4", 1, 1, 720, 480, 8, 9},
                 {"sd_narrow_pixels.mp4", 1920, 1080, 1440, 1080, 1, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.fixture) + " at " + std::to_string(c.width) + "x" + std::to_string(c.height));
        job = ProbeFixture(c.fixture, c.width, c.height);
        EXPECT_EQ(std::pair(job.targetWidth, job.targetHeight), std::pair(c.targetWidth, c.targetHeight));
        EXPECT_EQ(job.aspectX * c.aspectY, job.aspectY * c.aspectX) << job.aspectX << ":" << job.aspectY;
        EXPECT_NE(job.aspectY, 0u);
    }
}

// The size chosen is taken the way the source is shown, a square one as
// landscape; inside it the source keeps its shape, on even sides, unless it
// is less than 1% off the size's.
TEST(OutputSize, KeepsTheShownShapeInsideTheChosenSize)
{
    const struct {
        ShownShape source;
        FrameSize chosen, oriented, fitted;
    } cases[] = {{{{240, 240}}, {480, 270}, {480, 270}, {270, 270}},
                 {{{1440, 1080}}, {1920, 1080}, {1920, 1080}, {1440, 1080}},
                 {{{1080, 1440}}, {640, 360}, {360, 640}, {360, 480}},
                 {{{720, 480}, 8, 9}, {1920, 1080}, {1920, 1080}, {1440, 1080}},
                 {{{1440, 1080}, 4, 3}, {1280, 720}, {1280, 720}, {1280, 720}},
                 {{{1920, 1088}}, {1920, 1080}, {1920, 1080}, {1920, 1080}},
                 {{{1920, 1100}}, {1920, 1080}, {1920, 1080}, {1886, 1080}},
                 {{{4096, 16}}, {480, 270}, {480, 270}, {480, 2}},
                 {{{0, 0}}, {480, 270}, {480, 270}, {480, 270}}};
    for (const auto& c : cases) {
        const FrameSize& pixels = c.source.pixels;
        SCOPED_TRACE(std::to_string(pixels.width) + "x" + std::to_string(pixels.height));
        const FrameSize oriented = OrientTargetAsShown(c.chosen, c.source);
        const FrameSize fitted = FitShapeInTarget(oriented, c.source);
        EXPECT_EQ(std::pair(oriented.width, oriented.height), std::pair(c.oriented.width, c.oriented.height));
        EXPECT_EQ(std::pair(fitted.width, fitted.height), std::pair(c.fitted.width, c.fitted.height));
    }
}

// Fewer than six frames: the nominal rate gives the duration, and the probe
// still fills the sizes.
TEST_F(MediaInput, ProbeOfAVeryShortFile)
{
    StampJob job = ProbeFixture("short3.mp4", 1, 1);
    Probed expected = ProbeVideo(path);
    EXPECT_EQ(job.frameDuration, 10'000'000LL * expected.rateDenominator / expected.rateNumerator);
    EXPECT_EQ(job.targetWidth, expected.width);
    EXPECT_EQ(gFramePool->width, expected.width);
}

// A sampled frame of about two nominal periods halves the rate; a file
// whose frames last one period keeps its rate (ProbeDescribesTheSource...).
TEST_F(MediaInput, ProbeHalvesARateReportedTwiceTooHigh)
{
    StampJob job = ProbeFixture("doubled_rate.mp4", 1, 1);
    uint32_t numerator = 0, denominator = 0;
    std::sscanf(test::Probe(path, "v:0", "stream=avg_frame_rate").at(0).c_str(), "%u/%u", &numerator,
                &denominator);
    uint32_t timescale = 0;
    std::sscanf(test::Probe(path, "v:0", "stream=time_base").at(0).c_str(), "1/%u", &timescale);
    auto durations = test::Probe(path, "v:0", "packet=duration");
    ASSERT_GT(durations.size(), 5u);
    ASSERT_GT(timescale, 0u);
    EXPECT_EQ(job.frameDuration, std::llround(std::stod(durations[5]) * 10'000'000 / timescale));
    EXPECT_EQ(job.rateNumerator, numerator / 2);
    EXPECT_EQ(job.rateDenominator, denominator);
    EXPECT_EQ(gFramePool->rateNumerator, numerator / 2);
}

TEST_F(MediaInput, ProbeOfAMissingFileLeavesTheJobAlone)
{
    std::u16string missing = u"/nonexistent/clip.mp4";
    StampJob job = test::MakeJob(missing, "unused.mp4", 1, 1, 1000000);
    ProbeInputWithMf(job);
    EXPECT_EQ(job.sourceWidth, 0u);
    EXPECT_EQ(job.targetWidth, 1u);
    EXPECT_EQ(job.frameDuration, 0);
}

// A frame larger than a pool slot is refused with a message, never copied.
TEST_F(MediaInput, RefusesFramesLargerThanAPoolSlot)
{
    test::CallbackLog log;
    test::CallbackCapture capture(&log);
    StampJob job = ProbeFixture("oversize.mp4", 1, 1);
    EXPECT_EQ(log.messages,
              std::vector<std::u16string>{u"Video resolution too large: width = 4352, height = 2176."});
    EXPECT_EQ(gFramePool->width, 0u);
    EXPECT_EQ(job.targetWidth, 1u);
    DecoderCallbacks callbacks;
    callbacks.getBuffer = GetFreeFrameBuffer;
    callbacks.setSize = SetFrameSize;
    callbacks.frameDone = FrameDecoded;
    EXPECT_EQ(DecodeWithMf(pathText.c_str(), callbacks), kDecodeFailed);
    EXPECT_EQ(gFramePool->decodedCount, 0u);
}

TEST(MediaCodecs, HevcIsAvailableWhenFfmpegHasTheCodecs)
{
    std::string encoders = test::RunCommand("ffmpeg -hide_banner -encoders 2>/dev/null");
    std::string decoders = test::RunCommand("ffmpeg -hide_banner -decoders 2>/dev/null");
    bool present = encoders.find(" libx265 ") != std::string::npos &&
                   encoders.find(" aac ") != std::string::npos &&
                   decoders.find(" hevc ") != std::string::npos;
    EXPECT_EQ(IsHevcCodecAvailable(), present);
}

// A decoder buffer with rows wider than the picture, as hardware decoders
// give them: rows are taken at the pitch, the padding left out.
TEST(FrameCopy, CopiesRowsAtTheirPitch)
{
    constexpr uint32_t kWidth = 3840, kHeight = 2160, kPitch = 4096;
    std::vector<uint8_t> luma(size_t{kPitch} * kHeight), u(size_t{kPitch / 2} * kHeight / 2),
        v(size_t{kPitch / 2} * kHeight / 2);
    for (size_t i = 0; i < luma.size(); ++i)
        luma[i] = static_cast<uint8_t>(i % kPitch < kWidth ? i / kPitch : 0xEE);
    std::fill(u.begin(), u.end(), 0x40);
    std::fill(v.begin(), v.end(), 0xC0);
    platform::VideoFrame frame;
    frame.width = kWidth;
    frame.height = kHeight;
    frame.planes[0] = luma.data(), frame.planes[1] = u.data(), frame.planes[2] = v.data();
    frame.pitch[0] = kPitch, frame.pitch[1] = frame.pitch[2] = kPitch / 2;
    frame.planeBytes[0] = luma.size(), frame.planeBytes[1] = u.size(), frame.planeBytes[2] = v.size();

    size_t lumaBytes = size_t{kWidth} * kHeight;
    std::vector<uint8_t> out(kFrameBufferBytes, 0);
    ASSERT_TRUE(CopyI420Frame(frame, kWidth, kHeight, out.data(), out.size()));
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[kWidth - 1], 0) << "no padding copied";
    EXPECT_EQ(out[kWidth], 1);
    EXPECT_EQ(out[lumaBytes - 1], static_cast<uint8_t>(kHeight - 1));
    EXPECT_EQ(out[lumaBytes], 0x40);
    EXPECT_EQ(out[lumaBytes + lumaBytes / 4 - 1], 0x40);
    EXPECT_EQ(out[lumaBytes + lumaBytes / 4], 0xC0);
    EXPECT_EQ(out[lumaBytes * 3 / 2 - 1], 0xC0);
}

TEST(FrameCopy, RefusesFramesThatDoNotFit)
{
    std::vector<uint8_t> plane(64 * 64, 1), out(64 * 64 * 3 / 2, 0);
    platform::VideoFrame frame;
    frame.width = frame.height = 64;
    for (int i = 0; i < 3; ++i) {
        frame.planes[i] = plane.data();
        frame.pitch[i] = i == 0 ? 64 : 32;
        frame.planeBytes[i] = i == 0 ? 64 * 64 : 32 * 32;
    }
    EXPECT_TRUE(CopyI420Frame(frame, 64, 64, out.data(), out.size()));
    EXPECT_FALSE(CopyI420Frame(frame, 64, 48, out.data(), out.size())) << "another size";
    EXPECT_FALSE(CopyI420Frame(frame, 64, 64, out.data(), out.size() - 1)) << "slot too small";
    platform::VideoFrame shortPlane = frame;
    shortPlane.planeBytes[2] = 32 * 31;
    EXPECT_FALSE(CopyI420Frame(shortPlane, 64, 64, out.data(), out.size())) << "plane too short";
    platform::VideoFrame narrowPitch = frame;
    narrowPitch.pitch[0] = 63;
    EXPECT_FALSE(CopyI420Frame(narrowPitch, 64, 64, out.data(), out.size())) << "pitch below a row";
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](uint8_t b) { return b == 1; }));
}

namespace {

class MediaInputThreads : public MediaInput {
protected:
    // Decodes the whole file into the pool in job mode, taking each frame's
    // luma checksum out as a consumer frees the slots.
    uint32_t DecodeThroughPool(const std::string& name, uint32_t width, uint32_t height,
                               std::vector<uint64_t>* luma)
    {
        path = test::FixturePath(name);
        pathText = platform::ToUtf16(path);
        test::LoadVideoTrack(path);
        {
            std::lock_guard guard(gFramePool->lock);
            gFramePool->Reset();
            gFramePool->mode = kPoolModeJob;
        }
        uint32_t result = 0;
        SetRunning(*gDecodeState, true);
        std::thread decoder([&] {
            DecoderCallbacks callbacks;
            callbacks.getBuffer = GetFreeFrameBuffer;
            callbacks.setSize = SetFrameSize;
            callbacks.frameDone = FrameDecoded;
            result = DecodeWithMf(pathText.c_str(), callbacks);
            SetRunning(*gDecodeState, false);
        });
        for (uint32_t n = 0;; ++n) {
            bool ended = false;
            for (;;) {
                bool decoderDone = !IsRunning(*gDecodeState);
                std::lock_guard guard(gFramePool->lock);
                if (gFramePool->IsDecoded(n)) {
                    luma->push_back(test::PlaneChecksum(gFramePool->GetBuffer(n), width, width, height));
                    gFramePool->SetDecoded(n, 0);
                    break;
                }
                if ((ended = decoderDone))
                    break;
            }
            if (ended)
                break;
        }
        decoder.join();
        return result;
    }
};

struct Sized {
    const char* name;
    uint32_t width;
    uint32_t height;
};

}  // namespace

TEST_F(MediaInputThreads, DecodesIntoThePoolAsFfmpegDoes)
{
    const Sized fixtures[] = {{"hevc_newyear.mov", 320, 240},
                              {"rotate90.mp4", 240, 320},
                              {"main10.mp4", 320, 240},
                              {"open_gop.mp4", 320, 240}};
    for (const auto& fixture : fixtures) {
        std::vector<uint64_t> luma;
        EXPECT_EQ(DecodeThroughPool(fixture.name, fixture.width, fixture.height, &luma), kDecodeOk)
            << fixture.name;
        EXPECT_EQ(luma, test::ReferenceLumaChecksums(path, fixture.width, fixture.height)) << fixture.name;
    }
}

// Decodes `decoded` as a job would the file whose track is loaded, into a
// pool in preview mode, which reuses slots, so nothing has to take the
// frames out.
uint32_t DecodeAsLoaded(const std::string& decoded)
{
    std::u16string path = platform::ToUtf16(decoded);
    {
        std::lock_guard guard(gFramePool->lock);
        gFramePool->Reset();
        gFramePool->mode = kPoolModePreview;
        gFramePool->shownFrame = -1000;
    }
    DecoderCallbacks callbacks;
    callbacks.getBuffer = GetFreeFrameBuffer;
    callbacks.setSize = SetFrameSize;
    callbacks.frameDone = FrameDecoded;
    return DecodeWithMf(path.c_str(), callbacks);
}

// A file that breaks off fails the decode, after the frames before the break.
TEST_F(MediaInput, ABrokenFileFailsTheDecode)
{
    fs::path cut = fs::path(test::TestOutputDir()) / "cut_for_decode.mp4";
    fs::copy_file(test::FixturePath("hevc_faststart.mp4"), cut, fs::copy_options::overwrite_existing);
    fs::resize_file(cut, fs::file_size(cut) / 2);
    test::LoadVideoTrack(cut.string());
    EXPECT_EQ(DecodeAsLoaded(cut.string()), kDecodeFailed);
    EXPECT_GT(gFramePool->decodedCount, 0u);
}

namespace {

// The luma checksum of the preview's one-frame decode of `frame`, a
// `width` x `height` picture; none when the frame is not decoded.
std::optional<uint64_t> PreviewChecksum(const std::u16string& path, uint32_t frame, uint32_t width = 320,
                                        uint32_t height = 240)
{
    {
        std::lock_guard guard(gFramePool->lock);
        gFramePool->Reset();
        gFramePool->mode = kPoolModePreview;
        gFramePool->shownFrame = static_cast<int32_t>(frame);
    }
    DecoderCallbacks request;
    request.startFrame = frame;
    request.path = path.c_str();
    if (RunMfPreviewDecode(request) != kDecodeOk)
        return std::nullopt;
    std::lock_guard guard(gFramePool->lock);
    if (!gFramePool->IsDecoded(frame) || gFramePool->width != width || gFramePool->height != height)
        return std::nullopt;
    return test::PlaneChecksum(gFramePool->GetBuffer(frame), width, width, height);
}

using Clock = std::chrono::steady_clock;

Clock::duration TimeOf(const std::function<void()>& work)
{
    Clock::time_point start = Clock::now();
    work();
    return Clock::now() - start;
}

}  // namespace

// The preview's one-frame decode gives the frame a full decode gives, also
// for leading pictures of an open GOP, on each side of a cut, before the
// first sync sample a trimmed clip's table lists and where composition
// offsets show pictures out of their coded order; where the decoder leaves
// a picture out, the one before it, as ffmpeg plays the file.
TEST_F(MediaInputThreads, PreviewDecodesTheRequestedFrame)
{
    path = test::FixturePath("open_gop.mp4");
    pathText = platform::ToUtf16(path);
    test::LoadVideoTrack(path);
    auto reference = test::ReferenceLumaChecksums(path, 320, 240);
    ASSERT_GT(reference.size(), 100u);
    for (uint32_t frame : {0u, 23u, 25u, 47u, 50u, 99u, static_cast<uint32_t>(reference.size() - 1)})
        EXPECT_EQ(PreviewChecksum(pathText, frame), reference[frame]) << "frame " << frame;
    EXPECT_FALSE(IsRunning(*gDecodeState));

    std::vector<uint64_t> decoded;
    ASSERT_EQ(DecodeThroughPool("middle_cut.mp4", 320, 240, &decoded), kDecodeOk);
    ASSERT_EQ(decoded.size(), 45u);
    for (uint32_t frame : {0u, 14u, 15u, 44u})
        EXPECT_EQ(PreviewChecksum(pathText, frame), decoded[frame]) << "cut, frame " << frame;
    decoded.clear();
    ASSERT_EQ(DecodeThroughPool("offsets_out_of_order.mp4", 320, 240, &decoded), kDecodeOk);
    ASSERT_EQ(decoded.size(), 60u);
    for (uint32_t frame : {6u, 7u, 8u, 21u, 24u, 31u, 44u, 55u})
        EXPECT_EQ(PreviewChecksum(pathText, frame), decoded[frame]) << "offsets, frame " << frame;

    path = test::FixturePath("trimmed_unlisted_idr.mp4");
    pathText = platform::ToUtf16(path);
    test::LoadVideoTrack(path);
    reference = test::ReferenceLumaChecksums(path, 320, 240);
    ASSERT_EQ(reference.size(), 52u);
    for (uint32_t frame : {0u, 21u, 22u})
        EXPECT_EQ(PreviewChecksum(pathText, frame), reference[frame]) << "trimmed, frame " << frame;

    path = test::DamagedVideoCopy(test::FixturePath("all_sync.mp4"), test::VideoDamage::Unshowable, 30,
                                  test::TestOutputDir() + "/pictureless_preview.mp4", 10);
    pathText = platform::ToUtf16(path);
    test::LoadVideoTrack(path);
    auto played = test::ReferenceLumaChecksums(path, 320, 240);
    ASSERT_EQ(played.size(), 150u) << "each frame left out holds the picture before";
    for (uint32_t frame : {29u, 30u, 35u, 40u})
        EXPECT_EQ(PreviewChecksum(pathText, frame), played[frame]) << "frame " << frame;
}

// The work of a decode grows with the file and what it shows: a thousand
// samples of which only the first holds a picture show it at the last and
// the middle frame of the preview, and a last frame that 400 edits show is
// decoded once, each in no more time than a few decodes of every picture.
TEST_F(MediaInputThreads, WorkGrowsWithTheFileAndWhatItShows)
{
    std::string whole = test::FixturePath("long_gop.mp4");
    std::string pictureless = test::DamagedVideoCopy(whole, test::VideoDamage::Unshowable, 1,
                                                     test::TestOutputDir() + "/pictureless_long_gop.mp4");
    test::LoadVideoTrack(pictureless);
    const Clock::duration bound = 4 * TimeOf([&] { EXPECT_EQ(DecodeAsLoaded(whole), kDecodeOk); }) +
                                  std::chrono::seconds(1);
    uint64_t first = test::ReferenceLumaChecksums(pictureless, 176, 144).at(0);
    for (uint32_t frame : {999u, 500u}) {
        std::optional<uint64_t> shown;
        EXPECT_LT(TimeOf([&] { shown = PreviewChecksum(platform::ToUtf16(pictureless), frame, 176, 144); }), bound)
            << "frame " << frame;
        EXPECT_EQ(shown, first) << "frame " << frame;
    }

    std::vector<uint64_t> luma;
    EXPECT_LT(TimeOf([&] { EXPECT_EQ(DecodeThroughPool("repeated_last_frame.mp4", 176, 144, &luma), kDecodeOk); }),
              bound);
    EXPECT_EQ(luma, std::vector<uint64_t>(400, test::ReferenceLumaChecksums(whole, 176, 144).back()));
}

// A full pool in job mode makes the decoder wait; a stop ends the wait.
TEST_F(MediaInputThreads, AFullPoolWaitsUntilStopped)
{
    {
        std::lock_guard guard(gFramePool->lock);
        gFramePool->Reset();
        gFramePool->mode = kPoolModeJob;
        for (uint32_t n = 0; n < kFrameSlotCount; ++n) {
            gFramePool->Reserve(n);
            gFramePool->SetDecoded(n, 1);
        }
    }
    std::thread stopper([] {
        platform::SleepMs(100);
        gDecodeState->abort = 1;
    });
    EXPECT_EQ(GetFreeFrameBuffer(kFrameSlotCount), nullptr);
    stopper.join();
    InitThreadState(*gDecodeState);
}
