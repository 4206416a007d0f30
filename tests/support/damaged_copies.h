#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Copies of a generated video damaged as a copy that broke off, or a writer
// that failed, leaves them. Where the damage goes is found with ffprobe and a
// walk of the file's own boxes, never with the reader under test.
namespace wuvo::test {

// Where each video packet lies, in file order.
struct PacketSpan {
    uint64_t position = 0;
    uint64_t size = 0;
};
std::vector<PacketSpan> VideoPackets(const std::string& path);

// The first `length` bytes of `source` as `copy`; returns `copy`.
std::string CutCopy(const std::string& source, uint64_t length, const std::string& copy);

enum class VideoDamage {
    Zeroed,      // a decoder meets NAL units of length 0: an error
    Unshowable,  // one NAL unit of a type decoders pass over: no picture, no error
};
// `source` with the data of `count` of its video packets damaged, from
// packet `first` (in file order) on, as `copy`; returns `copy`.
std::string DamagedVideoCopy(const std::string& source, VideoDamage damage, size_t first, const std::string& copy,
                             size_t count = SIZE_MAX);

enum class SoundDamage {
    ChunksPastTheEnd,  // every chunk offset beyond the end of the file
    AbsurdSizes,       // every sample almost 2 GiB long
    NoTimeScale,       // the media header's time scale 0
};
// `source` with its sound track's tables damaged, as `copy`; returns `copy`.
std::string DamagedSoundCopy(const std::string& source, SoundDamage damage, const std::string& copy);

}  // namespace wuvo::test
