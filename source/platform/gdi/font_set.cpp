#include "platform/gdi/font_set.h"

#include FT_TRUETYPE_TABLES_H

#include <cmath>

#include "platform/text/utf.h"

namespace wuvo::platform {

namespace {

// The size a description of height 0 gets, as a cell height in pixels.
constexpr int32_t kDefaultCellHeight = 16;
// Weights from this value on are bold; a lighter face is emboldened for them.
constexpr int32_t kBoldWeight = 600;
// Family asked for when the description names none.
constexpr char kDefaultFamily[] = "sans-serif";

int32_t RoundToInt(double value) { return static_cast<int32_t>(std::lround(value)); }

struct VerticalExtent {
    double ascent;  // font units
    double descent;
};

// Ascent and descent as the classic desktop text metrics take them: from the
// OS/2 table's Windows values where present.
VerticalExtent FaceExtent(FT_Face face)
{
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0)
        return {static_cast<double>(os2->usWinAscent), static_cast<double>(os2->usWinDescent)};
    return {static_cast<double>(face->ascender), static_cast<double>(-face->descender)};
}

// Em size in pixels for a description's height on this face.
double EmPixels(FT_Face face, int32_t height)
{
    if (height < 0)
        return -static_cast<double>(height);
    const double cell = height > 0 ? height : kDefaultCellHeight;
    const VerticalExtent extent = FaceExtent(face);
    const double units = extent.ascent + extent.descent;
    return units > 0 ? cell * face->units_per_EM / units : cell;
}

}  // namespace

FontSet::~FontSet()
{
    ClearCandidates();
    for (auto& [key, open] : faces_)
        FT_Done_Face(open.face);
}

void FontSet::ClearCandidates()
{
    for (Candidate& candidate : candidates_)
        FcCharSetDestroy(candidate.charset);
    candidates_.clear();
    primary_ = {};
}

bool FontSet::CollectCandidates(const FontDescription& font)
{
    FcPattern* pattern = FcPatternCreate();
    const std::string family = font.faceName.empty() ? kDefaultFamily : ToUtf8(font.faceName);
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(font.weight));
    FcPatternAddInteger(pattern, FC_SLANT, font.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);

    FcResult result = FcResultNoMatch;
    FcFontSet* sorted = FcFontSort(nullptr, pattern, FcTrue, nullptr, &result);
    for (int i = 0; sorted != nullptr && i < sorted->nfont; ++i) {
        FcChar8* file = nullptr;
        if (FcPatternGetString(sorted->fonts[i], FC_FILE, 0, &file) != FcResultMatch)
            continue;
        Candidate candidate;
        candidate.file = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(sorted->fonts[i], FC_INDEX, 0, &candidate.index);
        FcCharSet* charset = nullptr;
        if (FcPatternGetCharSet(sorted->fonts[i], FC_CHARSET, 0, &charset) == FcResultMatch)
            candidate.charset = FcCharSetCopy(charset);
        int weight = FC_WEIGHT_REGULAR;
        int slant = FC_SLANT_ROMAN;
        FcPatternGetInteger(sorted->fonts[i], FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(sorted->fonts[i], FC_SLANT, 0, &slant);
        candidate.emboldened = font.weight >= kBoldWeight && weight < FC_WEIGHT_DEMIBOLD;
        candidate.slanted = font.italic && slant == FC_SLANT_ROMAN;
        candidates_.push_back(std::move(candidate));
    }
    if (sorted != nullptr)
        FcFontSetDestroy(sorted);
    FcPatternDestroy(pattern);
    return !candidates_.empty();
}

FontSet::OpenFace* FontSet::Open(const Candidate& candidate)
{
    const auto key = std::make_pair(candidate.file, candidate.index);
    auto found = faces_.find(key);
    if (found != faces_.end())
        return &found->second;
    FT_Face face = nullptr;
    if (FT_New_Face(library_, candidate.file.c_str(), candidate.index, &face) != 0)
        return nullptr;
    return &faces_.emplace(key, OpenFace{face, 0}).first->second;
}

FT_Face FontSet::OpenSized(const Candidate& candidate)
{
    OpenFace* open = Open(candidate);
    if (open == nullptr)
        return nullptr;
    if (open->emSize != emSize_ || open->emWidth != emWidth_) {
        if (FT_Set_Char_Size(open->face, emWidth_, emSize_, 0, 0) != 0)
            return nullptr;
        open->emSize = emSize_;
        open->emWidth = emWidth_;
    }
    return open->face;
}

GlyphSource FontSet::SourceOf(const Candidate& candidate, FT_Face face, FT_UInt index)
{
    return {face, index, candidate.emboldened, candidate.slanted};
}

bool FontSet::Select(const FontDescription& font)
{
    ClearCandidates();
    if (!CollectCandidates(font))
        return false;
    // The first candidate that opens is the font; its tables give the size.
    while (!candidates_.empty()) {
        OpenFace* open = Open(candidates_.front());
        if (open != nullptr && FT_IS_SCALABLE(open->face)) {
            const double em = EmPixels(open->face, font.height);
            emSize_ = static_cast<FT_F26Dot6>(std::lround(em * 64));
            emWidth_ = static_cast<FT_F26Dot6>(std::lround(em * font.widthScale * 64));
            FT_Face face = OpenSized(candidates_.front());
            if (face == nullptr)
                return false;
            primary_ = SourceOf(candidates_.front(), face, 0);
            const VerticalExtent extent = FaceExtent(face);
            const double scale = em / face->units_per_EM;
            metrics_.ascent = RoundToInt(extent.ascent * scale);
            metrics_.descent = RoundToInt(extent.descent * scale);
            metrics_.height = metrics_.ascent + metrics_.descent;
            metrics_.italic = font.italic;
            return true;
        }
        FcCharSetDestroy(candidates_.front().charset);
        candidates_.erase(candidates_.begin());
    }
    return false;
}

GlyphSource FontSet::Find(char32_t c)
{
    if (primary_.face == nullptr)
        return {};
    if (FT_UInt index = FT_Get_Char_Index(primary_.face, c); index != 0) {
        GlyphSource source = primary_;
        source.index = index;
        return source;
    }
    for (size_t i = 1; i < candidates_.size(); ++i) {
        const Candidate& candidate = candidates_[i];
        if (candidate.charset == nullptr || !FcCharSetHasChar(candidate.charset, c))
            continue;
        FT_Face face = OpenSized(candidate);
        if (face == nullptr)
            continue;
        if (FT_UInt index = FT_Get_Char_Index(face, c); index != 0)
            return SourceOf(candidate, face, index);
    }
    return primary_;
}

}  // namespace wuvo::platform
