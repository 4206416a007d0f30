#include "app/batch/batch_runner.h"

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "app/batch/batch_paths.h"
#include "engine/job/run_stamp_job.h"
#include "engine/pipeline/shared_objects.h"
#include "engine/pipeline/thread_state_setters.h"
#include "platform/files/temp_files.h"
#include "platform/power/power_off.h"
#include "platform/text/utf.h"
#include "platform/threads/worker_thread.h"
#include "support/app_harness.h"
#include "support/broken_down_time.h"
#include "support/ordinary_user.h"

using namespace wuvo;
using wuvo::test::ReadFileText;
using wuvo::test::ScratchFolder;

namespace {

// Records what the batch thread asks of the window, in order.
class RecordingHost : public BatchHost {
public:
    void SelectFile(int32_t index) override { Add(u"select " + platform::ToUtf16(std::to_string(index))); }
    void AddLogLine(std::u16string line) override
    {
        bool timeLine = line.starts_with(u"==========");
        Add(timeLine ? u"time" : std::move(line));
        if (timeLine && onTimeLine)
            onTimeLine();
    }
    void Warn(std::u16string text) override { Add(u"warn " + text); }
    void SaveLogFile() override { Add(u"save log"); }
    bool AutoShutdown() const override { return autoShutdown; }
    void ShutdownSystem() override { Add(u"power off"); }
    void Finish(const BatchReport& done) override
    {
        report = done;
        Add(u"finish");
    }
    std::vector<std::u16string> Events()
    {
        std::lock_guard lock(mutex_);
        return events_;
    }

