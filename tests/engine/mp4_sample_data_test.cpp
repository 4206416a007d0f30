#include "engine/mp4/sample_data.h"

#include <gtest/gtest.h>

using namespace wuvo;

namespace {

// Five samples of 10 to 50 bytes: two per chunk in chunks 0 and 1, then one
// per chunk, as a sample-to-chunk table with two runs places them.
//   chunk 0 at 100:  100..110, 110..130
//   chunk 1 at 1000: 1000..1030, 1030..1070
//   chunk 2 at 2000: 2000..2050
Mp4Track TrackOfTwoRuns()
{
    Mp4Track track;
    track.sampleSizes = {10, 20, 30, 40, 50};
    track.firstChunks = {0, 2};
    track.samplesPerChunk = {2, 1};
    track.chunkOffsets = {100, 1000, 2000};
    track.timescale = 48000;
    return track;
}

}  // namespace

TEST(SampleData, SamplesCountOnlyWhereTheirWholeDataIsInTheFile)
{
    Mp4Track track = TrackOfTwoRuns();
    EXPECT_EQ(SamplesInFile(track, 2050), 5u);
    EXPECT_EQ(SamplesInFile(track, 2049), 4u) << "the last one short of a byte";
    EXPECT_EQ(SamplesInFile(track, 1030), 3u) << "cut where a sample ends";
    EXPECT_EQ(SamplesInFile(track, 1050), 3u) << "cut inside a sample";
    EXPECT_EQ(SamplesInFile(track, 99), 0u);

    // Tables that place fewer samples than they list.
    Mp4Track shortChunks = track;
    shortChunks.chunkOffsets.pop_back();
    EXPECT_EQ(SamplesInFile(shortChunks, 1 << 20), 4u);
    Mp4Track lateFirstRun = track;
    lateFirstRun.firstChunks = {1, 2};
    EXPECT_EQ(SamplesInFile(lateFirstRun, 1 << 20), 3u) << "chunk 0 holds nothing";

    // Offsets near the top of 64 bits must not wrap round into the file.
    Mp4Track wide = track;
    wide.chunkOffsets = {100, ~uint64_t{0} - 60, 2000};
    EXPECT_EQ(SamplesInFile(wide, 1 << 20), 3u);

    // A constant size: 10 samples of 100 bytes, four per chunk.
    Mp4Track constant;
    constant.sampleSize = 100;
    constant.sampleCount = 10;
    constant.firstChunks = {0};
    constant.samplesPerChunk = {4};
    constant.chunkOffsets = {0, 400, 800};
    EXPECT_EQ(SamplesInFile(constant, 1000), 10u);
    EXPECT_EQ(SamplesInFile(constant, 999), 9u);
    EXPECT_EQ(SamplesInFile(constant, 450), 4u);
    constant.chunkOffsets[2] = ~uint64_t{0} - 150;
    EXPECT_EQ(SamplesInFile(constant, 1 << 20), 8u);
}

TEST(SampleData, SoundNeedsATimeScaleAndAllItsData)
{
    Mp4Track sound = TrackOfTwoRuns();
    EXPECT_TRUE(SoundDataInFile(sound, 2050));
    EXPECT_FALSE(SoundDataInFile(sound, 2049));
    sound.timescale = 0;
    EXPECT_FALSE(SoundDataInFile(sound, 2050));
}
