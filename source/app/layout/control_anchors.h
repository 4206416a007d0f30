#pragma once

#include <optional>

namespace wuvo {

// How far the main window's anchored controls move when it is resized: the
// preview's controls and the stamp panels move down with its height, the
// file list's side moves right with its width. The window may grow but its
// controls never move above or left of where the template puts them.
class ControlAnchors {
public:
    struct Shift {
        int dx;
        int dy;
    };
    // The first size seen is the template's; it moves nothing.
    std::optional<Shift> Resize(int width, int height);

private:
    bool seen_ = false;
    int firstWidth_ = 0;
    int firstHeight_ = 0;
    int appliedWidth_ = 0;
    int appliedHeight_ = 0;
};

}  // namespace wuvo
