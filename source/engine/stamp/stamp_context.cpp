#include "engine/stamp/stamp_context.h"

#include <algorithm>
#include <limits>
#include <new>

namespace wuvo {

namespace {

struct WeightPair {
    uint32_t first;
    uint32_t second;
};
// Full strength for the glyph and ring 1; the outer rings fade towards the
// picture so that the outline ends softly.
constexpr std::array<WeightPair, 6> kFullWeights{{
    {1000, 0}, {1000, 0}, {1000, 800}, {1000, 2000}, {1000, 4000}, {1000, 7000},
}};

// A fade of more frames would overflow the squares of the fade weights.
constexpr uint32_t kMaxFadeFrames = 0xFFFF;

uint32_t SecondsToFrames(uint32_t seconds, uint32_t framesPerSecond)
{
    const uint64_t frames = static_cast<uint64_t>(seconds) * framesPerSecond;
    return static_cast<uint32_t>(std::min<uint64_t>(frames, std::numeric_limits<uint32_t>::max()));
}

void SetFullWeights(WeightSet& weights)
{
    for (size_t i = 0; i < kFullWeights.size(); ++i) {
        weights.baseFirst[i] = weights.first[i] = kFullWeights[i].first;
        weights.baseSecond[i] = weights.second[i] = kFullWeights[i].second;
    }
}

}  // namespace

StampContext* CreateStampContext()
{
    auto* context = new (std::nothrow) StampContext{};
    if (context != nullptr)
        context->tm.tm_yday = context->tm.tm_isdst = -1;
    return context;
}

void FreeStampContext(StampContext* context)
{
    if (context == nullptr)
        return;
    ReleaseMaskCells(context->dateMask);
    ReleaseMaskCells(context->timeMask);
    delete context;
}

void SetBaseWeights(StampContext& context)
{
    SetFullWeights(context.dateWeights);
    SetFullWeights(context.timeWeights);
}

void MarkNoPreviousFrame(StampContext& context)
{
    context.prevDate = std::numeric_limits<uint32_t>::max();
    context.prevSeconds = std::numeric_limits<uint32_t>::max();
}

void CarryToPreviousFrame(StampContext& context)
{
    context.prevDate = context.curDate;
    context.prevSeconds = context.curSeconds;
    context.datePrevShown = context.dateShown;
    context.timePrevShown = context.timeShown;
}

StampSchedule MakeStampSchedule(const StampStyle& style, uint32_t framesPerSecond)
{
    StampSchedule schedule;
    schedule.sceneFrames = SecondsToFrames(style.sceneChangeSeconds, framesPerSecond);
    schedule.dateChangeFrames = SecondsToFrames(style.dateChangeSeconds, framesPerSecond);
    schedule.periodicFrames = SecondsToFrames(style.periodicSeconds, framesPerSecond);
    schedule.periodFrames = SecondsToFrames(style.periodSeconds, framesPerSecond);
    schedule.fadeFrames = std::min(SecondsToFrames(style.fadeSeconds, framesPerSecond), kMaxFadeFrames);
    schedule.fadeFramesSquared = schedule.fadeFrames * schedule.fadeFrames;
    schedule.delayFrames = SecondsToFrames(style.delaySeconds, framesPerSecond);
    return schedule;
}

}  // namespace wuvo
