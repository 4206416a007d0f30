#include "platform/media/decode_times.h"

#include <algorithm>

namespace wuvo::platform {

DecodeTimes::DecodeTimes(int reorderDepth, std::vector<int64_t> closingLengths)
    : reorderDepth_(std::max(reorderDepth, 0)), closingLengths_(std::move(closingLengths))
{
}

void DecodeTimes::Presented(int64_t time, int64_t length)
{
    if (presented_++ == 0) {
        firstTime_ = time;
        // From the last early packet back to the first.
        auto closing = closingLengths_.rbegin();
        int64_t lead = 0;
        for (int i = 0; i < reorderDepth_; ++i) {
            int64_t step = closing != closingLengths_.rend() ? *closing++ : length;
            lead += std::max<int64_t>(step, 1);
            leads_.insert(leads_.begin(), lead);
        }
    }
    waiting_.push(time);
}

std::optional<int64_t> DecodeTimes::Next()
{
    if (packets_ >= presented_)
        return std::nullopt;
    int64_t packet = packets_++;
    if (packet < reorderDepth_)
        return firstTime_ - leads_[static_cast<size_t>(packet)];
    int64_t time = waiting_.top();
    waiting_.pop();
    return time;
}

}  // namespace wuvo::platform
