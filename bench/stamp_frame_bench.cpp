// Mean cost of stamping one 1920x1080 frame with the default date and time
// stamps, as a batch does it: the texts are rasterised when they change
// (once a second for the time), every frame is blended.
#include <chrono>
#include <cstdio>
#include <vector>

#include "engine/settings/app_settings.h"
#include "engine/stamp/stamp_context.h"
#include "engine/stamp/stamp_frame.h"
#include "support/bench_tools.h"

using namespace wuvo;

namespace {

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;
constexpr uint32_t kFramesPerSecond = 30;
// Seconds of video stamped per measurement, and measurements taken.
constexpr uint32_t kSeconds = 1;
constexpr int kRuns = 20;

double StampOneSecondMs(int run, std::vector<uint8_t>& frame)
{
    StampContext* context = CreateStampContext();
    if (context == nullptr)
        return 0;
    SetBaseWeights(*context);
    MarkNoPreviousFrame(*context);
    StampSchedule dateSchedule = MakeStampSchedule(gSettings.dateStamp, kFramesPerSecond);
    StampSchedule timeSchedule = MakeStampSchedule(gSettings.timeStamp, kFramesPerSecond);
    const auto start = std::chrono::steady_clock::now();
    for (uint32_t n = 0; n < kSeconds * kFramesPerSecond; ++n) {
        FrameClock clock;
        clock.date = {2024, 2, 29, 10, run % 60, static_cast<int32_t>(n / kFramesPerSecond), static_cast<int32_t>(n)};
        clock.timescale = 30000;
        clock.averageDelta = 1001;
        StampFrameAt(*context, dateSchedule, timeSchedule, frame.data(), kWidth, kHeight, n, clock, 1.0f, 1.0f);
        CarryToPreviousFrame(*context);
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    FreeStampContext(context);
    return std::chrono::duration<double, std::milli>(elapsed).count();
}

}  // namespace

int main()
{
    ResetSettings(gSettings);
    gSettings.idle = 0;
    std::vector<uint8_t> frame(static_cast<size_t>(kWidth) * kHeight * 3 / 2, 128);
    StampOneSecondMs(0, frame);  // fonts opened, caches warm

    double totalMs = 0;
    const int runs = bench::CountFor(kRuns);
    for (int run = 1; run <= runs; ++run)
        totalMs += StampOneSecondMs(run, frame);
    const double frames = static_cast<double>(runs) * kSeconds * kFramesPerSecond;
    std::printf("stamp_frame: %dx%d, both default stamps, %u frames per second of video\n", kWidth, kHeight,
                kFramesPerSecond);
    std::printf("mean per frame: %.3f ms over %.0f frames (each second starts with new masks)\n", totalMs / frames,
                frames);
    return 0;
}
