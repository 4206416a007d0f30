#pragma once

#include <cstdint>

#include "engine/media/decoder_callbacks.h"
#include "platform/media/source_reader.h"

namespace wuvo {

// Where decoded pictures go: the pool, through the callbacks, at the size
// the reader decodes to.
struct DecodeTarget {
    const DecoderCallbacks& callbacks;
    uint32_t width;
    uint32_t height;
};

// Every frame the container reader lists (its edit list shown), in order,
// each from its own picture, from a reader opened on the video track with
// edit lists ignored. A picture the decoder leaves out leaves its frame
// out. kDecodeOk at the end or on a stop; kDecodeFailed when the file
// cannot be decoded or a frame does not fit; kDecodeOutOfOrder when the
// decoder gives a picture after the frames around it had to go on without
// it.
uint32_t DecodeTrackFrames(platform::SourceReader& reader, const DecodeTarget& target);

// The preview's one frame, callbacks.startFrame: its own picture, or where
// the decoder leaves that out, as players show it, the picture of the last
// frame before it that has one (before the first such frame, the first
// picture shown).
uint32_t DecodeOneFrame(platform::SourceReader& reader, const DecodeTarget& target);

}  // namespace wuvo
