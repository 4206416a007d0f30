#include "app/layout/control_anchors.h"

#include <algorithm>

namespace wuvo {

std::optional<ControlAnchors::Shift> ControlAnchors::Resize(int width, int height)
{
    if (!seen_) {
        seen_ = true;
        firstWidth_ = appliedWidth_ = width;
        firstHeight_ = appliedHeight_ = height;
        return std::nullopt;
    }
    int newHeight = std::max(height, firstHeight_);
    int newWidth = std::max(width, firstWidth_);
    Shift shift{newWidth - appliedWidth_, newHeight - appliedHeight_};
    appliedWidth_ = newWidth;
    appliedHeight_ = newHeight;
    return shift;
}

}  // namespace wuvo
