#include "support/fixture_job.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>

#include "engine/job/run_stamp_job.h"
#include "engine/pipeline/thread_state_setters.h"
#include "engine/settings/app_settings.h"
#include "platform/text/utf.h"
#include "support/fixtures.h"

namespace wuvo::test {

namespace {

constexpr int32_t kDateRow = 10;
constexpr int32_t kTimeRow = 140;

std::mutex gMessagesMutex;
std::vector<std::u16string>* gMessages = nullptr;

void BatchCallback(uint32_t kind, void*, void* b, float)
{
    if (kind == kJobFailed) {
        StopPipelineThreads();
        return;
    }
    std::lock_guard guard(gMessagesMutex);
    if (kind == kJobMessage && gMessages)
        gMessages->emplace_back(static_cast<const char16_t*>(b));
}

}  // namespace

void PrepareJobSettings()
{
    ResetSettings(gSettings);
    gSettings.idle = 0;
    gSettings.dateStamp.y = kDateRow;
    gSettings.timeStamp.y = kTimeRow;
}

uint32_t RunFixtureJob(const std::string& fixture, const std::string& output, std::vector<std::u16string>* messages,
                       uint32_t targetWidth, uint32_t targetHeight)
{
    std::filesystem::remove(output);
    std::u16string input = platform::ToUtf16(FixturePath(fixture));
    StampJob job{};
    job.callback = BatchCallback;
    job.inputPath = input.c_str();
    EXPECT_TRUE(platform::CopyToField(job.outputPath, kPathChars, platform::ToUtf16(output)));
    job.targetWidth = targetWidth;
    job.targetHeight = targetHeight;
    job.aspectX = job.aspectY = 1;
    job.bitrate = kJobBitrate;
    {
        std::lock_guard guard(gMessagesMutex);
        gMessages = messages;
    }
    // The NVIDIA layer's timing lines go to standard output.
    testing::internal::CaptureStdout();
    uint32_t result = RunStampJob(job);
    testing::internal::GetCapturedStdout();
    std::lock_guard guard(gMessagesMutex);
    gMessages = nullptr;
    return result;
}

}  // namespace wuvo::test
