// Whole jobs with the NVIDIA decoder selected, through the fake driver: the
// output must be the one the FFmpeg decode path gives, frame by frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "engine/job/run_stamp_job.h"
#include "engine/settings/app_settings.h"
#include "engine/stamp/text_rasterizer.h"
#include "platform/text/utf.h"
#include "support/fake_nvidia.h"
#include "support/fake_text_renderer.h"
#include "support/fixture_job.h"
#include "support/fixtures.h"
#include "support/media_reference.h"
#include "support/pipeline_harness.h"

using namespace wuvo;
namespace fs = std::filesystem;

namespace {

// A sample off by more than this is not coding noise.
constexpr int kStrayDifference = 48;

class NvdecJobTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        test::ResetFakeDrivers();
        test::PrepareJobSettings();
        outputDir = test::TestOutputDir() + "/nvdec";
        fs::create_directories(outputDir);
    }
    void TearDown() override
    {
        ResetSettings(gSettings);
        test::ExpectFakeDriversReleased();
    }

    void SelectNvdec()
    {
        gSettings.nvDecoderAvailable = 1;
        gSettings.decoderKind = 3;
    }

    // The job's output decoded by ffmpeg, all frames in a row.
    std::string RunJob(const std::string& fixture, const std::string& name, uint32_t expected = kJobSucceeded)
    {
        std::string output = outputDir + "/" + name;
        EXPECT_EQ(test::RunFixtureJob(fixture, output, &messages), expected) << name;
        if (!fs::exists(output))
            return {};
        return test::RunCommand("ffmpeg -v error -i " + test::Quoted(output) + " -f rawvideo -pix_fmt yuv420p -");
    }

    test::SharedObjectsScope shared;
    std::string outputDir;
    std::vector<std::u16string> messages;
};

}  // namespace

TEST_P(NvdecJobTest, StampsTheSameFramesAsTheFfmpegDecodePath)
{
    std::string fixture = GetParam();
    std::string viaFfmpeg = RunJob(fixture, "ffmpeg_" + fixture + ".mp4");
    SelectNvdec();
    std::string viaNvdec = RunJob(fixture, "nvdec_" + fixture + ".mp4");
    EXPECT_GT(test::FakeCuvid().picturesDecoded.load(), 0) << "the fake driver decoded";
    ASSERT_FALSE(viaFfmpeg.empty());
    ASSERT_EQ(viaNvdec.size(), viaFfmpeg.size()) << "as many frames of the same size";
    // libx265's rate control under frame threads is not bit-exact from run
    // to run; a missing stamp or a frame out of place changes far more.
    size_t stray = 0;
    for (size_t i = 0; i < viaNvdec.size(); ++i)
        stray += std::abs(int(uint8_t(viaNvdec[i])) - int(uint8_t(viaFfmpeg[i]))) > kStrayDifference;
    EXPECT_LT(stray, viaNvdec.size() / 2000) << "same frames, same stamps";
}

INSTANTIATE_TEST_SUITE_P(Fixtures, NvdecJobTest,
                         ::testing::Values("hevc_aac_newyear.mp4", "hevc_newyear.mov", "rotate90.mp4", "hev1.mp4",
                                           "open_gop.mp4", "hd1080.mp4", "edit_list.mp4", "middle_cut.mp4"),
                         [](const auto& info) {
                             std::string name = info.param;
                             return name.substr(0, name.find('.')) + (name.ends_with(".mov") ? "_mov" : "");
                         });

// At an anamorphic clip's own size the stamp is narrowed for its wide
// pixels; pictures NVDEC scaled to another size have square ones.
TEST_F(NvdecJobTest, StampsAreNarrowedOnlyOnTheClipsOwnWidePixels)
{
    SelectNvdec();
    test::FakeTextRenderer renderer;
    platform::TextRenderer* previous = ReplaceStampTextRenderer(&renderer);
    for (auto [width, height, widthScale] : {std::tuple{1u, 1u, 0.75f}, {1280u, 720u, 1.0f}}) {
        test::RunFixtureJob("anamorphic.mp4", outputDir + "/nvdec_anamorphic.mp4", &messages, width, height);
        EXPECT_NEAR(renderer.font_.widthScale, widthScale, 0.001f) << width;
    }
    ReplaceStampTextRenderer(previous);
}

TEST_F(NvdecJobTest, TenBitVideoFailsTheJobWithoutAnOutput)
{
    SelectNvdec();
    testing::internal::CaptureStderr();
    EXPECT_TRUE(RunJob("main10.mp4", "nvdec_main10.mp4", kJobFailedResult).empty()) << "no output";
    EXPECT_NE(testing::internal::GetCapturedStderr().find("8-bit"), std::string::npos);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages[0].rfind(u"Cannot decode video file <", 0), 0u);
}

// NVDEC's 8-bit pictures cannot become the SDR the FFmpeg path makes of HDR:
// the file is refused before anything is decoded, and the log says why.
TEST_F(NvdecJobTest, HdrVideoIsRefusedWithItsReason)
{
    SelectNvdec();
    EXPECT_TRUE(RunJob("hlg_bt2020.mp4", "nvdec_hlg.mp4", kJobFailedResult).empty()) << "no output";
    EXPECT_EQ(test::FakeCuvid().picturesDecoded.load(), 0);
    std::u16string path = platform::ToUtf16(test::FixturePath("hlg_bt2020.mp4"));
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], u"The NVIDIA decoder cannot convert HDR video to SDR: <" + path + u">\n");
    EXPECT_EQ(messages[1], u"Cannot decode video file <" + path + u">\n");
}

// Frames are numbered by the pictures shown; a source that left out some of
// the samples an edit list hides would shift every stamp, so the file fails.
TEST_F(NvdecJobTest, ADecodeThatDidNotShowEverySampleFailsAnEditedClip)
{
    SelectNvdec();
    test::FakeCuvid().applyEditList = true;
    EXPECT_TRUE(RunJob("edit_list.mp4", "nvdec_edited.mp4", kJobFailedResult).empty()) << "no output";
    std::u16string path = platform::ToUtf16(test::FixturePath("edit_list.mp4"));
    EXPECT_NE(std::find(messages.begin(), messages.end(),
                        u"The NVIDIA decoder did not show every picture, so the edit list cannot be applied: <" +
                            path + u">\n"),
              messages.end());
}
