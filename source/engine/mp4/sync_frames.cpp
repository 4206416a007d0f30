#include <vector>

#include "engine/mp4/reader.h"
#include "engine/pipeline/shared_objects.h"
#include "engine/mp4/parse_state.h"

namespace wuvo {

namespace {

// With fewer sync samples than this, every frame counts as a sync frame.
constexpr size_t kListedSyncMinimum = 2;

// The sync samples as the frames that show them.
const std::vector<uint32_t>& SyncSamples()
{
    return gParseState->syncFrames;
}

uint32_t ClampToFrames(int64_t frame)
{
    int64_t last = int64_t{GetVideoFrameCount()} - 1;
    if (frame > last)
        frame = last;
    return frame < 0 ? 0 : static_cast<uint32_t>(frame);
}

// Index of the first sync sample at or after `frame`, or -1.
int64_t FirstSyncAtOrAfter(const std::vector<uint32_t>& sync, uint32_t frame)
{
    for (size_t i = 0; i < sync.size(); ++i)
        if (sync[i] >= frame)
            return static_cast<int64_t>(i);
    return -1;
}

// Index of the last sync sample at or before `frame`, or -1.
int64_t LastSyncAtOrBefore(const std::vector<uint32_t>& sync, uint32_t frame)
{
    int64_t found = -1;
    for (size_t i = 0; i < sync.size(); ++i)
        if (sync[i] <= frame)
            found = static_cast<int64_t>(i);
    return found;
}

}  // namespace

// A trimmed clip may start before its first sync sample; its first shown
// frame, which the preview always can show, stands for the frames before it.
// Past the last sync sample that one stays, as a step forward does.
uint32_t FindSyncFrame(uint32_t frame)
{
    const std::vector<uint32_t>& sync = SyncSamples();
    if (sync.size() < kListedSyncMinimum)
        return frame;
    if (frame < sync[0])
        return 0;
    int64_t i = FirstSyncAtOrAfter(sync, frame);
    return i < 0 ? sync.back() : sync[i];
}

uint32_t StepSyncForward(uint32_t frame, int32_t steps)
{
    const std::vector<uint32_t>& sync = SyncSamples();
    if (sync.size() < kListedSyncMinimum)
        return ClampToFrames(int64_t{frame} + steps);
    int64_t i = FirstSyncAtOrAfter(sync, frame);
    if (i < 0)
        return 0;
    // From a frame between sync samples the next one is the first step.
    int64_t target = i + steps - (sync[i] > frame ? 1 : 0);
    // A step past the last sync sample stays where it is.
    bool inside = target >= 0 && target < static_cast<int64_t>(sync.size());
    return inside ? sync[target] : sync[i];
}

uint32_t StepSyncBackward(uint32_t frame, int32_t steps)
{
    const std::vector<uint32_t>& sync = SyncSamples();
    if (sync.size() < kListedSyncMinimum)
        return int64_t{frame} > steps ? ClampToFrames(int64_t{frame} - steps) : 0;
    // Back past the first listed sync sample is the first shown frame.
    int64_t i = LastSyncAtOrBefore(sync, frame);
    int64_t target = i - steps;
    if (i < 0 || target < 0)
        return 0;
    return target < static_cast<int64_t>(sync.size()) ? sync[target] : sync[i];
}

}  // namespace wuvo
