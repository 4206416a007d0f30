#include <gtest/gtest.h>

#include "engine/mp4/parse_state.h"
#include "engine/mp4/reader.h"
#include "engine/mp4/reader_refusal.h"
#include "engine/mp4/shown_frames.h"
#include "engine/pipeline/shared_objects.h"
#include "support/mp4_builder.h"

using namespace wuvo;
using namespace wuvo::test;

namespace {

class Mp4TrackFinish : public ::testing::Test {
protected:
    void SetUp() override
    {
        UseSharedObjects();
        gParseState->Reset();
    }

    // Walks a movie of the given tracks, whose unit is 1/600 s, as is the movie's.
    void Walk(const Bytes& tracks)
    {
        gParseState->Reset();
        Bytes body = Join({Mvhd(0, 600, 600), tracks});
        ASSERT_EQ(ParseMoovBoxes(kReaderModeJob, static_cast<uint32_t>(body.size()), body.data()), 0);
    }

    // Walks a movie of the given tracks and finishes it.
    void Finish(const Bytes& tracks)
    {
        Walk(tracks);
        FinishTracks();
    }

    // A video track of `frames` frames whose sync samples are `sync` (zero-based).
    void UseVideoTrack(uint32_t frames, std::vector<uint32_t> sync)
    {
        Mp4Track track;
        track.handlerType = 0x76696465;  // vide
        track.sampleSize = 1;
        track.sampleCount = frames;
        track.syncSamples = sync;
        gParseState->tracks.push_back(track);
        gParseState->videoTrack = 0;
        gParseState->frameCount = frames;
        gParseState->syncFrames = std::move(sync);
    }

    void ExpectDate(const FrameDateTime& date, std::array<int32_t, 6> expected)
    {
        EXPECT_EQ((std::array<int32_t, 6>{date.year, date.month, date.day, date.hour, date.minute, date.second}),
                  expected);
        EXPECT_EQ(date.frameIndex, 0);
    }
};

}  // namespace

TEST_F(Mp4TrackFinish, SampleTimesAverageDeltaAndFrameCount)
{
    VideoTrackSpec spec;
    spec.timescale = 30000;
    spec.times = {{3, 1001}, {2, 2002}};
    Finish(Trak(spec));
    EXPECT_EQ(gParseState->sampleTimes, (std::vector<uint64_t>{0, 1001, 2002, 3003, 5005}));
    EXPECT_EQ(gParseState->averageSampleDelta, 7007u / 5);
    EXPECT_EQ(gParseState->shownEnd, 7007u);
    EXPECT_EQ(FrameShowTime(*gParseState, 2), 1001u);
    EXPECT_EQ(FrameShowTime(*gParseState, 4), 2002u) << "the last frame to the track's end";
    EXPECT_EQ(FrameShowTime(*gParseState, 5), 7007u / 5) << "past the table";
    EXPECT_EQ(gParseState->timescale, 30000u);
    EXPECT_EQ(GetVideoFrameCount(), 5u);
    std::lock_guard pool(gFramePool->lock);
    std::lock_guard queue(gPacketQueue->lock);
    EXPECT_EQ(gFramePool->frameCount, 5u);
    EXPECT_EQ(gPacketQueue->frameCount, 5u);
}

// The first of each kind is what players show; a motion photo's still
// frames follow in a second video track.
TEST_F(Mp4TrackFinish, FirstTrackOfEachKindIsTakenAndTimesStopAtTheFrames)
{
    VideoTrackSpec first;
    first.timescale = 90000;
    first.times = {{2, 3000}, {1000000000, 1}};  // far more times than frames
    first.sizes = {10, 20};
    VideoTrackSpec stills;
    VideoTrackSpec sound = stills;
    sound.handler = "soun";
    Finish(Join({Trak(sound), Trak(first), Trak(sound), Trak(stills)}));
    EXPECT_EQ(gParseState->videoTrack, 1u);
    EXPECT_EQ(gParseState->soundTrack, 0u);
    EXPECT_EQ(gParseState->VideoTrack()->timescale, 90000u);
    EXPECT_EQ(gParseState->sampleTimes, (std::vector<uint64_t>{0, 3000}));
    EXPECT_EQ(gParseState->averageSampleDelta, 3000u);
}