    bool autoShutdown = false;
    BatchReport report;
    std::function<void()> onTimeLine;

private:
    void Add(std::u16string event)
    {
        std::lock_guard lock(mutex_);
        events_.push_back(std::move(event));
    }
    std::mutex mutex_;
    std::vector<std::u16string> events_;
};

// Stands in for the engine's job: writes its output, or fails.
uint32_t WriteOutput(StampJob& job)
{
    std::ofstream(platform::ToUtf8(job.outputPath)) << "stamped";
    return kJobSucceeded;
}

// Stands in for a job as the engine's writer ends one: the input's path is
// written under a temporary name and moved onto the output path, and the job
// returns a while later, as the real one does once its threads have ended.
uint32_t WriteInputPathSlowly(StampJob& job)
{
    constexpr auto kBeforeWriting = std::chrono::milliseconds(20);
    constexpr auto kAfterWriting = std::chrono::milliseconds(80);
    std::this_thread::sleep_for(kBeforeWriting);
    std::string output = platform::ToUtf8(job.outputPath);
    std::optional<platform::TempFile> temp = platform::CreateTempFileBeside(output);
    if (!temp)
        return kJobFailedResult;
    std::string text = platform::ToUtf8(job.inputPath);
    bool written = ::write(temp->fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(temp->fd);
    if (!written || std::rename(temp->path.c_str(), output.c_str()) != 0)
        return kJobFailedResult;
    std::this_thread::sleep_for(kAfterWriting);
    return kJobSucceeded;
}

// Runs like a job's parse thread until the batch is stopped; a stop that
// never comes lets it succeed after a while, which the tests notice.
uint32_t RunUntilStopped(StampJob&)
{
    constexpr int kPatienceMs = 5000;
    SetParseState(1);
    int waited = 0;
    while (!IsAbortRequested(*gParseThreadState) && waited++ < kPatienceMs)
        platform::SleepMs(1);
    bool stopped = IsAbortRequested(*gParseThreadState);
    SetRunning(*gParseThreadState, false);
    return stopped ? kJobFailedResult : kJobSucceeded;
}

// Stands in for a job of the largest frames: every pool slot gets a frame
// written whole, and the frames stay decoded, as a job that ends early
// leaves them.
uint32_t FillThePool(StampJob&)
{
    std::lock_guard guard(gFramePool->lock);
    gFramePool->mode = kPoolModeJob;
    for (uint32_t frame = 0; frame < kFrameSlotCount; ++frame) {
        std::memset(gFramePool->Reserve(frame), 0x80, kFrameBufferBytes);
        gFramePool->SetDecoded(frame, 1);
    }
    return kJobSucceeded;
}

// Pages of the pool's buffers that hold memory of the system's.
size_t ResidentPoolPages()
{
    const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> resident(kFrameBufferBytes / page + 1);
    size_t count = 0;
    for (const FrameSlot& slot : gFramePool->slots) {
        uintptr_t begin = (reinterpret_cast<uintptr_t>(slot.buffer) + page - 1) & ~(page - 1);
        uintptr_t end = (reinterpret_cast<uintptr_t>(slot.buffer) + kFrameBufferBytes) & ~(page - 1);
        if (mincore(reinterpret_cast<void*>(begin), end - begin, resident.data()) != 0)
            ADD_FAILURE() << "mincore: " << std::strerror(errno);
        for (size_t i = 0; i < (end - begin) / page; ++i)
            count += resident[i] & 1u;
    }
    return count;
}

class BatchRunnerThreads : public testing::Test {
protected:
    void SetUp() override
    {
        ResetSettings(gSettings);
        params_.host = &host_;
        params_.batchState = &state_;
        params_.outputFolder = platform::ToUtf16(out_.Path());
        state_ = kBatchStamping;
    }
    std::u16string Input(const std::string& name)
    {
        std::filesystem::create_directories(std::filesystem::path(in_ / name).parent_path());
        std::ofstream(in_ / name) << "video";
        return platform::ToUtf16(in_ / name);
    }
    std::u16string Out(const std::string& name) { return platform::ToUtf16(out_ / name); }
    uint32_t Run() { return BatchThreadProc(params_); }

    ScratchFolder in_;
    ScratchFolder out_;
    RecordingHost host_;
    std::atomic<uint8_t> state_{kBatchStamping};
    BatchThreadParams params_;
};

}  // namespace

TEST(BatchPaths, OutputNamesAndSameFileByIdentity)
{
    EXPECT_EQ(OutputNameFor(u"/in/clip.MOV", 0, NAME_MAX).name, u"clip.mp4");
    EXPECT_EQ(OutputNameFor(u"/in/a.b.mov", 0, NAME_MAX).name, u"a.b.mp4");
    EXPECT_EQ(OutputNameFor(u"/in.d/noext", 2, NAME_MAX).name, u"noext-2.mp4");
    // Names longer than the disk takes, in bytes, lose whole characters.
    EXPECT_EQ(OutputNameFor(u"/in/日本語.mov", 0, 10).name, u"日本.mp4");
    EXPECT_EQ(OutputNameFor(u"/in/日本語.mov", 1, 12).name, u"日本-1.mp4");
    EXPECT_EQ(OutputNameFor(u"/in/😀😀.mov", 0, 9).name, u"😀.mp4");
    EXPECT_EQ(OutputNameFor(platform::ToUtf16("/in/caf\xE9\xE9.mov"), 0, 8).name, platform::ToUtf16("caf\xE9.mp4"));
    EXPECT_EQ(OutputPathFor(u"/out", u"clip.mp4"), u"/out/clip.mp4");
    EXPECT_EQ(OutputPathFor(u"/out/", u"clip.mp4"), u"/out/clip.mp4");

    ScratchFolder folder;
    std::ofstream(folder / "clip.mp4") << "x";
    std::filesystem::create_directory_symlink(folder.Path(), folder / "link");
    std::u16string real = platform::ToUtf16(folder / "clip.mp4");
    EXPECT_TRUE(IsSameFile(real, platform::ToUtf16(folder.Path() + "//./clip.mp4")));
    EXPECT_TRUE(IsSameFile(real, platform::ToUtf16(folder / "link/clip.mp4")));
    EXPECT_FALSE(IsSameFile(real, platform::ToUtf16(folder / "clip.MP4"))) << "another file on a case-sensitive disk";
    EXPECT_FALSE(IsSameFile(real, platform::ToUtf16(folder / "missing.mp4")));
}

TEST_F(BatchRunnerThreads, CountsLinesAndSameNamedOutputs)
{
    std::u16string first = Input("a/clip.mov");
    std::u16string second = Input("b/clip.mov");
    std::u16string broken = Input("broken.mov");
    std::ofstream(out_ / "clip-1.mp4") << "from an earlier run";
    params_.files = {first, second, broken};
    params_.runJob = [&](StampJob& job) {
        return std::u16string(job.inputPath) == broken ? kJobFailedResult : WriteOutput(job);
    };
    EXPECT_EQ(Run(), 0u);

    EXPECT_EQ(host_.report.succeeded, 2);
    EXPECT_EQ(host_.report.files, 3);
    EXPECT_FALSE(host_.report.stopped);
    std::vector<std::u16string> expected = {
        u"time",
        u"select 0", u"\tInput file:  " + first, u"\tOutput file: " + Out("clip.mp4"), u"time",
        u"select 1", u"\tInput file:  " + second,
        u"\tAn earlier file of this batch has the same output name: writing " + Out("clip-2.mp4"),
        u"\tOutput file: " + Out("clip-2.mp4"), u"time",
        u"select 2", u"\tInput file:  " + broken, u"\tOutput file: " + Out("broken.mp4"), u"time",
        u"finish"};
    EXPECT_EQ(host_.Events(), expected);
    EXPECT_TRUE(std::filesystem::exists(out_ / "clip.mp4"));
    EXPECT_TRUE(std::filesystem::exists(out_ / "clip-2.mp4"));
}

// The camera's folder is the output folder: take.mp4 comes before take.mov,
// and clip.mp4, named through a link to the folder, after clip.mov. A file
// the user made read-only is kept as well; a writable one is replaced.
TEST_F(BatchRunnerThreads, AnOutputNeverReplacesAnInputOfTheBatchNorAReadOnlyFile)
{
    namespace fs = std::filesystem;
    std::ofstream(out_ / "take.mp4") << "camera take";
    std::ofstream(out_ / "clip.mp4") << "camera clip";
    std::ofstream(out_ / "kept.mp4") << "made read-only";
    fs::permissions(out_ / "kept.mp4", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    std::ofstream(out_ / "old.mp4") << "writable";
    fs::create_directory_symlink(out_.Path(), in_ / "link");
    std::u16string clipThroughLink = platform::ToUtf16(in_ / "link/clip.mp4");
    std::u16string kept = Input("kept.mov");
    std::u16string old = Input("old.mov");
    params_.files = {Out("take.mp4"), Input("take.mov"), Input("clip.mov"), clipThroughLink, kept, old};
    params_.runJob = WriteInputPathSlowly;
    {
        test::AsAnOrdinaryUser user;
        EXPECT_EQ(Run(), 0u);
    }

    EXPECT_EQ(ReadFileText(out_ / "take.mp4"), "camera take");
    EXPECT_EQ(ReadFileText(out_ / "clip.mp4"), "camera clip");
    EXPECT_EQ(ReadFileText(out_ / "kept.mp4"), "made read-only");
    EXPECT_EQ(ReadFileText(out_ / "take-1.mp4"), platform::ToUtf8(params_.files[1]));
    EXPECT_EQ(ReadFileText(out_ / "clip-1.mp4"), platform::ToUtf8(params_.files[2]));
    EXPECT_EQ(ReadFileText(out_ / "kept-1.mp4"), platform::ToUtf8(kept));
    EXPECT_EQ(ReadFileText(out_ / "old.mp4"), platform::ToUtf8(old));
    std::vector<std::u16string> events = host_.Events();
    for (const char* name : {"take", "clip"}) {
        std::u16string said = u"\t" + Out(std::string(name) + ".mp4") + u" is an input file of this batch: writing " +
                              Out(std::string(name) + "-1.mp4");
        EXPECT_NE(std::find(events.begin(), events.end(), said), events.end()) << name;
    }
    EXPECT_NE(std::find(events.begin(), events.end(),
                        u"\t" + Out("kept.mp4") + u" is read-only: writing " + Out("kept-1.mp4")),
              events.end());
    EXPECT_EQ(host_.report.succeeded, 4) << "all but take.mp4 and clip.mp4, each its own output";

    // A folder that cannot be entered is no read-only file: the log says
    // why, once for each file, with the naming pattern off and on.
    fs::permissions(out_.Path(), fs::perms::owner_read | fs::perms::owner_write);
    params_.files = {old};
    for (uint32_t renameOutput : {0u, 1u}) {
        gSettings.renameOutput = renameOutput;
        test::AsAnOrdinaryUser user;
        Run();
        EXPECT_EQ(host_.report.succeeded, 0);
    }
    fs::permissions(out_.Path(), fs::perms::owner_all);
    std::vector<std::u16string> later = host_.Events();
    later.erase(later.begin(), later.begin() + static_cast<std::ptrdiff_t>(events.size()));
    EXPECT_EQ(std::count(later.begin(), later.end(),
                         u"\tCannot enter output folder " + platform::ToUtf16(out_.Path()) + u": Permission denied"),
              2);
    EXPECT_EQ(std::count_if(later.begin(), later.end(), [](const std::u16string& line) {
                  return line.find(u"read-only") != std::u16string::npos || line.find(u"Cannot create") != std::u16string::npos;
              }),
              0);
}

// The job's path field holds 255 units: an output path of 255 is written
// under its own name, one of 256 is refused rather than cut. The folder's
// name of several bytes, and of two units, per character tells units from
// bytes and characters.
TEST_F(BatchRunnerThreads, AnOutputPathFillsThePathFieldAndNoMore)
{
    const std::string folder = out_ / "日記😀日記😀日記😀";
    std::filesystem::create_directory(folder);
    params_.outputFolder = platform::ToUtf16(folder);
    const size_t stem = kPathChars - 1 - params_.outputFolder.size() - std::string_view("/.mp4").size();
    params_.files = {Input(std::string(stem, 'f') + ".mov"), Input(std::string(stem + 1, 'o') + ".mov")};
    ASSERT_LT(params_.files[1].size(), kPathChars);
    params_.runJob = WriteOutput;
    Run();

    const std::u16string fits = params_.outputFolder + u"/" + std::u16string(stem, u'f') + u".mp4";
    const std::u16string over = params_.outputFolder + u"/" + std::u16string(stem + 1, u'o') + u".mp4";
    ASSERT_EQ(fits.size(), kPathChars - 1);
    EXPECT_EQ(ReadFileText(platform::ToUtf8(fits)), "stamped");
    std::vector<std::u16string> events = host_.Events();
    EXPECT_NE(std::find(events.begin(), events.end(), u"\tOutput file: " + fits), events.end());
    EXPECT_NE(std::find(events.begin(), events.end(), u"\tOutput file path too long: " + over), events.end());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1) << "nothing under a cut name";
    EXPECT_EQ(host_.report.succeeded, 1);
}

// With naming on, each file is written under a temporary name of its own:
// a failed file leaves none behind, and one that cannot be made fails the
// file with its reason.
TEST_F(BatchRunnerThreads, TemporaryOutputsOfFailedFilesAreNotLeftBehind)
{
    gSettings.renameOutput = 1;
    ASSERT_TRUE(platform::CopyToField(gSettings.renamePattern, kFormatChars, u"@N"));
    std::u16string broken = Input("broken.mov");
    params_.files = {Input("clip.mov"), broken};
    params_.runJob = [&](StampJob& job) {
        return std::u16string(job.inputPath) == broken ? kJobFailedResult : WriteOutput(job);
    };
    EXPECT_EQ(Run(), 0u);
    EXPECT_EQ(host_.report.succeeded, 1);
    EXPECT_EQ(ReadFileText(out_ / "clip.mp4"), "stamped");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out_.Path()), {}), 1);

    params_.outputFolder = Out("gone");
    params_.files = {Input("clip.mov")};
    int jobs = 0;
    params_.runJob = [&](StampJob& job) { return ++jobs, WriteOutput(job); };
    Run();
    EXPECT_EQ(jobs, 0);
    EXPECT_EQ(host_.report.succeeded, 0);
    std::vector<std::u16string> events = host_.Events();
    EXPECT_NE(std::find(events.begin(), events.end(),
                        u"\tCannot create output file " + Out("gone/tmpWuvoout-XXXXXX.mp4") +
                            u": No such file or directory"),
              events.end());
}

