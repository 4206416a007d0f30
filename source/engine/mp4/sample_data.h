#pragma once

#include <cstdint>

#include "engine/mp4/track.h"

namespace wuvo {

// How many of the track's samples lie whole inside a file of `fileSize`
// bytes, where its chunk offset, sample-to-chunk and size tables place them.
// A sample that no chunk holds counts as missing.
uint32_t SamplesInFile(const Mp4Track& track, uint64_t fileSize);

// Whether the decoder can have the whole sound track: a time scale, and
// every sample's data inside the file.
bool SoundDataInFile(const Mp4Track& sound, uint64_t fileSize);

}  // namespace wuvo
