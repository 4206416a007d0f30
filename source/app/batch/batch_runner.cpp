#include "app/batch/batch_runner.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "app/batch/batch_paths.h"
#include "engine/job/run_stamp_job.h"
#include "engine/mp4/raw_file.h"
#include "engine/naming/output_name.h"
#include "engine/naming/output_times.h"
#include "engine/pipeline/shared_objects.h"
#include "engine/pipeline/thread_state_setters.h"
#include "engine/settings/app_settings.h"
#include "platform/files/posix_file.h"
#include "platform/text/format.h"
#include "platform/text/utf.h"
#include "platform/threads/worker_thread.h"

namespace wuvo {

namespace {

constexpr uint32_t kOutputNotReopened = 4;
constexpr uint32_t kOutputNotNamed = 5;
// How often the stop thread stops again while a job has not yet returned.
constexpr uint32_t kStopRepeatMs = 50;
constexpr size_t kTimeTextChars = 64;
constexpr float kPerMillePerPercent = 10.0f;

bool IsStopping(const BatchThreadParams& params)
{
    return params.batchState->load() == kBatchStopping;
}

// Clears the thread states for the next file, last stage first.
void ClearThreadStates()
{
    SetEncoderState(0);
    SetStampState(0);
    SetDecodeState(0);
    SetParseState(0);
    SetPreviewOpenState(0);
}

template <typename... Texts>
void Log(BatchThreadParams& params, const char16_t* format, const Texts&... texts)
{
    params.host->AddLogLine(platform::FormatText(format, texts.c_str()...));
}

void LogDetour(BatchThreadParams& params, const OutputPlace& place)
{
    switch (place.detour) {
    case OutputPlace::Detour::None: break;
    case OutputPlace::Detour::EarlierOutput:
        Log(params, u"\tAn earlier file of this batch has the same output name: writing %s", place.path);
        break;
    case OutputPlace::Detour::Input:
        Log(params, u"\t%s is an input file of this batch: writing %s", place.named, place.path);
        break;
    case OutputPlace::Detour::ReadOnly:
        Log(params, u"\t%s is read-only: writing %s", place.named, place.path);
        break;
    }
    if (place.shortened)
        params.host->AddLogLine(ShortenedNameLine(place.path));
}

void LogRefusal(BatchThreadParams& params, const std::u16string& input, const OutputPlace& place)
{
    switch (place.refusal) {
    case OutputPlace::Refusal::None: break;
    case OutputPlace::Refusal::InputTooLong: Log(params, u"\tInput file path too long: %s", input); break;
    case OutputPlace::Refusal::FolderNotEntered:
        Log(params, u"\tCannot enter output folder %s: %s", params.outputFolder,
            platform::ToUtf16(platform::ErrorText(place.error)));
        break;
    case OutputPlace::Refusal::SameFile:
        params.host->Warn(u"Input file cannot be the same as output file. Please select a different Output Folder.");
        break;
    case OutputPlace::Refusal::OutputTooLong: Log(params, u"\tOutput file path too long: %s", place.path); break;
    case OutputPlace::Refusal::NotCreated:
        Log(params, u"\tCannot create output file %s: %s", place.path,
            platform::ToUtf16(platform::ErrorText(place.error)));
        break;
    }
}

// One file's entry in the log; true when it was stamped.
bool RunOneFile(BatchThreadParams& params, int32_t index, BatchOutputs& outputs)
{
    const std::u16string& input = params.files[static_cast<size_t>(index)];
    params.host->SelectFile(index);
    Log(params, u"\tInput file:  %s", input);
    const bool renameOutput = gSettings.renameOutput != 0;
    OutputPlace place = outputs.Place(input, renameOutput);
    LogDetour(params, place);
    LogRefusal(params, input, place);
    std::u16string output = place.named;
    bool stamped = false;
    if (place.refusal == OutputPlace::Refusal::None) {
        output = place.path;
        stamped = StampOneFile(params, input, output) == kJobSucceeded;
        if (stamped)
            outputs.Written(output);
        else if (renameOutput)
            ReleaseTemporaryOutput(place.path);
        if (IsStopping(params))
            params.host->AddLogLine(u"Stamping interrupted.\n");
    }
    if (!IsStopping(params))
        Log(params, u"\tOutput file: %s", output);
    params.host->AddLogLine(BatchTimeLine());
    return stamped;
}

}  // namespace

std::u16string BatchTimeLine()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[kTimeTextChars];
    // The process locale stays "C", so the names are English, as ctime gives them.
    std::strftime(text, sizeof text, "%a %b %e %H:%M:%S %Y", &local);
    return platform::FormatText(u"========== %s ==========", platform::ToUtf16(text).c_str());
}