// Linux keeps a name as at most 255 bytes in no set encoding. Outputs are
// named from their inputs' very bytes, into a folder whose name is not
// UTF-8 either; the input's part of a name that would be longer loses whole
// characters, the pattern's dates and the counter kept, and the log says
// so. A name the pattern alone makes too long fails its file and leaves no
// file behind.
TEST_F(BatchRunnerThreads, OutputNamesKeepTheInputsBytesAndFitTheFileSystem)
{
    const auto cjk = [](size_t count) { return platform::ToUtf8(std::u16string(count, u'日')); };
    const std::string dates = "-20240506070809-240506071000.mp4";
    const std::string full = cjk(83) + "ab";  // 251 bytes: ".mp4" fills a name, "-1.mp4" does not fit
    struct Row {
        std::u16string pattern;  // empty: naming off
        std::vector<std::string> inputs;
        std::vector<std::string> outputs;  // empty: the file fails; "~": the name was shortened
    };
    const Row rows[] = {
        {u"", {"caf\xE9.mov"}, {"caf\xE9.mp4"}},
        {u"@N-20@F@f-@L@l", {"caf\xE9.mov"}, {"caf\xE9" + dates}},
        {u"", {cjk(85)}, {"~" + cjk(83) + ".mp4"}},
        {u"@N-20@F@f-@L@l", {cjk(80) + ".mov"}, {"~" + cjk(74) + dates}},
        {u"", {"1/" + full + ".mov", "2/" + full + ".mov"}, {full + ".mp4", "~" + cjk(83) + "-1.mp4"}},
        {u"@N", {"1/" + full + ".mov", "2/" + full + ".mov"}, {full + ".mp4", "~" + cjk(83) + "-1.mp4"}},
        {std::u16string(90, u'日'), {"clip.mov"}, {""}},
    };
    params_.runJob = [](StampJob& job) {
        job.firstStamped = test::BrokenDownTime(2024, 5, 6, 7, 8, 9);
        job.lastStamped = test::BrokenDownTime(2024, 5, 6, 7, 10, 0);
        return WriteOutput(job);
    };
    int row = 0;
    for (const Row& expected : rows) {
        const std::string folder = out_ / (std::to_string(++row) + "\xE9");
        std::filesystem::create_directory(folder);
        params_.outputFolder = platform::ToUtf16(folder);
        gSettings.renameOutput = expected.pattern.empty() ? 0 : 1;
        ASSERT_TRUE(platform::CopyToField(gSettings.renamePattern, kFormatChars, expected.pattern));
        params_.files.clear();
        for (const std::string& name : expected.inputs)
            params_.files.push_back(Input(std::to_string(row) + "/" + name));
        Run();
        std::vector<std::u16string> events = host_.Events();
        int named = 0;
        for (std::string name : expected.outputs) {
            if (name.empty())
                continue;
            ++named;
            const bool shortened = name.starts_with('~');
            const std::string path = folder + "/" + name.substr(shortened ? 1 : 0);
            EXPECT_EQ(ReadFileText(path), "stamped") << row;
            const std::u16string output = platform::ToUtf16(path);
            EXPECT_NE(std::find(events.begin(), events.end(), u"\tOutput file: " + output), events.end()) << row;
            EXPECT_EQ(std::find(events.begin(), events.end(), ShortenedNameLine(output)) != events.end(), shortened)
                << row;
        }
        EXPECT_EQ(host_.report.succeeded, named) << row;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), named) << row;
    }
}