// Twelve frames two periods late in presentation (B-frames), shown in the
// order 0 3 1 2 6 4 5 9 7 8 11 10 of decoding; sync samples are the
// decoded frames 0, 4 and 7, shown as 0, 6 and 9.
VideoTrackSpec ReorderedTrack()
{
    VideoTrackSpec spec;
    spec.times = {{12, 20}};
    spec.sizes.assign(12, 10);
    spec.offsets = {{1, 40}, {1, 80}, {2, 20}, {1, 80}, {2, 20}, {1, 80}, {2, 20}, {1, 60}, {1, 20}};
    spec.syncNumbers = {1, 5, 8};
    return spec;
}

TEST_F(Mp4TrackFinish, EditListShowsTheTrimmedFramesWithTheTimesOfTheirSamples)
{
    VideoTrackSpec spec = ReorderedTrack();
    Finish(Trak(spec));
    EXPECT_EQ(GetVideoFrameCount(), 12u) << "without an edit list every frame is shown";
    EXPECT_EQ(gParseState->syncFrames, (std::vector<uint32_t>{0, 6, 9}));
    EXPECT_EQ(gParseState->shownStart, 40) << "at the first frame's presentation time";

    // Shown from frame 3 (time 40 + 3 * 20) for 7 frames, a non-sync frame
    // first, the last until the segment ends; an empty edit before it only
    // delays the start.
    using Edits = std::vector<std::pair<uint32_t, int32_t>>;
    for (auto [edits, start] : {std::pair{Edits{{140, 100}}, 0}, std::pair{Edits{{600, -1}, {140, 100}}, 600}}) {
        spec.edits = edits;
        Finish(Trak(spec));
        EXPECT_EQ(gParseState->shownStart, start);
        EXPECT_EQ(GetVideoFrameCount(), 7u);
        EXPECT_EQ(gParseState->sampleTimes, (std::vector<uint64_t>{60, 80, 100, 120, 140, 160, 180}));
        EXPECT_EQ(gParseState->shownTimes, (std::vector<uint64_t>{0, 20, 40, 60, 80, 100, 120}));
        EXPECT_EQ(gParseState->shownEnd, 140u);
        EXPECT_EQ(gParseState->syncFrames, (std::vector<uint32_t>{3, 6}));
        EXPECT_EQ(FindSyncFrame(0), 0u) << "the first shown frame stays reachable";
        EXPECT_EQ(FindSyncFrame(2), 0u);
        EXPECT_EQ(StepSyncForward(0, 1), 3u) << "the first sync frame is not skipped";
        EXPECT_EQ(StepSyncForward(0, 2), 6u);
        EXPECT_EQ(StepSyncBackward(3, 1), 0u);
        EXPECT_EQ(StepSyncBackward(6, 100), 0u);
        std::lock_guard pool(gFramePool->lock);
        EXPECT_EQ(gFramePool->frameCount, 7u);
    }

    // Two segments play one after the other; one of duration 0 runs to the end.
    spec.edits = {{40, 200}, {0, 40}};
    Finish(Trak(spec));
    EXPECT_EQ(gParseState->sampleTimes,
              (std::vector<uint64_t>{160, 180, 0, 20, 40, 60, 80, 100, 120, 140, 160, 180, 200, 220}));
    EXPECT_EQ(gParseState->shownTimes, (std::vector<uint64_t>{0, 20, 40, 60, 80, 100, 120, 140, 160, 180, 200, 220,
                                                               240, 260}))
        << "each segment follows the one before";
    EXPECT_EQ(gParseState->shownEnd, 280u);

    spec.edits = {{100, 1000}};  // past the last frame
    Walk(Trak(spec));
    EXPECT_THROW(FinishTracks(), std::logic_error) << "an edit list that shows nothing";
}

// A loop of a short clip, or a still shown over and over, shows its samples
// many times: up to a day of frames at 30 a second in all. One frame more
// is refused, and so is sound whose edit list runs on for more than a day.
TEST_F(Mp4TrackFinish, EditListsShowAtMostADay)
{
    constexpr uint32_t kSamples = 1000;
    static_assert(kMostShownFrames % kSamples == 0);
    VideoTrackSpec spec;
    spec.times = {{kSamples, 1}};
    spec.sizes.assign(kSamples, 10);
    spec.edits.assign(kMostShownFrames / kSamples, {kSamples, 0});  // each shows every sample
    Finish(Trak(spec));
    EXPECT_EQ(GetVideoFrameCount(), kMostShownFrames);

    spec.edits.push_back({1, 0});
    Walk(Trak(spec));
    EXPECT_THROW(FinishTracks(), ReaderRefusal);

    VideoTrackSpec sound;
    sound.handler = "soun";
    constexpr uint32_t kDay = 600 * kLongestShownSeconds;
    sound.edits = {{kDay - 100, -1}, {100, 0}};
    Finish(Join({Trak({}), Trak(sound)}));
    EXPECT_EQ(gParseState->soundPieces.size(), 1u);
    sound.edits.front().first += 1;
    Walk(Join({Trak({}), Trak(sound)}));
    EXPECT_THROW(FinishTracks(), ReaderRefusal);
}

