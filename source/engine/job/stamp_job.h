#pragma once

#include <cstdint>
#include <ctime>

#include "engine/settings/app_settings.h"
#include "platform/media/colour_description.h"

namespace wuvo {

// What the engine reports through a job's callback.
enum JobCallbackKind : uint32_t {
    kJobProgress = 0,  // a = progress bar, b = percent field, percent 0.0..100.0
    kJobMessage = 1,   // a = log window, b = the text (const char16_t*)
    kJobFailed = 2,    // the file failed: stop the pipeline threads
};

using JobCallback = void (*)(uint32_t kind, void* a, void* b, float percent);

// One input file's way through the engine. The batch zeroes it and fills
// its part; the probe fills the source description; the stamp thread fills
// the times of the first and last stamped frame.
struct StampJob {
    void* progressBar = nullptr;
    void* percentField = nullptr;
    void* logWindow = nullptr;
    JobCallback callback = nullptr;
    const char16_t* inputPath = nullptr;  // not owned
    char16_t outputPath[kPathChars] = {};
    uint32_t sourceWidth = 0;
    uint32_t sourceHeight = 0;
    // The output size as the size table gives it, before any quarter turn of
    // the picture; (1, 1) = the source's own size until the probe fills it.
    uint32_t targetWidth = 0;
    uint32_t targetHeight = 0;
    uint32_t rateNumerator = 0;
    uint32_t rateDenominator = 0;
    uint32_t aspectX = 0;
    uint32_t aspectY = 0;
    uint32_t bitrate = 0;        // bit/s
    int64_t frameDuration = 0;   // 100 ns units
    uint8_t progressive = 0;
    uint32_t packetSkipCount = 0;
    uint32_t packetsReceived = 0;
    uint32_t framesReleased = 0;
    uint8_t hasAudio = 0;
    uint32_t audioSampleRate = 0;
    uint32_t audioChannels = 0;
    // How the decoded pictures' colours are to be read; the output says so too.
    platform::ColourDescription colour;
    // The source's pictures are HDR, which the media layer delivers as SDR.
    uint8_t hdrSource = 0;
    std::tm firstStamped{};
    std::tm lastStamped{};
};

// Adds a line to the job's log under the log lock; no callback, no line.
void LogJobMessage(const StampJob& job, const char16_t* text);
// Progress in tenths of a percent. Dropped, not queued, when the log lock is
// busy: the encoder never waits for the log.
void ReportJobProgress(const StampJob& job, int32_t perMille);
// Asks the receiver to stop the pipeline threads; called without the log lock.
void ReportJobFailed(const StampJob& job);

}  // namespace wuvo