std::u16string PercentText(float percent)
{
    return platform::FormatText(u"%.1f%%", static_cast<double>(percent));
}

int32_t ProgressBarPosition(float percent)
{
    return static_cast<int32_t>(percent * kPerMillePerPercent);
}

uint32_t StampOneFile(BatchThreadParams& params, const std::u16string& inputPath, std::u16string& outputPath)
{
    StampJob job;
    job.progressBar = params.progressBar;
    job.percentField = params.percentField;
    job.logWindow = params.logWindow;
    job.callback = params.callback;
    job.inputPath = inputPath.c_str();
    platform::CopyToField(job.outputPath, kPathChars, outputPath);
    OutputSize size = OutputSizeFor(gSettings.outputSize);
    job.targetWidth = static_cast<uint32_t>(size.width);
    job.targetHeight = static_cast<uint32_t>(size.height);
    job.aspectX = job.aspectY = 1;
    job.bitrate = gSettings.bitrate * 100000u;
    // Entering the job is announced before the stop is looked at: a stop
    // either comes before and the job is not run, or the stop thread sees
    // the job and stops it.
    params.inJob = true;
    uint32_t result = IsStopping(params) ? kJobFailedResult : params.runJob(job);
    params.inJob = false;
    if (result == kJobSucceeded &&
        (gSettings.createTimeFromFirst || gSettings.writeTimeFromLast || gSettings.renameOutput)) {
        RawFile file;
        if (file.Open(job.outputPath, RawFile::kModeReadWrite) != 0) {
            params.host->AddLogLine(u"Cannot open output video file for renaming.\n");
            return kOutputNotReopened;
        }
        SetOutputFileTimes(file.handle, job.firstStamped, job.lastStamped);
        OutputNaming naming = MakeOutputFileName(job.inputPath, job.outputPath, job.firstStamped, job.lastStamped);
        if (!naming.logLine.empty())
            params.host->AddLogLine(naming.logLine);
        // Success is never reported for an output left under its temporary name.
        if (!naming.named) {
            std::remove(platform::ToUtf8(job.outputPath).c_str());
            result = kOutputNotNamed;
        }
    }
    outputPath.assign(job.outputPath, platform::FieldLength(job.outputPath, kPathChars));
    return result;
}

uint32_t BatchThreadProc(BatchThreadParams& params)
{
    params.host->AddLogLine(BatchTimeLine());
    BatchReport report;
    report.files = static_cast<int32_t>(params.files.size());
    BatchOutputs outputs(params.files, params.outputFolder);
    for (int32_t index = 0; index < report.files && !IsStopping(params); ++index) {
        if (RunOneFile(params, index, outputs))
            ++report.succeeded;
        if (!IsStopping(params))
            ClearThreadStates();
        GiveBackJobMemory();
    }
    report.stopped = IsStopping(params);
    if (params.host->AutoShutdown()) {
        params.host->SaveLogFile();
        params.host->ShutdownSystem();
    }
    params.host->Finish(report);
    return report.stopped ? 1 : 0;
}

uint32_t StopThreadProc(BatchThreadParams& params)
{
    StopPipelineThreads();
    while (params.inJob) {
        platform::SleepMs(kStopRepeatMs);
        StopPipelineThreads();
    }
    return 0;
}

}  // namespace wuvo
