#include "app/preview/preview_driver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <limits>
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

// Work that runs until the test lets it go, or until it has been
// interrupted as often as the test says: what it serves, what interrupts it
// and what reaches the window show that only the newest request outlives a
// busy worker, that a request for another frame interrupts the work under
// way and one for the same frame does not, and that a stop ends the work
// and lets nothing through.
TEST(PreviewDriverThreads, OnlyTheNewestRequestWaitsAnotherFrameInterruptsAndAStopLetsNothingThrough)
{
    std::atomic<bool> taken{false}, release{false};
    std::atomic<int> interrupts{0};
    // Until then the work runs on, as a decode between two stop checks does.
    std::atomic<int> endAfterInterrupts{std::numeric_limits<int>::max()};
    std::vector<std::pair<uint32_t, bool>> served;  // frame, superseded at its end
    std::mutex mutex;
    std::vector<uint64_t> delivered;
    PreviewDriver driver(
        [&](const PreviewRequest& request, const std::function<bool()>& superseded) {
            taken = true;
            while (!release && interrupts < endAfterInterrupts)
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
        [&] { ++interrupts; });

    driver.Request(u"a.mp4", 0);
    WaitUntil(taken);
    driver.Request(u"a.mp4", 0);
    EXPECT_EQ(interrupts, 0) << "the same frame again: the work under way makes it";
    uint64_t last = 0;
    for (uint32_t frame = 1; frame < 500; ++frame)
        last = driver.Request(u"a.mp4", frame);
    EXPECT_GT(interrupts, 0) << "another frame interrupts the work under way";
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
    endAfterInterrupts = interrupts + 1;
    driver.Request(u"a.mp4", 7);
    WaitUntil(taken);
    driver.Stop();
    std::lock_guard lock(mutex);
    EXPECT_EQ(delivered.size(), 2u) << "nothing from the interrupted request";
}
