#include "app/preview/preview_picture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace wuvo {

namespace {

constexpr int kChromaZero = 128;
constexpr int kChannelMax = 255;
constexpr size_t kChannels = 3;

// Limited range: luma runs from 16 to 235, chroma spans 224 steps.
constexpr int kLumaBlack = 16;
constexpr double kLumaScale = 255.0 / 219.0;
constexpr double kChromaScale = 255.0 / 224.0;
constexpr size_t kLevels = 256;

// The luma weights of red and blue.
struct LumaWeights {
    double red;
    double blue;
};
constexpr LumaWeights kBt709{0.2126, 0.0722};
constexpr LumaWeights kBt601{0.299, 0.114};

// Each channel's share of a chroma sample's distance from neutral.
struct ChromaFactors {
    double redFromV;
    double greenFromU;
    double greenFromV;
    double blueFromU;
};

// Channels are summed in fixed point with 21 fraction bits: the sums stay
// below 1024 in magnitude, so they fit 32 bits, and every level comes out
// as the exact conversion rounds it (with 20, a few BT.601 ones would not).
constexpr int kFixedBits = 21;
constexpr int32_t kFixedHalf = 1 << (kFixedBits - 1);

// Each plane's share of the channels by sample level, in fixed point; the
// luma's carries the half that rounds the sum.
struct ConversionTables {
    std::array<int32_t, kLevels> luma;
    std::array<int32_t, kLevels> redFromV;
    std::array<int32_t, kLevels> greenFromU;
    std::array<int32_t, kLevels> greenFromV;
    std::array<int32_t, kLevels> blueFromU;
};

// The start pattern spreads its ramps over the landscape room.
constexpr uint32_t kRampSteps = 255;

// Area weights of the scaled view are fixed-point with 12 fraction bits; the
// rows between the two passes keep 8 of them.
constexpr uint32_t kWeightBits = 12;
constexpr uint32_t kWeightOne = 1u << kWeightBits;
constexpr uint32_t kRowBits = 8;
constexpr uint32_t kRowShift = kWeightBits - kRowBits;
constexpr uint32_t kColumnShift = kWeightBits + kRowBits;

// The parts of a channel that depend on the chroma of one 2 x 2 block.
struct ChromaTerms {
    int32_t red = 0;
    int32_t green = 0;
    int32_t blue = 0;
};

int32_t Fixed(double value)
{
    return static_cast<int32_t>(std::lround(std::ldexp(value, kFixedBits)));
}

uint8_t Channel(int32_t sum)
{
    return static_cast<uint8_t>(std::clamp(sum >> kFixedBits, 0, kChannelMax));
}

ChromaFactors FactorsOf(LumaWeights w)
{
    const double green = 1.0 - w.red - w.blue;
    return {kChromaScale * 2 * (1 - w.red), kChromaScale * 2 * w.blue * (1 - w.blue) / green,
            kChromaScale * 2 * w.red * (1 - w.red) / green, kChromaScale * 2 * (1 - w.blue)};
}

ConversionTables TablesOf(LumaWeights weights)
{
    const ChromaFactors f = FactorsOf(weights);
    ConversionTables tables;
    for (size_t level = 0; level < kLevels; ++level) {
        const int luma = static_cast<int>(level) - kLumaBlack;
        const int chroma = static_cast<int>(level) - kChromaZero;
        tables.luma[level] = Fixed(kLumaScale * luma) + kFixedHalf;
        tables.redFromV[level] = Fixed(f.redFromV * chroma);
        tables.greenFromU[level] = Fixed(f.greenFromU * chroma);
        tables.greenFromV[level] = Fixed(f.greenFromV * chroma);
        tables.blueFromU[level] = Fixed(f.blueFromU * chroma);
    }
    return tables;
}

const ConversionTables& TablesFor(const platform::ColourDescription& colour, uint32_t width, uint32_t height)
{
    static const ConversionTables bt709 = TablesOf(kBt709);
    static const ConversionTables bt601 = TablesOf(kBt601);
    switch (colour.matrix) {
    case platform::kMatrixBt709: return bt709;
    case platform::kMatrixBt470bg:
    case platform::kMatrixSmpte170m: return bt601;
    default: return platform::GuessedMatrix(width, height) == platform::kMatrixBt709 ? bt709 : bt601;
    }
}

void ChromaRow(const uint8_t* u, const uint8_t* v, const ConversionTables& t, std::vector<ChromaTerms>& terms)
{
    for (size_t i = 0; i < terms.size(); ++i)
        terms[i] = {t.redFromV[v[i]], t.greenFromU[u[i]] + t.greenFromV[v[i]], t.blueFromU[u[i]]};
}

void ConvertPixel(int32_t luma, const ChromaTerms& c, uint8_t* out)
{
    out[0] = Channel(luma + c.red);
    out[1] = Channel(luma - c.green);
    out[2] = Channel(luma + c.blue);
}

// Two pixels share each chroma sample; an odd last one takes the last.
void ConvertRow(const uint8_t* luma, const std::vector<ChromaTerms>& terms, uint32_t width, const ConversionTables& t,
                uint8_t* out)
{
    const uint32_t pairs = std::min<uint32_t>(width / 2, static_cast<uint32_t>(terms.size()));
    for (uint32_t i = 0; i < pairs; ++i, luma += 2, out += 2 * kChannels) {
        ConvertPixel(t.luma[luma[0]], terms[i], out);
        ConvertPixel(t.luma[luma[1]], terms[i], out + kChannels);
    }
    for (uint32_t x = 2 * pairs; x < width; ++x, ++luma, out += kChannels)
        ConvertPixel(t.luma[luma[0]], terms.back(), out);
}

// Which source pixels make up each target pixel along one axis, and with
// what share of its area. Source pixels outside the picture are left out.
struct AxisTaps {
    std::vector<int32_t> first;    // per target pixel: its first source pixel
    std::vector<uint32_t> offset;  // per target pixel: where its weights start; one more at the end
    std::vector<uint32_t> weights;
};

AxisTaps AreaTaps(int32_t start, int32_t sourceLength, int32_t targetLength, int32_t pictureLength)
{
    AxisTaps taps;
    const int64_t s = sourceLength;
    const int64_t t = targetLength;
    taps.offset.push_back(0);
    for (int64_t i = 0; i < t; ++i) {
        // In units of 1/t pixel: the target pixel spans [i*s, (i+1)*s).
        const int64_t begin = i * s;
        const int64_t end = begin + s;
        const int64_t firstSource = begin / t;
        uint32_t given = 0;
        taps.first.push_back(static_cast<int32_t>(start + firstSource));
        for (int64_t j = firstSource; j * t < end; ++j) {
            const int64_t overlap = std::min((j + 1) * t, end) - std::max(j * t, begin);
            auto weight = static_cast<uint32_t>(overlap * kWeightOne / s);
            if ((j + 1) * t >= end)
                weight = kWeightOne - given;  // the rounding remainder goes to the last
            given += weight;
            const int64_t source = start + j;
            taps.weights.push_back(source >= 0 && source < pictureLength ? weight : 0);
        }
        taps.offset.push_back(static_cast<uint32_t>(taps.weights.size()));
    }
    return taps;
}

void FillRect(RgbPicture& view, const PixelRect& rect, uint8_t grey)
{
    const int32_t left = std::max(rect.x, 0);
    const int32_t right = std::min(rect.x + rect.width, static_cast<int32_t>(view.width));
    const int32_t top = std::max(rect.y, 0);
    const int32_t bottom = std::min(rect.y + rect.height, static_cast<int32_t>(view.height));
    for (int32_t y = top; y < bottom && left < right; ++y)
        std::memset(view.At(static_cast<uint32_t>(left), static_cast<uint32_t>(y)), grey,
                    static_cast<size_t>(right - left) * kChannels);
}

// Copies source to target pixel for pixel, the parts inside both pictures.
void CopyRect(const RgbPicture& picture, const PixelRect& source, RgbPicture& view, const PixelRect& target)
{
    const int32_t from = std::max({0, -source.x, -target.x});
    const int32_t to = std::min({source.width, static_cast<int32_t>(picture.width) - source.x,
                                 static_cast<int32_t>(view.width) - target.x});
    for (int32_t row = 0; row < source.height && from < to; ++row) {
        const int32_t sy = source.y + row;
        const int32_t ty = target.y + row;
        if (sy < 0 || ty < 0 || sy >= static_cast<int32_t>(picture.height) || ty >= static_cast<int32_t>(view.height))
            continue;
        std::memcpy(view.At(static_cast<uint32_t>(target.x + from), static_cast<uint32_t>(ty)),
                    picture.At(static_cast<uint32_t>(source.x + from), static_cast<uint32_t>(sy)),
                    static_cast<size_t>(to - from) * kChannels);
    }
}

// The source rows scaled to the target width, 8 fraction bits kept.
std::vector<uint16_t> ScaleRows(const RgbPicture& picture, const PixelRect& source, const AxisTaps& columns,
                                int32_t targetWidth)
{
    std::vector<uint16_t> rows(static_cast<size_t>(source.height) * static_cast<size_t>(targetWidth) * kChannels);
    for (int32_t row = 0; row < source.height; ++row) {
        const int32_t sy = source.y + row;
        if (sy < 0 || sy >= static_cast<int32_t>(picture.height))
            continue;
        uint16_t* out = &rows[static_cast<size_t>(row) * static_cast<size_t>(targetWidth) * kChannels];
        for (int32_t x = 0; x < targetWidth; ++x, out += kChannels) {
            uint32_t sum[kChannels] = {};
            int32_t sx = columns.first[static_cast<size_t>(x)];
            for (uint32_t k = columns.offset[static_cast<size_t>(x)]; k < columns.offset[static_cast<size_t>(x) + 1];
                 ++k, ++sx) {
                const uint32_t weight = columns.weights[k];
                if (weight == 0)
                    continue;
                const uint8_t* pixel = picture.At(static_cast<uint32_t>(sx), static_cast<uint32_t>(sy));
                for (size_t c = 0; c < kChannels; ++c)
                    sum[c] += pixel[c] * weight;
            }
            for (size_t c = 0; c < kChannels; ++c)
                out[c] = static_cast<uint16_t>((sum[c] + (1u << (kRowShift - 1))) >> kRowShift);
        }
    }
    return rows;
}

// Averages each target pixel over the area of the source it covers.
void ScaleRect(const RgbPicture& picture, const PixelRect& source, RgbPicture& view, const PixelRect& target)
{
    const AxisTaps columns = AreaTaps(source.x, source.width, target.width, static_cast<int32_t>(picture.width));
    const AxisTaps lines = AreaTaps(source.y, source.height, target.height, static_cast<int32_t>(picture.height));
    const std::vector<uint16_t> rows = ScaleRows(picture, source, columns, target.width);
    const size_t rowLength = static_cast<size_t>(target.width) * kChannels;
    for (int32_t y = 0; y < target.height; ++y) {
        const int32_t ty = target.y + y;
        if (ty < 0 || ty >= static_cast<int32_t>(view.height))
            continue;
        for (int32_t x = 0; x < target.width; ++x) {
            const int32_t tx = target.x + x;
            if (tx < 0 || tx >= static_cast<int32_t>(view.width))
                continue;
            uint32_t sum[kChannels] = {};
            size_t row = static_cast<size_t>(lines.first[static_cast<size_t>(y)] - source.y);
            for (uint32_t k = lines.offset[static_cast<size_t>(y)]; k < lines.offset[static_cast<size_t>(y) + 1];
                 ++k, ++row) {
                const uint16_t* in = &rows[row * rowLength + static_cast<size_t>(x) * kChannels];
                for (size_t c = 0; c < kChannels; ++c)
                    sum[c] += in[c] * lines.weights[k];
            }
            uint8_t* out = view.At(static_cast<uint32_t>(tx), static_cast<uint32_t>(ty));
            for (size_t c = 0; c < kChannels; ++c)
                out[c] = static_cast<uint8_t>(
                    std::min<uint32_t>((sum[c] + (1u << (kColumnShift - 1))) >> kColumnShift, kChannelMax));
        }
    }
}

}  // namespace

