#include "engine/stamp/stamp_visibility.h"

#include <algorithm>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

using namespace wuvo;

namespace {

constexpr uint32_t kFps = 30;

StampStyle Style(uint32_t showMode)
{
    AppSettings settings;
    ResetSettings(settings);
    StampStyle style = settings.dateStamp;
    style.showMode = showMode;
    return style;
}

// Runs a stamp's rule over a recording, one stamped frame after another.
class Recording {
public:
    Recording(const StampStyle& style, uint32_t fps) : style_(style), schedule_(MakeStampSchedule(style, fps))
    {
        SetBaseWeights(context_);
        MarkNoPreviousFrame(context_);
    }

    bool Frame(uint32_t n, uint32_t date, uint32_t seconds)
    {
        context_.curDate = date;
        context_.curSeconds = seconds;
        const bool shown = UpdateStampVisibility(context_, n, schedule_, context_.dateWeights, style_);
        CarryToPreviousFrame(context_);
        return shown;
    }
    // Frames first..last of one second of one day; the frames shown.
    std::vector<uint32_t> Shown(uint32_t first, uint32_t last, uint32_t step = 1)
    {
        std::vector<uint32_t> shown;
        for (uint32_t n = first; n <= last; n += step)
            if (Frame(n, kDay, 0))
                shown.push_back(n);
        return shown;
    }
    std::pair<uint32_t, uint32_t> Glyph() const
    {
        return {context_.dateWeights.baseFirst[0], context_.dateWeights.baseSecond[0]};
    }
    const WeightSet& Weights() const { return context_.dateWeights; }

    static inline const uint32_t kDay = PackDate(2024, 5, 17);

private:
    StampStyle style_;
    StampSchedule schedule_;
    StampContext context_{};
};

std::vector<uint32_t> Range(uint32_t first, uint32_t last)
{
    std::vector<uint32_t> frames;
    for (uint32_t n = first; n <= last; ++n)
        frames.push_back(n);
    return frames;
}

}  // namespace

TEST(StampVisibility, EveryFrameIgnoresDelayAndFade)
{
    StampStyle style = Style(kShowEveryFrame);
    style.fadeOn = style.delayOn = 1;
    Recording recording(style, kFps);
    EXPECT_EQ(recording.Shown(0, 99).size(), 100u);
    EXPECT_EQ(recording.Glyph(), std::make_pair(1000u, 0u));
}

TEST(StampVisibility, DateChangeShowsForItsDurationAcrossMonthAndYearEnds)
{
    Recording recording(Style(kShowOnDateChange), kFps);
    std::vector<uint32_t> shown;
    const uint32_t days[] = {PackDate(2023, 12, 31), PackDate(2024, 1, 1), PackDate(2024, 1, 31),
                             PackDate(2024, 2, 1)};
    for (uint32_t n = 0; n < 800; ++n)
        if (recording.Frame(n, days[n / 200], 0))
            shown.push_back(n);
    std::vector<uint32_t> expected;
    for (uint32_t start : {0u, 200u, 400u, 600u})
        for (uint32_t n = start; n < start + 90; ++n)
            expected.push_back(n);
    EXPECT_EQ(shown, expected);
}

TEST(StampVisibility, DelayPostponesTheShowing)
{
    StampStyle style = Style(kShowOnDateChange);
    style.delayOn = 1;
    style.delaySeconds = 2;
    Recording recording(style, kFps);
    EXPECT_EQ(recording.Shown(0, 200), Range(60, 149));
}

TEST(StampVisibility, SceneChangeNeedsAJumpAboveTheThreshold)
{
    StampStyle style = Style(kShowOnSceneChange);
    style.sceneChangeThreshold = 0;
    style.sceneChangeSeconds = 1;
    Recording recording(style, 1);
    const uint32_t day = PackDate(2024, 2, 29);
    EXPECT_TRUE(recording.Frame(0, day, 100)) << "the first frame always opens a showing";
    EXPECT_FALSE(recording.Frame(1, day, 100));
    EXPECT_FALSE(recording.Frame(2, day, 101)) << "one second on";
    EXPECT_TRUE(recording.Frame(3, day, 103)) << "two seconds on";
    EXPECT_FALSE(recording.Frame(4, day, 104));
    EXPECT_TRUE(recording.Frame(5, day, 90)) << "back in time";
    EXPECT_FALSE(recording.Frame(6, day, 91));
    EXPECT_TRUE(recording.Frame(7, PackDate(2024, 3, 2), 91)) << "two days on";
}

