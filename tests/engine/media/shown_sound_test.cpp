// The sound as its edit list shows it, against ffmpeg's decode of every
// coded sample of the sound track, cut and joined where the fixture's
// edits say.
#include "engine/media/shown_sound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/media/media_output.h"
#include "engine/pipeline/shared_objects.h"
#include "engine/pipeline/thread_state.h"
#include "platform/text/utf.h"
#include "support/fixtures.h"
#include "support/media_reference.h"
#include "support/peak_memory.h"
#include "support/pipeline_harness.h"

using namespace wuvo;

namespace {

constexpr size_t kStereoBytes = 4;
constexpr double kRate = 48000;
// AAC's encoder lead-in, which the fixtures' edit lists pass over.
constexpr size_t kLeadIn = 1024;

// A piece of the media in seconds from where the sound starts, or a pause
// when `media` is negative.
struct Piece {
    double media;
    double seconds;
};

// A decoder that starts at a seek point rebuilds its first frames from
// less state than one that decoded all before them: a few steps of 16-bit
// PCM apart, where sound shifted by a single sample is hundreds apart on the
// fixtures' tone.
constexpr int kDecoderNoise = 8;

int LargestDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    auto value = [](const std::vector<uint8_t>& pcm, size_t at) { return int16_t(pcm[at] | pcm[at + 1] << 8); };
    int largest = 0;
    for (size_t at = 0; at + 1 < std::min(a.size(), b.size()); at += 2)
        largest = std::max(largest, std::abs(value(a, at) - value(b, at)));
    return largest;
}

std::vector<uint8_t> EveryCodedSample(const std::string& path)
{
    std::string pcm = test::RunCommand("ffmpeg -nostdin -v error -ignore_editlist 1 -i " + test::Quoted(path) +
                                       " -map 0:a:0 -f s16le -ac 2 -");
    return std::vector<uint8_t>(pcm.begin(), pcm.end());
}

std::vector<uint8_t> Expected(const std::vector<uint8_t>& media, const std::vector<Piece>& pieces)
{
    std::vector<uint8_t> joined;
    for (const Piece& piece : pieces) {
        auto count = static_cast<size_t>(std::lround(piece.seconds * kRate)) * kStereoBytes;
        if (piece.media < 0) {
            joined.insert(joined.end(), count, 0);
            continue;
        }
        size_t from = (kLeadIn + static_cast<size_t>(std::lround(piece.media * kRate))) * kStereoBytes;
        EXPECT_LE(from + count, media.size());
        joined.insert(joined.end(), media.begin() + from, media.begin() + std::min(from + count, media.size()));
    }
    return joined;
}

// The shown sound of `fixture` as the job's encoder reads it, in little
// memory however long its edit list.
std::vector<uint8_t> Shown(const std::string& fixture)
{
    std::u16string path = platform::ToUtf16(test::FixturePath(fixture));
    test::LoadVideoTrack(test::FixturePath(fixture));
    long before = test::PeakMemoryKb();
    StampJob job = test::MakeJob(path, "", 1, 1, 0);
    std::unique_ptr<ShownSound> sound = OpenAudioInput(job);
    EXPECT_TRUE(sound);
    std::vector<uint8_t> pcm;
    platform::MediaSample sample;
    platform::ReadStatus status = platform::ReadStatus::Error;
    while (sound && (status = sound->Read(sample)) == platform::ReadStatus::Sample)
        pcm.insert(pcm.end(), sample.pcm, sample.pcm + sample.pcmBytes);
    EXPECT_EQ(status, platform::ReadStatus::EndOfStream);
    EXPECT_LT(test::PeakMemoryKb() - before, 128 * 1024) << "KiB taken";
    return pcm;
}

}  // namespace

// Trimmed of its lead-in and of its last frame's padding, cut out of the
// middle, halves swapped, paused between two pieces, looped, started in
// the middle of a coded frame, and followed by a million edits that show
// nothing. A stop ends the reading of a loop at its next decode.
TEST(ShownSound, PiecesComeAsTheEditListShowsThem)
{
    test::SharedObjectsScope shared;
    const struct {
        const char* fixture;
        std::vector<Piece> pieces;
    } cases[] = {
        {"hevc_aac_newyear.mp4", {{0, 4}}},
        {"middle_cut.mp4", {{0, 0.5}, {1, 1}}},
        {"halves_swapped.mp4", {{1, 1}, {0, 1}}},
        {"cut_with_pause.mp4", {{0, 0.5}, {-1, 0.5}, {1, 1}}},
        {"looped_six_times.mp4", std::vector<Piece>(6, Piece{0.5, 1.5})},
        {"edit_list.mp4", {{0.3, 1.7}}},
        {"edits_showing_nothing.mp4", {{0, 2}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fixture);
        std::vector<uint8_t> shown = Shown(c.fixture);
        std::vector<uint8_t> expected = Expected(EveryCodedSample(test::FixturePath(c.fixture)), c.pieces);
        EXPECT_EQ(shown.size(), expected.size());
        EXPECT_LE(LargestDifference(shown, expected), kDecoderNoise);
    }

    const std::string looped = test::FixturePath("looped_six_times.mp4");
    const std::u16string loopedPath = platform::ToUtf16(looped);
    test::LoadVideoTrack(looped);
    StampJob job = test::MakeJob(loopedPath, "", 1, 1, 0);
    std::unique_ptr<ShownSound> sound = OpenAudioInput(job);
    ASSERT_TRUE(sound);
    RequestAbort(*gEncodeState);
    platform::MediaSample sample;
    platform::ReadStatus status = platform::ReadStatus::Sample;
    for (int read = 0; read < 1000 && status == platform::ReadStatus::Sample; ++read)
        status = sound->Read(sample);
    EXPECT_EQ(status, platform::ReadStatus::Stopped);
}
