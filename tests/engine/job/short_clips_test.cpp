// Many per-file jobs in one process, as a batch runs them: clips shorter
// than the encoder's B-frame delay between clips of other kinds and sizes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/job/run_stamp_job.h"
#include "engine/mp4/parse_state.h"
#include "engine/mp4/reader.h"
#include "engine/pipeline/shared_objects.h"
#include "engine/settings/app_settings.h"
#include "platform/text/utf.h"
#include "support/fixture_job.h"
#include "support/fixtures.h"
#include "support/pipeline_harness.h"

using namespace wuvo;

namespace {

// ThreadSanitizer runs each job many times slower; fewer jobs still meet
// every kind of clip.
#if defined(__SANITIZE_THREAD__)
constexpr size_t kJobs = 48;
#else
constexpr size_t kJobs = 200;
#endif
// Each cycle: one larger job, then three 176x144 clips. The larger jobs
// take longest: a 4K clip in one cycle of ten, a 1080p clip in one of
// four, a longer clip in the others.
constexpr size_t kCyclesPer4kClip = 10;
constexpr size_t kCyclesPer1080pClip = 4;

std::string ShortClip(size_t frames, const char* kind)
{
    return "short" + std::to_string(frames) + "_" + kind + ".mp4";
}

std::vector<std::string> JobOrder()
{
    const char* longer[] = {"portrait_main10_5994.mp4", "surround_fps25.mp4"};
    std::vector<std::string> order;
    for (size_t cycle = 0; order.size() < kJobs; ++cycle) {
        size_t frames = cycle % 3 + 1;
        if (cycle % kCyclesPer4kClip == 0)
            order.push_back(ShortClip(frames, "hevc_4096x2160"));
        else if (cycle % kCyclesPer1080pClip == kCyclesPer1080pClip / 2)
            order.push_back(ShortClip(frames, "hevc_1920x1080"));
        else
            order.push_back(longer[cycle % std::size(longer)]);
        order.push_back(ShortClip(frames, "mpeg4_176x144"));
        order.push_back(ShortClip(frames, "hevc_176x144"));
        order.push_back(ShortClip(frames % 3 + 1, "mpeg4_176x144"));
    }
    order.resize(kJobs);
    return order;
}

// Frames of the file as the container reader finds them.
uint32_t FramesIn(const std::string& path)
{
    char16_t message[kReaderMessageLength] = {};
    if (OpenAndCheckVideo(platform::ToUtf16(path).c_str(), kReaderModeCheck, message) != kReaderOk)
        return 0;
    return gParseState->VideoTrack()->SizeTableEntries();
}

}  // namespace

TEST(ShortClipsThreads, EveryJobSucceedsAmongOthers)
{
    test::SharedObjectsScope shared;
    test::PrepareJobSettings();
    std::string output = test::FreshOutputFolder("short_clips") + "/out.mp4";
    std::vector<std::string> order = JobOrder();
    for (size_t job = 0; job < order.size(); ++job) {
        const std::string& clip = order[job];
        std::vector<std::u16string> messages;
        uint32_t result = test::RunFixtureJob(clip, output, &messages);
        ASSERT_EQ(result, kJobSucceeded) << "job " << job << ", " << clip << ": "
                                         << (messages.empty() ? "" : platform::ToUtf8(messages.front()));
        ASSERT_EQ(FramesIn(output), FramesIn(test::FixturePath(clip))) << "job " << job << ", " << clip;
    }
    ResetSettings(gSettings);
}
