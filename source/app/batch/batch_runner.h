#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/job/stamp_job.h"

namespace wuvo {

// The main window's batch state.
enum BatchStateValue : uint8_t { kBatchIdle = 0, kBatchStamping = 1, kBatchStopping = 2 };

// How a batch ended, for the window's final report.
struct BatchReport {
    int32_t succeeded = 0;
    int32_t files = 0;
    bool stopped = false;
};

// What the batch thread needs of the window. Every call comes from the batch
// thread; none of them may wait for the user-interface thread past a stop.
class BatchHost {
public:
    virtual ~BatchHost() = default;
    virtual void SelectFile(int32_t index) = 0;
    virtual void AddLogLine(std::u16string line) = 0;
    // A warning for the user; the batch goes on once it has been read, or
    // at once when the batch is stopped.
    virtual void Warn(std::u16string text) = 0;
    virtual void SaveLogFile() = 0;
    virtual bool AutoShutdown() const = 0;
    virtual void ShutdownSystem() = 0;
    // Enables the controls again, shows the report and sets the state to idle.
    virtual void Finish(const BatchReport& report) = 0;
};

// Handed to the batch thread at Stamp time: the files as the list held them.
struct BatchThreadParams {
    BatchHost* host = nullptr;
    std::vector<std::u16string> files;
    std::u16string outputFolder;
    std::atomic<uint8_t>* batchState = nullptr;
    // Opaque to the engine, handed back through the callback.
    void* progressBar = nullptr;
    void* percentField = nullptr;
    void* logWindow = nullptr;
    JobCallback callback = nullptr;
    // The engine's per-file job; tests put in fakes.
    std::function<uint32_t(StampJob&)> runJob;
    // True while the batch thread is inside a job, so that a stop keeps
    // stopping until that job has seen it.
    std::atomic<bool> inJob{false};
};

// The batch thread: stamps every file, writes the log lines, and at the end
// saves the log, powers off when asked and has the window report. 0 when it
// ran to its end, 1 when it was stopped.
uint32_t BatchThreadProc(BatchThreadParams& params);

// Stamps one input into `outputPath`, then gives the output its times and
// name; the path then names the final output. 0 = success; the job's code;
// 4 when the output cannot be reopened for its times and name; 5 when it
// cannot be given its name, and is removed.
uint32_t StampOneFile(BatchThreadParams& params, const std::u16string& inputPath, std::u16string& outputPath);

// The stop thread: stops the pipeline threads, again while the batch thread
// is still inside a job, so a job that starts its threads late sees the stop.
uint32_t StopThreadProc(BatchThreadParams& params);

// The time line that opens and closes each file's entry in the log.
std::u16string BatchTimeLine();

// Kind 0's texts: "12.3%" and the bar position in tenths of a percent.
std::u16string PercentText(float percent);
int32_t ProgressBarPosition(float percent);

}  // namespace wuvo
