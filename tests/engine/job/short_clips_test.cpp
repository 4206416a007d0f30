// Many jobs in one process, as a batch runs them: clips shorter than the
// encoder's B-frame delay between larger and longer ones.
#include <gtest/gtest.h>

#include "engine/job/run_stamp_job.h"
#include "engine/mp4/parse_state.h"
#include "engine/mp4/reader.h"
#include "engine/pipeline/shared_objects.h"
#include "platform/text/utf.h"
#include "support/fixture_job.h"
#include "support/fixtures.h"
#include "support/pipeline_harness.h"

using namespace wuvo;

namespace {

// ThreadSanitizer runs each job many times slower.
#if defined(__SANITIZE_THREAD__)
constexpr size_t kJobs = 48;
#else
constexpr size_t kJobs = 200;
#endif

// Per cycle a larger job (4K in one cycle of ten, 1080p in one of four, else
// a longer clip), then three 176x144 clips.
std::vector<std::string> JobOrder()
{
    const char* longer[] = {"portrait_main10_5994.mp4", "surround_fps25.mp4"};
    auto clip = [](size_t frames, const char* kind) { return "short" + std::to_string(frames) + "_" + kind + ".mp4"; };
    std::vector<std::string> order;
    for (size_t cycle = 0; order.size() < kJobs; ++cycle) {
        size_t frames = cycle % 3 + 1;
        order.push_back(cycle % 10 == 0  ? clip(frames, "hevc_4096x2160")
                        : cycle % 4 == 2 ? clip(frames, "hevc_1920x1080")
                                         : longer[cycle % 2]);
        for (const char* kind : {"mpeg4_176x144", "hevc_176x144"})
            order.push_back(clip(frames, kind));
        order.push_back(clip(frames % 3 + 1, "mpeg4_176x144"));
    }
    order.resize(kJobs);
    return order;
}

uint32_t FramesIn(const std::string& path)
{
    char16_t message[kReaderMessageLength] = {};
    bool read = OpenAndCheckVideo(platform::ToUtf16(path).c_str(), kReaderModeCheck, message) == kReaderOk;
    return read ? gParseState->VideoTrack()->SizeTableEntries() : 0;
}

}  // namespace

TEST(ShortClipsThreads, EveryJobSucceedsAmongOthers)
{
    test::SharedObjectsScope shared;
    test::PrepareJobSettings();
    std::string output = test::FreshOutputFolder("short_clips") + "/out.mp4";
    std::vector<std::string> order = JobOrder();
    for (size_t job = 0; job < order.size(); ++job) {
        std::vector<std::u16string> messages;
        ASSERT_EQ(test::RunFixtureJob(order[job], output, &messages), kJobSucceeded)
            << job << " " << order[job] << ": " << (messages.empty() ? "" : platform::ToUtf8(messages[0]));
        ASSERT_EQ(FramesIn(output), FramesIn(test::FixturePath(order[job]))) << job << " " << order[job];
    }
}
