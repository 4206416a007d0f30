#include "app/preview/preview_load.h"

#include <gtest/gtest.h>

#include <mutex>
#include <random>
#include <thread>
#include <utility>

#include "engine/pipeline/shared_objects.h"
#include "engine/settings/app_settings.h"
#include "engine/stamp/text_rasterizer.h"
#include "platform/text/utf.h"
#include "support/fake_text_renderer.h"
#include "support/fixtures.h"
#include "support/media_reference.h"
#include "support/pipeline_harness.h"

using namespace wuvo;

namespace {

class PreviewLoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetSettings(gSettings);
        gSettings.idle = 1;
    }

    // Opens a fixture as choosing it does; the reader's result.
    int32_t Open(const std::string& name)
    {
        path = platform::ToUtf16(test::FixturePath(name));
        {
            std::lock_guard guard(gFramePool->lock);
            gFramePool->Reset();
        }
        return PreviewOpenJob(path, message);
    }

    PreviewResult Load(uint32_t frame)
    {
        return PreviewLoadProc({1, path, frame}, [] { return false; });
    }

    test::SharedObjectsScope shared;
    std::u16string path;
    char16_t message[kReaderMessageLength] = {};
};

class PreviewLoadThreads : public PreviewLoad {};

}  // namespace

TEST_F(PreviewLoad, OpeningGivesTheReadersMessageOrTheFilesOwnFrameRate)
{
    EXPECT_EQ(Open("h264.mp4"), kReaderNotHevc);
    EXPECT_NE(std::u16string(message).find(u"is not HEVC format video file"), std::u16string::npos);
    EXPECT_FALSE(IsRunning(*gPreviewLoadState));

    ASSERT_EQ(Open("fps25.mp4"), kReaderOk);
    EXPECT_EQ(gFramePool->rateNumerator * 1.0 / gFramePool->rateDenominator, 25.0);
    ASSERT_EQ(Open("hevc_newyear.mov"), kReaderOk);
    EXPECT_NEAR(gFramePool->rateNumerator * 1.0 / gFramePool->rateDenominator, 30000.0 / 1001, 0.01);
}

TEST_F(PreviewLoad, PortraitAndAnamorphicVideosFramesTooLargeAndAJobsPoolAreToldApart)
{
    ASSERT_EQ(Open("rotate90.mp4"), kReaderOk);
    PreviewResult portrait = Load(3);
    ASSERT_EQ(portrait.outcome, PreviewOutcome::Converted);
    EXPECT_TRUE(portrait.portrait);
    EXPECT_EQ(portrait.picture->width, 240u);
    EXPECT_EQ(portrait.picture->height, 320u);
    // 1440x1080 stored, shown 16:9 by the track header or the aspect box
    // alone, with stamps narrowed to look as on square pixels.
    test::FakeTextRenderer renderer;
    platform::TextRenderer* previous = ReplaceStampTextRenderer(&renderer);
    for (const char* anamorphic : {"anamorphic.mp4", "anamorphic_pasp.mp4"}) {
        ASSERT_EQ(Open(anamorphic), kReaderOk);
        PreviewResult wide = Load(0);
        ASSERT_EQ(wide.outcome, PreviewOutcome::Converted) << anamorphic;
        EXPECT_EQ(wide.width, 1440u);
        EXPECT_EQ(std::pair(wide.picture->width, wide.picture->height), std::pair(1920u, 1080u)) << anamorphic;
        EXPECT_NEAR(renderer.font_.widthScale, 0.75f, 0.001f);
    }
    ReplaceStampTextRenderer(previous);
    {
        std::lock_guard guard(gFramePool->lock);
        gFramePool->mode = kPoolModeJob;
    }
    EXPECT_EQ(ConvertPreviewFrame(3, 240, 320), nullptr) << "a job owns the pool";

    // More than a pool buffer: the decode refuses it, the driver says why.
    ASSERT_EQ(Open("oversize.mp4"), kReaderOk);
    PreviewResult large = Load(0);
    EXPECT_EQ(large.outcome, PreviewOutcome::TooLarge);
    EXPECT_EQ(large.width, 4352u);
    EXPECT_EQ(large.height, 2176u);
}

// A 10-bit full-range video shows its own levels, as players show it.
TEST_F(PreviewLoad, TenBitFullRangeVideoShowsItsOwnLevels)
{
    gSettings.dateStamp.enabled = gSettings.timeStamp.enabled = 0;
    ASSERT_EQ(Open("full_range_10bit.mp4"), kReaderOk);
    PreviewResult shown = Load(0);
    ASSERT_EQ(shown.outcome, PreviewOutcome::Converted);
    EXPECT_EQ(test::ShareWithin(shown.picture->pixels, test::ShownRgb(platform::ToUtf8(path), 0, 320, 240),
                                test::kNearLevels),
              1.0);
}

// Requests as fast as a held step button makes them, on a real file: the
// last one is the frame shown, as ffmpeg decodes it, and every thread stops.
TEST_F(PreviewLoadThreads, RapidRequestsOnARealFileEndOnTheNewestFrame)
{
    gSettings.dateStamp.enabled = gSettings.timeStamp.enabled = 0;
    ASSERT_EQ(Open("open_gop.mp4"), kReaderOk);
    std::mutex mutex;
    std::vector<PreviewResult> results;
    PreviewDriver driver(
        PreviewLoadProc,
        [&](PreviewResult result) {
            std::lock_guard lock(mutex);
            results.push_back(std::move(result));
        },
        InterruptPreviewDecode);
    std::mt19937 random(7);
    uint64_t last = 0;
    uint32_t frame = 0;
    for (int i = 0; i < 60; ++i) {
        frame = random() % 120;
        last = driver.Request(path, frame);
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 8));
    }
    for (int wait = 0; wait < 2000; ++wait) {
        std::lock_guard lock(mutex);
        if (!results.empty() && results.back().sequence == last)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    driver.Stop();
    std::lock_guard lock(mutex);
    ASSERT_FALSE(results.empty());
    ASSERT_EQ(results.back().sequence, last);
    ASSERT_EQ(results.back().outcome, PreviewOutcome::Converted);
    std::vector<uint8_t> reference = test::ReferenceFrame(platform::ToUtf8(path), frame);
    ASSERT_EQ(reference.size(), I420Bytes(320, 240));
    EXPECT_EQ(results.back().picture->pixels, ConvertI420ToRgb(reference.data(), 320, 240, {}).pixels);
    EXPECT_FALSE(IsRunning(*gDecodeState));
}
