#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace wuvo {

// A decoder handed every sample of the stream, edit list or not, shows each
// picture once, in presentation order. The clip as players show it is the
// edit list's choice among those pictures: this numbers the chosen ones as
// the clip's frames.
class ShownPictures {
public:
    // `ranks`: per frame, its sample's place in presentation order. False
    // when the edit list shows a sample twice or out of its order, which
    // pictures shown once each, in order, cannot give.
    bool Select(std::vector<uint32_t> ranks);
    // The frame that the decoder's `picture`-th shown picture is; none when
    // the edit list hides it.
    std::optional<uint32_t> FrameOf(uint32_t picture) const;
    // Whether the edit list hides any of the stream's `samples` pictures.
    bool HidesAny(uint32_t samples) const;

private:
    std::vector<uint32_t> ranks_;
};

}  // namespace wuvo