RgbPicture ConvertI420ToRgb(const uint8_t* frame, uint32_t width, uint32_t height,
                            const platform::ColourDescription& colour)
{
    RgbPicture picture(width, height);
    if (width == 0 || height == 0)
        return picture;
    const uint32_t chromaWidth = width / 2;
    const uint32_t chromaHeight = height / 2;
    const uint8_t* u = frame + size_t{width} * height;
    const uint8_t* v = u + size_t{chromaWidth} * chromaHeight;
    // A frame one pixel wide or high has no chroma: it shows grey.
    const bool hasChroma = chromaWidth > 0 && chromaHeight > 0;
    const ConversionTables& tables = TablesFor(colour, width, height);
    std::vector<ChromaTerms> terms(std::max<uint32_t>(chromaWidth, 1));
    uint32_t termsRow = ~0u;
    for (uint32_t y = 0; y < height; ++y) {
        // An odd last row or column takes the chroma of the one before.
        const uint32_t chromaRow = hasChroma ? std::min(y / 2, chromaHeight - 1) : 0;
        if (hasChroma && chromaRow != termsRow) {
            ChromaRow(u + size_t{chromaRow} * chromaWidth, v + size_t{chromaRow} * chromaWidth, tables, terms);
            termsRow = chromaRow;
        }
        ConvertRow(frame + size_t{y} * width, terms, width, tables, picture.At(0, y));
    }
    return picture;
}

