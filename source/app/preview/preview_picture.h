#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/preview/preview_geometry.h"
#include "platform/media/colour_description.h"

// The preview's pictures: a frame converted from I420 to RGB, the pattern
// shown before the first frame, and the view composed from either.
namespace wuvo {

struct PictureSize {
    uint32_t width = 0;
    uint32_t height = 0;
};

// The largest picture of each layout: an upright video's, and a video
// turned by a quarter (a phone held upright).
constexpr PictureSize kLandscapePicture{4096, 2176};
constexpr PictureSize kPortraitPicture{2176, 4096};

// Packed 8-bit RGB rows of width * 3 bytes, as the toolkit's images hold them.
struct RgbPicture {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> pixels;

    RgbPicture() = default;
    RgbPicture(uint32_t w, uint32_t h) : width(w), height(h), pixels(size_t{w} * h * 3) {}
    uint8_t* At(uint32_t x, uint32_t y) { return &pixels[(size_t{y} * width + x) * 3]; }
    const uint8_t* At(uint32_t x, uint32_t y) const { return &pixels[(size_t{y} * width + x) * 3]; }
};

// Bytes of a packed I420 frame: Y of w x h, then U and V of w/2 x h/2.
constexpr size_t I420Bytes(uint32_t width, uint32_t height)
{
    return size_t{width} * height + 2 * (size_t{width / 2} * (height / 2));
}

// Converts a packed limited-range I420 frame, as the decoder delivers every
// picture, with the matrix its colour description names, BT.709 or BT.601;
// without one of them, BT.709 from HD sizes on and BT.601 below, as players
// guess. Each channel is rounded and clamped to 0..255.
RgbPicture ConvertI420ToRgb(const uint8_t* frame, uint32_t width, uint32_t height,
                            const platform::ColourDescription& colour);

// The size players show a picture of width x height at, whose pixels are
// `pixelAspect` times as wide as high: widened, or made taller for narrow
// pixels; where that leaves the layout's `room`, the other side shrinks.
PictureSize ShownPictureSize(uint32_t width, uint32_t height, float pixelAspect, PictureSize room);

// The picture stretched to `size`, each pixel the average of what it covers.
RgbPicture StretchPicture(const RgbPicture& picture, PictureSize size);

// The picture shown before the first frame is converted: red 0, green
// rising downwards and blue rising to the right across the landscape room.
RgbPicture MakeStartPattern(uint32_t width, uint32_t height);

// The grey of the bars around a picture that does not fill the view.
constexpr uint8_t kBarGrey = 128;

// Composes a view of vw x vh by the plan: grey, then the picture's source
// rectangle, averaged over each target pixel's area when scaled. Parts of
// the source outside the picture stay grey.
RgbPicture ComposeView(const RgbPicture& picture, const ViewPlan& plan, uint32_t viewWidth, uint32_t viewHeight);

}  // namespace wuvo