TEST_F(Mp4TrackFinish, GopLengthFromTheFirstTwoSyncSamples)
{
    VideoTrackSpec spec;
    spec.times = {{61, 20}};
    spec.sizes.assign(61, 10);
    spec.syncNumbers = {1, 31, 61};
    Finish(Trak(spec));
    EXPECT_EQ(gParseState->gopLength, 30u);

    for (auto numbers : {std::vector<uint32_t>{1}, std::vector<uint32_t>{}, std::vector<uint32_t>{31, 1}}) {
        gParseState->Reset();
        spec.syncNumbers = numbers;
        Finish(Trak(spec));
        EXPECT_EQ(gParseState->gopLength, 1u) << numbers.size() << " sync samples";
    }
}

TEST_F(Mp4TrackFinish, SyncSampleSearchAndSteps)
{
    UseVideoTrack(100, {0, 30, 60});
    EXPECT_EQ(FindSyncFrame(31), 60u);
    EXPECT_EQ(FindSyncFrame(30), 30u);
    EXPECT_EQ(FindSyncFrame(61), 60u) << "past the last it stays on that one";
    EXPECT_EQ(StepSyncForward(31, 1), 60u) << "past the last stays";
    EXPECT_EQ(StepSyncForward(0, 1), 30u);
    EXPECT_EQ(StepSyncForward(0, 10), 0u);
    EXPECT_EQ(StepSyncBackward(45, 1), 0u);
    EXPECT_EQ(StepSyncBackward(60, 1), 30u);
    EXPECT_EQ(StepSyncBackward(60, 10), 0u);
    EXPECT_EQ(StepSyncForward(0, -5), 0u) << "a negative step never indexes before the table";
    EXPECT_EQ(StepSyncBackward(30, -5), 30u) << "nor after it";
}

TEST_F(Mp4TrackFinish, EveryFrameIsSyncWithFewerThanTwoListed)
{
    UseVideoTrack(100, {});
    EXPECT_EQ(FindSyncFrame(42), 42u);
    EXPECT_EQ(StepSyncForward(95, 10), 99u);
    EXPECT_EQ(StepSyncForward(10, 10), 20u);
    EXPECT_EQ(StepSyncBackward(5, 10), 0u);
    EXPECT_EQ(StepSyncBackward(50, 10), 40u);
    EXPECT_EQ(StepSyncForward(2, -10), 0u);
}

TEST_F(Mp4TrackFinish, BackwardBeforeTheFirstListedSyncSample)
{
    UseVideoTrack(100, {10, 40});
    EXPECT_EQ(StepSyncBackward(5, 1), 0u);
    EXPECT_EQ(StepSyncForward(5, 1), 10u);
    EXPECT_EQ(StepSyncForward(20, 1), 40u);
}

TEST_F(Mp4TrackFinish, DateCodeAsUtc)
{
    gParseState->movieTimescale = 600;
    gParseState->movieDuration = 90000;
    gParseState->movieCreationTime = 3786912000u;  // 2024-01-01 counted from 1904
    EXPECT_EQ(ReadDateCode(), 0);
    ExpectDate(gParseState->firstDate, {2024, 1, 1, 0, 0, 0});
    ExpectDate(gParseState->lastDate, {2024, 1, 1, 0, 2, 30});

    gParseState->movieDuration = 0;
    gParseState->movieCreationTime = 0;
    ReadDateCode();
    ExpectDate(gParseState->firstDate, {1970, 1, 1, 0, 0, 0});

    gParseState->movieCreationTime = 2082844800u;  // not above the 1904 offset: counted from 1970
    ReadDateCode();
    ExpectDate(gParseState->firstDate, {2036, 1, 2, 0, 0, 0});

    gParseState->movieCreationTime = 3786912000u;
    gParseState->movieDuration = 90000;
    gParseState->movieTimescale = 0;
    EXPECT_EQ(ReadDateCode(), 0) << "no division by a zero time scale";
    ExpectDate(gParseState->lastDate, {2024, 1, 1, 0, 0, 0});
}
