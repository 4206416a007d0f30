#pragma once

#include <cstddef>
#include <cstdint>

namespace wuvo {

// The container reader: checks one MP4/MOV file and leaves its movie in
// gParseState. Everything but OpenAndCheckVideo and WidenReaderMessage works
// on the video track of the last successful check.

constexpr int32_t kReaderModeCheck = 0;  // the preview: box buffers are freed after
constexpr int32_t kReaderModeJob = 2;    // the job: box buffers stay for the writer

constexpr int32_t kReaderOk = 0;
constexpr int32_t kReaderNotHevc = -1;
constexpr int32_t kReaderCannotOpen = 1;
constexpr int32_t kReaderScanError = 2;
constexpr int32_t kReaderNotMp4 = 3;
constexpr int32_t kReaderMoovError = 4;

// Messages and widened reader errors are UTF-16 buffers of this many units.
constexpr size_t kReaderMessageLength = 256;

// One of the kReader* results; `message` (kReaderMessageLength units) is
// written only when the result is not kReaderOk.
int32_t OpenAndCheckVideo(const char16_t* path, int32_t mode, char16_t* message);

// Walks the body of a moov box into gParseState. 0, or -1 when an H.264
// sample entry was met. Throws std::logic_error naming the malformed box.
int32_t ParseMoovBoxes(int32_t mode, uint32_t bodyLength, const uint8_t* body);

// Chooses the video track (the first enabled one, else the first) and the
// sound track (the first) and derives from the video track the frames its
// edit list shows with their sample times and sync frames, the time scale,
// the average sample delta and the GOP length, and the pieces of the sound
// track that its edit list shows. Throws std::logic_error ("elst") when the
// edit list shows no frame, and a ReaderRefusal when it shows far more
// than any clip holds.
void FinishTracks();

// First and last date from the movie header fields of gParseState.
int32_t ReadDateCode();

uint32_t FindSyncFrame(uint32_t frame);
uint32_t StepSyncForward(uint32_t frame, int32_t steps);
uint32_t StepSyncBackward(uint32_t frame, int32_t steps);
// The frames the edit list shows of the video track.
uint32_t GetVideoFrameCount();

// A reader error's narrow text as UTF-16, one unit per byte, into a
// zero-filled buffer of kReaderMessageLength units.
void WidenReaderMessage(const char* text, char16_t* wide);

}  // namespace wuvo
