#pragma once

#include <cstdint>

#include "engine/job/stamp_job.h"
#include "engine/media/decoder_callbacks.h"
#include "platform/media/plane_rotation.h"
#include "platform/media/source_reader.h"

namespace wuvo {

constexpr uint32_t kDecodeOk = 0;
constexpr uint32_t kDecodeFailed = 0x80004005;
// The decoder gave a picture after the frames around it had gone on without
// it: the frames cannot be given in their order.
constexpr uint32_t kDecodeOutOfOrder = 0x8000FFFF;

// Rotation directions of GetVideoRotation: the turn the encoder's output
// carries (0) and the one its input frames carry (1).
constexpr int kRotationOfOutput = 0;
constexpr int kRotationOfInput = 1;

// Whether HEVC can be decoded and encoded, and AAC encoded.
bool IsHevcCodecAvailable();

// Opens `path` (UTF-16) on the tracks the container reader chose for the
// file: its video track and its sound track, or no audio without one.
bool OpenReaderOnTracks(platform::SourceReader& reader, const char16_t* path,
                        platform::EditLists edits = platform::EditLists::Applied);

// Selects the reader's first video and audio streams as wanted and has them
// decoded to I420 and 16-bit PCM. An audio stream that cannot be decoded is
// deselected. The result is that of the last wanted stream.
bool ConfigureReaderStreams(platform::SourceReader& reader, bool wantVideo, bool wantAudio);

// How the video track's matrix turns the stored pictures to show them:
// none without a track.
platform::PictureTurn GetVideoTurn();

// 0, 90, 180 or 270 from the video track's matrix, the turn that follows a
// mirror where the matrix mirrors; `swapped` tells whether the picture is
// turned by a quarter.
uint32_t GetVideoRotation(int direction, bool* swapped);

// Fills the job's source description, the pool's frame size and rate and
// how its pictures are shown, and the output size: the native one, or the
// source's shape as it is shown, inside the one asked for turned that way.
// Ends early, leaving later fields as they were, when the file cannot be
// read.
void ProbeInputWithMf(StampJob& job);

// Decodes the file's video into the pool through the callbacks: the frames
// the container reader lists (its edit list shown), each named by its
// number among them, or with seekFlag frame startFrame alone. A picture the
// decoder leaves out leaves its frame out. kDecodeOk at the end of the
// stream or on a stop; kDecodeFailed when the file cannot be decoded to its
// end or a frame does not fit the pool; kDecodeOutOfOrder as
// DecodeTrackFrames.
uint32_t DecodeWithMf(const char16_t* path, const DecoderCallbacks& callbacks);

}  // namespace wuvo
