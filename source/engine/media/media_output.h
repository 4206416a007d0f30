#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>

#include "engine/job/stamp_job.h"
#include "engine/media/output_timeline.h"
#include "engine/media/shown_sound.h"
#include "platform/media/sink_writer.h"
#include "platform/media/source_reader.h"

namespace wuvo {

// Exit codes of the encode thread besides 0 and the writer's status codes.
constexpr uint32_t kEncodeStoppedBetweenFrames = 12;
constexpr uint32_t kEncodeStoppedWaitingForFrame = 13;

// The encode thread: writes every divisor-th stamped frame of the pool, each
// at its source frame's time divided by the divisor, as HEVC at the job's
// size and bitrate, with the input's whole sound as AAC unless audio is off
// or there is none. The output takes its name only once complete.
uint32_t MfEncodeThreadProc(StampJob& job);

// Creates the job's output file, which keeps the source's recording date;
// when another program holds the file, the job fails saying so.
uint32_t CreateOutputFile(StampJob& job, platform::SinkWriter& writer);

// A kept frame of the pool (every divisor-th), as the output shows it: the
// track frame whose picture it is, and from when until when it shows (100
// ns). It shows until the next kept frame, or after the last, to the
// track's end: a frame whose picture the decoder left out leaves the one
// before it shown longer.
struct KeptFrame {
    uint32_t trackFrame = 0;
    int64_t start = 0;
    int64_t end = 0;
};
// Waits until the decoder has delivered kept frame `frame` and the next
// one, or has ended; none when the encoder is asked to stop first.
std::optional<KeptFrame> WaitForKeptFrame(const OutputTimeline& timeline, uint32_t frame, uint32_t divisor);
// Reports how far into the track the encoder is, once the kept frame is
// written.
void ReportKeptFrameProgress(const StampJob& job, const KeptFrame& kept, uint32_t divisor);

// How far the sound is written after the last picture: whole, since
// players play a file's sound to its end while they hold its last picture.
constexpr int64_t kWholeSound = std::numeric_limits<int64_t>::max();

// The job's sound as its edit list shows it, from the sound track the
// container reader chose; null, with a log line when the file does not
// open, on failure.
std::unique_ptr<ShownSound> OpenAudioInput(StampJob& job);

// Where the picture and the sound start in the output (100 ns): as far
// apart as in the source, where the container reader places the first
// frame and the sound's first piece, the earlier at 0, and sped up with the
// frames. Both at 0 without sound.
struct OutputStarts {
    int64_t video = 0;
    int64_t audio = 0;
};
OutputStarts OutputStartsOf(const ShownSound* sound, uint32_t divisor);

// The output's AAC stream for the input's decoded audio, from `start`.
platform::AudioEncoding AudioEncodingOf(const platform::AudioFormat& format, int64_t start);

// Logs that the job's sound could not be written, and how to stamp the
// picture alone; the writer's failure status.
uint32_t SoundNotWritten(const StampJob& job);

// The rate the encoders budget each frame's bits by: the source's own over
// its whole length, or the job's where the track gives none.
platform::FrameRate EncoderRateOf(const StampJob& job, const OutputTimeline& timeline);

// The size the output's frames are encoded at: the job's target, turned as
// the upright frames are.
void EncodedFrameSize(const StampJob& job, uint32_t* width, uint32_t* height);

// Logs the system's reason when the writer's file could not be written.
void LogWriteError(const StampJob& job, const platform::SinkWriter& writer);

}  // namespace wuvo