TEST_F(BatchRunnerThreads, StopDuringTheSecondFileEndsTheBatch)
{
    params_.files = {Input("one.mov"), Input("two.mov"), Input("three.mov")};
    int jobs = 0;
    params_.runJob = [&](StampJob& job) { return ++jobs == 1 ? WriteOutput(job) : RunUntilStopped(job); };
    platform::WorkerThread stopper;
    // The user presses Stop once the second file runs.
    host_.onTimeLine = [&] {
        if (jobs == 1 && !stopper.Started())
            stopper.Start([&] {
                while (!IsRunning(*gParseThreadState))
                    platform::SleepMs(1);
                state_ = kBatchStopping;
                return StopThreadProc(params_);
            });
    };
    EXPECT_EQ(Run(), 1u);
    stopper.Join();

    std::vector<std::u16string> events = host_.Events();
    std::vector<std::u16string> tail(events.end() - 5, events.end());
    std::vector<std::u16string> expected = {u"\tInput file:  " + params_.files[1], u"Stamping interrupted.\n", u"time",
                                            u"finish"};
    EXPECT_EQ(std::vector<std::u16string>(tail.begin() + 1, tail.end()), expected);
    EXPECT_EQ(jobs, 2) << "the third file is not started";
    EXPECT_TRUE(host_.report.stopped);
    EXPECT_EQ(host_.report.succeeded, 1);
}

