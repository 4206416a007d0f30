#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <fontconfig/fontconfig.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/gdi/text_renderer.h"

namespace wuvo::platform {

// Where one character's glyph comes from, with the styles the face lacks and
// that are therefore synthesised.
struct GlyphSource {
    FT_Face face = nullptr;
    FT_UInt index = 0;
    bool emboldened = false;
    bool slanted = false;
};

// The faces that serve one font description: fontconfig's best match first
// (an uninstalled face name falls back as fontconfig's rules say), then the
// further faces that fontconfig ranks for the characters the first one lacks.
// Faces are opened on first use and kept for later descriptions.
class FontSet {
public:
    explicit FontSet(FT_Library library) : library_(library) {}
    ~FontSet();
    FontSet(const FontSet&) = delete;
    FontSet& operator=(const FontSet&) = delete;

    bool Select(const FontDescription& font);
    // The face for c: the first candidate that has it, else the first
    // candidate's missing-glyph shape.
    GlyphSource Find(char32_t c);
    TextMetrics Metrics() const { return metrics_; }
    FT_Face PrimaryFace() const { return primary_.face; }

private:
    struct Candidate {
        std::string file;
        int index = 0;
        FcCharSet* charset = nullptr;  // our reference
        bool emboldened = false;
        bool slanted = false;
    };
    struct OpenFace {
        FT_Face face = nullptr;
        FT_F26Dot6 emSize = 0;  // the size last set on it
        FT_F26Dot6 emWidth = 0;
    };

    void ClearCandidates();
    bool CollectCandidates(const FontDescription& font);
    // The candidate's face at the current size, or null when it cannot be opened.
    FT_Face OpenSized(const Candidate& candidate);
    OpenFace* Open(const Candidate& candidate);
    static GlyphSource SourceOf(const Candidate& candidate, FT_Face face, FT_UInt index);

    FT_Library library_;
    std::vector<Candidate> candidates_;
    std::map<std::pair<std::string, int>, OpenFace> faces_;
    GlyphSource primary_;
    FT_F26Dot6 emSize_ = 0;
    FT_F26Dot6 emWidth_ = 0;  // the em's width; narrower or wider for a scaled width
    TextMetrics metrics_;
};

}  // namespace wuvo::platform
