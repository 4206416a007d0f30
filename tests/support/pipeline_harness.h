#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/job/stamp_job.h"

// Drives the engine's media code the way the per-file job does, with a
// stand-in for the stamp thread that marks every decoded frame stamped.
namespace wuvo::test {

// Creates the engine's shared objects for one test and destroys them after.
class SharedObjectsScope {
public:
    SharedObjectsScope();
    ~SharedObjectsScope();
    SharedObjectsScope(const SharedObjectsScope&) = delete;
    SharedObjectsScope& operator=(const SharedObjectsScope&) = delete;
};

// Puts a video track into gParseState as the container reader leaves it:
// header size, frame count and, for a portrait phone video, the matrix of a
// clockwise quarter turn.
void SetVideoTrack(uint32_t width, uint32_t height, uint32_t frameCount, bool quarterTurn);
// Reads the file's movie into gParseState with the container reader, as the
// job's parse thread does.
void LoadVideoTrack(const std::string& path);

// What the job's callback received.
struct CallbackLog {
    std::vector<float> progress;
    std::vector<std::u16string> messages;
    int failures = 0;
};

// Sends what jobs report through their callback into `log` while it lives.
class CallbackCapture {
public:
    explicit CallbackCapture(CallbackLog* log);
    ~CallbackCapture();
    CallbackCapture(const CallbackCapture&) = delete;
    CallbackCapture& operator=(const CallbackCapture&) = delete;
};

// A job on `input` writing `output` (UTF-8 paths) at the given size and
// bitrate, reporting through CallbackCapture. `input` must outlive the job.
StampJob MakeJob(const std::u16string& input, const std::string& output, uint32_t width,
                 uint32_t height, uint32_t bitrate);

// Probes, decodes, "stamps" and encodes the job's input with speed-up
// `divisor`; the encode thread's exit code.
uint32_t RunEncodePipeline(StampJob& job, uint32_t divisor, CallbackLog* log);

// The same through NVENC, with no watch beside the threads to stop them:
// the exit codes of the NVENC encode thread and of the mux. The input's
// movie must be loaded.
struct NvencExitCodes {
    uint32_t encode = 0;
    uint32_t mux = 0;
};
NvencExitCodes RunNvencPipeline(StampJob& job, CallbackLog* log);

}  // namespace wuvo::test