TEST_F(BatchRunnerThreads, AStopBeforeAJobStartsItsThreadsIsNotLost)
{
    params_.files = {Input("one.mov"), Input("two.mov")};
    std::atomic<bool> stopped{false};
    platform::WorkerThread stopper;
    // The stop thread runs while the job is still setting up; the job's
    // threads start after it and must be stopped all the same.
    params_.runJob = [&](StampJob& job) {
        stopper.Start([&] {
            state_ = kBatchStopping;
            StopPipelineThreads();
            stopped = true;
            return StopThreadProc(params_);
        });
        while (!stopped)
            platform::SleepMs(1);
        return RunUntilStopped(job);
    };
    EXPECT_EQ(Run(), 1u);
    stopper.Join();
    EXPECT_TRUE(host_.report.stopped);
    EXPECT_EQ(host_.report.succeeded, 0);
}

TEST_F(BatchRunnerThreads, StopBetweenFilesAndRefusedInputs)
{
    std::u16string same = platform::ToUtf16(out_ / "clip.mp4");
    std::ofstream(out_ / "clip.mp4") << "the input itself";
    std::u16string upper = platform::ToUtf16(out_ / "take.MP4");
    std::ofstream(out_ / "take.MP4") << "a different file on this disk";
    std::u16string tooLong = Input(std::string(260, 'x') + ".mov");
    params_.files = {same, tooLong, upper, Input("later.mov")};
    params_.runJob = WriteOutput;
    host_.autoShutdown = true;
    int timeLines = 0;
    host_.onTimeLine = [&] {
        if (++timeLines == 4)  // the third file's entry is closed
            state_ = kBatchStopping;
    };
    EXPECT_EQ(Run(), 1u);

    std::vector<std::u16string> events = host_.Events();
    EXPECT_NE(std::find(events.begin(), events.end(),
                        u"warn Input file cannot be the same as output file. Please select a different Output Folder."),
              events.end());
    EXPECT_NE(std::find(events.begin(), events.end(), u"\tOutput file: " + same), events.end());
    EXPECT_NE(std::find(events.begin(), events.end(), u"\tInput file path too long: " + tooLong), events.end());
    EXPECT_EQ(std::find(events.begin(), events.end(), u"select 3"), events.end()) << "stopped before the fourth";
    EXPECT_EQ(host_.report.succeeded, 1) << "only take.MP4, into take.mp4";
    EXPECT_TRUE(std::filesystem::exists(out_ / "take.mp4"));
    std::vector<std::u16string> end(events.end() - 3, events.end());
    EXPECT_EQ(end, (std::vector<std::u16string>{u"save log", u"power off", u"finish"}));
}