TEST(StampVisibility, SceneChangeAcrossMidnightCountsSeconds)
{
    StampStyle style = Style(kShowOnSceneChange);
    style.sceneChangeThreshold = 0;
    style.sceneChangeSeconds = 1;
    const std::pair<uint32_t, uint32_t> nights[] = {
        {PackDate(2024, 2, 29), PackDate(2024, 3, 1)},
        {PackDate(2023, 2, 28), PackDate(2023, 3, 1)},
        {PackDate(2023, 12, 31), PackDate(2024, 1, 1)},
        {PackDate(2024, 4, 30), PackDate(2024, 5, 1)},
    };
    for (const auto& [evening, morning] : nights) {
        Recording recording(style, 1);
        recording.Frame(0, evening, 86399);
        EXPECT_FALSE(recording.Frame(1, morning, 0)) << evening;
        EXPECT_TRUE(recording.Frame(2, morning, 2)) << evening;

        Recording jump(style, 1);
        jump.Frame(0, evening, 86399);
        EXPECT_TRUE(jump.Frame(1, morning, 1)) << "two seconds across midnight " << evening;
    }
    style.sceneChangeThreshold = 5;
    Recording wide(style, 1);
    wide.Frame(0, PackDate(2023, 12, 31), 86398);
    EXPECT_FALSE(wide.Frame(1, PackDate(2024, 1, 1), 4));
    EXPECT_TRUE(wide.Frame(2, PackDate(2024, 1, 1), 11));
}

TEST(StampVisibility, HugeThresholdDoesNotWrapAround)
{
    StampStyle style = Style(kShowOnSceneChange);
    style.sceneChangeThreshold = 0xFFFFFFFF;
    style.sceneChangeSeconds = 1;
    Recording recording(style, 1);
    recording.Frame(0, Recording::kDay, 50);
    EXPECT_FALSE(recording.Frame(1, Recording::kDay, 60));
}

TEST(StampVisibility, PeriodicShowingsRepeat)
{
    StampStyle style = Style(kShowPeriodically);
    style.periodSeconds = 60;
    style.periodicSeconds = 3;
    Recording recording(style, 25);
    std::vector<uint32_t> expected = Range(0, 74);
    const std::vector<uint32_t> second = Range(1500, 1574);
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(recording.Shown(0, 2000), expected);
}

TEST(StampVisibility, PeriodThatTheSpeedUpDoesNotDivideStillFires)
{
    StampStyle style = Style(kShowPeriodically);
    style.periodSeconds = 60;
    style.periodicSeconds = 3;
    Recording recording(style, 25);
    // Every 7th frame: 1500 is not stamped; 1505 is the first after it.
    const std::vector<uint32_t> shown = recording.Shown(0, 3100, 7);
    ASSERT_FALSE(shown.empty());
    EXPECT_TRUE(std::find(shown.begin(), shown.end(), 1505u) != shown.end());
    EXPECT_TRUE(std::find(shown.begin(), shown.end(), 3003u) != shown.end());
    EXPECT_TRUE(std::find(shown.begin(), shown.end(), 1498u) == shown.end());
}

TEST(StampVisibility, ZeroPeriodShowsNothing)
{
    StampStyle style = Style(kShowPeriodically);
    style.periodSeconds = 0;
    Recording recording(style, 25);
    EXPECT_TRUE(recording.Shown(0, 100).empty());
}

