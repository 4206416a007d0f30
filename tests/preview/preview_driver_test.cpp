#include "app/preview/preview_driver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

using namespace wuvo;
using namespace std::chrono_literals;

namespace {

void WaitUntil(const std::atomic<bool>& flag)
{
    while (!flag)
        std::this_thread::sleep_for(1ms);
}

}  // namespace

// Work that runs until the test lets it go: what it serves, and what reaches
// the window, show that only the newest request outlives a busy worker and
// that a stop ends the work and lets nothing through.
TEST(PreviewDriverThreads, OnlyTheNewestRequestWaitsAndAStopLetsNothingThrough)
{
    std::atomic<bool> taken{false}, release{false}, interrupted{false};
    std::vector<std::pair<uint32_t, bool>> served;  // frame, superseded at its end
    std::mutex mutex;
    std::vector<uint64_t> delivered;
    PreviewDriver driver(
        [&](const PreviewRequest& request, const std::function<bool()>& superseded) {
            taken = true;
            while (!release && !interrupted)
                std::this_thread::sleep_for(1ms);
            served.emplace_back(request.frame, superseded());
            PreviewResult result;
            result.sequence = request.sequence;
            return result;
        },
        [&](PreviewResult result) {
            std::lock_guard lock(mutex);
            delivered.push_back(result.sequence);
        },
        [&] { interrupted = taken.load(); });

    driver.Request(u"a.mp4", 0);
    WaitUntil(taken);
    uint64_t last = 0;
    for (uint32_t frame = 1; frame < 500; ++frame)
        last = driver.Request(u"a.mp4", frame);
    release = true;
    for (int wait = 0; wait < 2000; ++wait) {
        std::lock_guard lock(mutex);
        if (!delivered.empty() && delivered.back() == last)
            break;
        std::this_thread::sleep_for(10ms);
    }
    {
        std::lock_guard lock(mutex);
        EXPECT_EQ(served, (std::vector<std::pair<uint32_t, bool>>{{0, true}, {499, false}}))
            << "a slider dragged far decodes its last position, not every one on the way";
        EXPECT_EQ(delivered, (std::vector<uint64_t>{1, last}));
    }

    taken = release = false;
    driver.Request(u"a.mp4", 7);
    WaitUntil(taken);
    driver.Stop();
    EXPECT_TRUE(interrupted);
    std::lock_guard lock(mutex);
    EXPECT_EQ(delivered.size(), 2u) << "nothing from the interrupted request";
}