TEST_F(BatchRunnerThreads, EachJobsFramesGoBackToTheSystem)
{
    params_.files = {Input("one.mov"), Input("two.mov")};
    std::vector<size_t> residentAtStart;
    params_.runJob = [&](StampJob& job) {
        residentAtStart.push_back(ResidentPoolPages());
        return FillThePool(job);
    };
    EXPECT_EQ(Run(), 0u);

    ASSERT_EQ(residentAtStart.size(), 2u);
    EXPECT_EQ(residentAtStart[1], 0u) << "the first job's frames stayed in memory";
    EXPECT_EQ(ResidentPoolPages(), 0u) << "the last job's frames stayed in memory";
    std::lock_guard guard(gFramePool->lock);
    for (uint32_t frame = 0; frame < kFrameSlotCount; ++frame)
        EXPECT_NE(gFramePool->Reserve(frame), nullptr) << "a slot still holds a frame of the last job";
}

// Two programs stamp into one folder at once, naming their outputs after
// their inputs: each output is named after its own input and holds it.
TEST(BatchRunnerProcesses, TwoProgramsNamingOutputsInOneFolderKeepEachOthersFiles)
{
    constexpr int kFilesEach = 4;
    ScratchFolder in;
    ScratchFolder out;
    ResetSettings(gSettings);
    gSettings.renameOutput = 1;
    ASSERT_TRUE(platform::CopyToField(gSettings.renamePattern, kFormatChars, u"@N"));
    std::vector<pid_t> programs;
    for (char program : {'a', 'b'}) {
        std::vector<std::u16string> files;
        for (int i = 0; i < kFilesEach; ++i) {
            std::string input = in / (program + std::to_string(i) + ".mov");
            std::ofstream(input) << "video";
            files.push_back(platform::ToUtf16(input));
        }
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            RecordingHost host;
            std::atomic<uint8_t> state{kBatchStamping};
            BatchThreadParams params;
            params.host = &host;
            params.batchState = &state;
            params.outputFolder = platform::ToUtf16(out.Path());
            params.files = files;
            params.runJob = WriteInputPathSlowly;
            BatchThreadProc(params);
            ::_exit(host.report.succeeded == kFilesEach ? 0 : 1);
        }
        programs.push_back(pid);
    }
    for (pid_t pid : programs) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a program did not stamp all its files";
    }
    ResetSettings(gSettings);

    for (const auto& input : std::filesystem::directory_iterator(in.Path())) {
        std::string output = out / (input.path().stem().string() + ".mp4");
        EXPECT_EQ(ReadFileText(output), input.path().string()) << output;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out.Path()), {}), 2 * kFilesEach)
        << "no output more, none less";
}

TEST(BatchProgress, PercentTextAndBarPosition)
{
    EXPECT_EQ(PercentText(12.34f), u"12.3%");
    EXPECT_EQ(ProgressBarPosition(12.34f), 123);
    EXPECT_EQ(PercentText(100.0f), u"100.0%");
    EXPECT_EQ(ProgressBarPosition(100.0f), 1000);
}

TEST(PowerOff, NeverActsWhereItIsSwitchedOff)
{
    wuvo::test::ScopedEnv off("WUVO_NO_POWEROFF", "1");
    EXPECT_EQ(platform::RequestPowerOff(), platform::PowerOffResult::Disabled);
}
