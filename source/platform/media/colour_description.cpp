#include "platform/media/colour_description.h"

namespace wuvo::platform {

namespace {

constexpr uint32_t kHdWidth = 1280;
constexpr uint32_t kSdMaxHeight = 576;

// Transfer codes: BT.709's, and BT.601's (SMPTE 170M), the same curve.
constexpr uint32_t kTransferBt709 = 1;
constexpr uint32_t kTransferBt601 = 6;

uint32_t NamedOr(uint32_t code, uint32_t fallback)
{
    return code == ColourDescription::kUnspecified ? fallback : code;
}

}  // namespace

uint32_t GuessedMatrix(uint32_t width, uint32_t height)
{
    return width >= kHdWidth || height > kSdMaxHeight ? kMatrixBt709 : kMatrixSmpte170m;
}

ColourDescription AsPlayersRead(ColourDescription colour, uint32_t width, uint32_t height)
{
    colour.matrix = NamedOr(colour.matrix, GuessedMatrix(width, height));
    switch (colour.matrix) {
    case kMatrixBt709:
    case kMatrixBt470bg:
    case kMatrixSmpte170m:
        // The primaries that go with each of these matrices have its code.
        colour.primaries = NamedOr(colour.primaries, colour.matrix);
        colour.transfer = NamedOr(colour.transfer, colour.matrix == kMatrixBt709 ? kTransferBt709 : kTransferBt601);
        break;
    default:
        break;
    }
    return colour;
}

}  // namespace wuvo::platform