PictureSize ShownPictureSize(uint32_t width, uint32_t height, float pixelAspect, PictureSize room)
{
    const auto widened = static_cast<uint32_t>(std::max(1L, std::lround(width * double{pixelAspect})));
    const auto narrowed = static_cast<uint32_t>(std::max(1L, std::lround(height / double{pixelAspect})));
    if (pixelAspect > 1.0f)
        return widened <= std::max(room.width, width) ? PictureSize{widened, height} : PictureSize{width, narrowed};
    if (pixelAspect < 1.0f)
        return narrowed <= std::max(room.height, height) ? PictureSize{width, narrowed} : PictureSize{widened, height};
    return {width, height};
}

RgbPicture StretchPicture(const RgbPicture& picture, PictureSize size)
{
    const PixelRect source{0, 0, static_cast<int32_t>(picture.width), static_cast<int32_t>(picture.height)};
    const PixelRect target{0, 0, static_cast<int32_t>(size.width), static_cast<int32_t>(size.height)};
    return ComposeView(picture, {{}, source, target}, size.width, size.height);
}

RgbPicture MakeStartPattern(uint32_t width, uint32_t height)
{
    RgbPicture picture(width, height);
    for (uint32_t y = 0; y < height; ++y) {
        const auto green = static_cast<uint8_t>(std::min(y * kRampSteps / (kLandscapePicture.height - 1), kRampSteps));
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t* pixel = picture.At(x, y);
            pixel[1] = green;
            pixel[2] = static_cast<uint8_t>(std::min(x * kRampSteps / (kLandscapePicture.width - 1), kRampSteps));
        }
    }
    return picture;
}

RgbPicture ComposeView(const RgbPicture& picture, const ViewPlan& plan, uint32_t viewWidth, uint32_t viewHeight)
{
    RgbPicture view(viewWidth, viewHeight);
    for (const PixelRect& fill : plan.fills)
        FillRect(view, fill, kBarGrey);
    const PixelRect& source = plan.source;
    const PixelRect& target = plan.target;
    if (source.width <= 0 || source.height <= 0 || target.width <= 0 || target.height <= 0)
        return view;
    if (source.width == target.width && source.height == target.height)
        CopyRect(picture, source, view, target);
    else
        ScaleRect(picture, source, view, target);
    return view;
}

}  // namespace wuvo
