#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace wuvo {

// Frame `frame` as hours, minutes, seconds and frames at rateNumerator /
// rateDenominator frames per second, each unit rounded to whole frames as a
// single-precision rate gives it. A unit shorter than half a frame (a rate
// below 0.5 fps, or none) counts as 0 and leaves its frames to the next.
struct FrameClockText {
    int64_t hours = 0;
    int64_t minutes = 0;
    int64_t seconds = 0;
    int64_t frames = 0;
};
FrameClockText SplitFrameTime(uint32_t frame, uint32_t rateNumerator, uint32_t rateDenominator);

// What the preview area shows while the status line is about a frame.
enum class FramePicture {
    Shown,     // that frame's picture, or, with no file open, none
    OnItsWay,  // another frame's, until the decode brings this one's
    Missing,   // another frame's: the decode gave none for this one
};

// The status line names only a frame whose picture is shown.
FramePicture PictureOfFrame(uint32_t frame, std::optional<uint32_t> shownFrame, bool requested, bool fileOpen);

// "Frame: %d (%.1f%%) [%d:%02d:%02d:%02d]", at most 49 characters; the
// percentage of `frameCount` is 0 without frames. Without the frame's
// picture it starts "Loading: " or "No picture: " instead.
std::string FrameStatusText(uint32_t frame, int32_t frameCount, uint32_t rateNumerator, uint32_t rateDenominator,
                            FramePicture picture = FramePicture::Shown);

}  // namespace wuvo
