#include "engine/media/shown_pictures.h"

#include <algorithm>
#include <functional>

namespace wuvo {

bool ShownPictures::Select(std::vector<uint32_t> ranks)
{
    if (std::adjacent_find(ranks.begin(), ranks.end(), std::greater_equal<>()) != ranks.end())
        return false;
    ranks_ = std::move(ranks);
    return true;
}

std::optional<uint32_t> ShownPictures::FrameOf(uint32_t picture) const
{
    auto at = std::lower_bound(ranks_.begin(), ranks_.end(), picture);
    if (at == ranks_.end() || *at != picture)
        return std::nullopt;
    return static_cast<uint32_t>(at - ranks_.begin());
}

bool ShownPictures::HidesAny(uint32_t samples) const
{
    // Rising ranks, each below `samples`, are all of them only when there
    // are as many.
    return ranks_.size() != samples;
}

}  // namespace wuvo