TEST(StampVisibility, FadeRisesAndFallsQuadratically)
{
    StampStyle style = Style(kShowOnDateChange);
    style.fadeOn = 1;
    Recording recording(style, kFps);
    std::vector<std::pair<uint32_t, uint32_t>> glyph;
    std::vector<uint32_t> ring2;
    for (uint32_t n = 0; n < 90; ++n) {
        ASSERT_TRUE(recording.Frame(n, Recording::kDay, 0));
        glyph.push_back(recording.Glyph());
        ring2.push_back(recording.Weights().baseFirst[2]);
    }
    EXPECT_EQ(glyph[0], std::make_pair(1u, 899u));
    EXPECT_EQ(glyph[1], std::make_pair(4u, 896u));
    EXPECT_EQ(glyph[2], std::make_pair(9u, 891u));
    EXPECT_EQ(glyph[28], std::make_pair(841u, 59u));
    for (uint32_t n = 29; n <= 60; ++n)
        EXPECT_EQ(glyph[n], std::make_pair(1000u, 0u)) << n;
    EXPECT_EQ(glyph[61], std::make_pair(841u, 59u));
    EXPECT_EQ(glyph[89], std::make_pair(1u, 899u));
    EXPECT_EQ(ring2[0], 1000u / 900);
    EXPECT_EQ(ring2[14], 225u * 1000 / 900);
    EXPECT_EQ(ring2[40], 1000u);
    EXPECT_EQ(recording.Weights().baseSecond[2], 800u);
    EXPECT_EQ(recording.Weights().baseSecond[5], 7000u);
    EXPECT_FALSE(recording.Frame(90, Recording::kDay, 0));
}

// With only every 4th frame stamped the fade still follows the frames'
// positions in the showing: the same weights as when every frame is stamped.
TEST(StampVisibility, FadeUnderSpeedUpMatchesEveryFrame)
{
    StampStyle style = Style(kShowOnDateChange);
    style.fadeOn = 1;
    Recording everyFrame(style, kFps);
    Recording everyFourth(style, kFps);
    bool reachedFull = false;
    for (uint32_t n = 0; n < 120; ++n) {
        const bool shown = everyFrame.Frame(n, Recording::kDay, 0);
        if (n % 4 != 0)
            continue;
        EXPECT_EQ(everyFourth.Frame(n, Recording::kDay, 0), shown) << n;
        if (shown) {
            EXPECT_EQ(everyFourth.Glyph(), everyFrame.Glyph()) << n;
        }
        reachedFull = reachedFull || everyFourth.Glyph().second == 0;
    }
    EXPECT_TRUE(reachedFull);
}

TEST(StampVisibility, ShortShowingOnlyFadesIn)
{
    StampStyle style = Style(kShowOnDateChange);
    style.fadeOn = 1;
    style.fadeSeconds = 2;
    style.dateChangeSeconds = 1;
    Recording recording(style, 10);
    std::vector<uint32_t> firsts;
    for (uint32_t n = 0; n < 10; ++n) {
        ASSERT_TRUE(recording.Frame(n, Recording::kDay, 0));
        firsts.push_back(recording.Glyph().first);
    }
    const std::vector<uint32_t> expected{1, 4, 9, 16, 25, 36, 49, 64, 81, 100};
    EXPECT_EQ(firsts, expected);
}

TEST(StampVisibility, TransparencyMovesWeightToThePicture)
{
    StampContext context{};
    SetBaseWeights(context);
    ApplyTransparency(context.dateWeights, 50);
    EXPECT_EQ(context.dateWeights.first[0], 500u);
    EXPECT_EQ(context.dateWeights.second[0], 500u);
    EXPECT_EQ(context.dateWeights.first[2], 500u);
    EXPECT_EQ(context.dateWeights.second[2], 1300u);
    ApplyTransparency(context.dateWeights, 250);
    EXPECT_EQ(context.dateWeights.first[0], 100u) << "at most 90 percent";
    EXPECT_EQ(context.dateWeights.second[0], 900u);
}

TEST(StampVisibility, CalendarHelpers)
{
    EXPECT_EQ(Weekday(2024, 2, 29), 4);
    EXPECT_EQ(Weekday(2000, 1, 1), 6);
    EXPECT_EQ(Weekday(2023, 12, 31), 0);
    EXPECT_EQ(PackDate(2024, 2, 29), 2024u * 2048 + 2 * 64 + 29);
    EXPECT_EQ(NextPackedDay(PackDate(2024, 2, 28)), PackDate(2024, 2, 29));
    EXPECT_EQ(NextPackedDay(PackDate(2024, 2, 29)), PackDate(2024, 3, 1));
    EXPECT_EQ(NextPackedDay(PackDate(2100, 2, 28)), PackDate(2100, 3, 1));
    EXPECT_EQ(NextPackedDay(PackDate(2000, 2, 28)), PackDate(2000, 2, 29));
    EXPECT_EQ(NextPackedDay(PackDate(2023, 12, 31)), PackDate(2024, 1, 1));
    EXPECT_EQ(NextPackedDay(0xFFFFFFFF), 0u) << "not a date: no table lookup";
}
