#include "engine/naming/output_times.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "engine/settings/app_settings.h"
#include "platform/files/posix_file.h"
#include "support/broken_down_time.h"
#include "support/fixtures.h"
#include "support/time_zone.h"

using namespace wuvo;

namespace {

using test::BrokenDownTime;

// The reference: the same fields read as UTC, independent of any zone.
time_t Utc(int year, int month, int day, int hour, int minute, int second)
{
    std::tm time = BrokenDownTime(year, month, day, hour, minute, second);
    return ::timegm(&time);
}

// Times from long ago, so that no write by the test can match them.
constexpr time_t kOldAccess = 1000000000;
constexpr time_t kOldWrite = 1100000000;

class OutputTimesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetSettings(gSettings);

        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path = test::TestOutputDir() + "/times-" + info->name() + ".mp4";
        std::ofstream(path) << "video";
        timespec old[2] = {{kOldAccess, 0}, {kOldWrite, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), old, 0), 0);
        file = platform::OpenFile(path, platform::FileAccess::ReadWrite);
        ASSERT_NE(file, platform::kInvalidFile);
    }
    void TearDown() override
    {
        platform::CloseFile(file);
        std::filesystem::remove(path);
        ResetSettings(gSettings);
    }

    struct stat Stat() const
    {
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0);
        return info;
    }

    test::ScopedTimeZone zone{"Europe/Berlin"};
    std::string path;
    int file = platform::kInvalidFile;
};

}  // namespace

TEST_F(OutputTimesTest, LastFrameCountsAsLocalTimeInSummerAndWinter)
{
    gSettings.writeTimeFromLast = 1;
    SetOutputFileTimes(file, BrokenDownTime(2024, 7, 1, 9, 0, 0), BrokenDownTime(2024, 7, 1, 12, 0, 0));
    EXPECT_EQ(Stat().st_mtim.tv_sec, Utc(2024, 7, 1, 10, 0, 0)) << "summer time is two hours ahead";
    EXPECT_EQ(Stat().st_mtim.tv_nsec, 0);

    SetOutputFileTimes(file, BrokenDownTime(2024, 1, 15, 9, 0, 0), BrokenDownTime(2024, 1, 15, 12, 0, 0));
    EXPECT_EQ(Stat().st_mtim.tv_sec, Utc(2024, 1, 15, 11, 0, 0)) << "winter time is one hour ahead";
    EXPECT_EQ(Stat().st_atim.tv_sec, kOldAccess) << "the last-access time is kept";
}

TEST_F(OutputTimesTest, OptionOffGivesTheMomentOfFinishing)
{
    gSettings.createTimeFromFirst = 1;
    time_t before = std::time(nullptr);
    SetOutputFileTimes(file, BrokenDownTime(2024, 7, 1, 9, 0, 0), BrokenDownTime(2024, 7, 1, 12, 0, 0));
    time_t written = Stat().st_mtim.tv_sec;
    // File times may come from a finer clock than time(), a tick ahead of it
    // at a second's turn.
    EXPECT_GE(written, before - 1);
    EXPECT_LE(written, std::time(nullptr) + 1);
}

TEST_F(OutputTimesTest, NoStampedFrameLeavesTheTimesAlone)
{
    gSettings.writeTimeFromLast = 1;
    SetOutputFileTimes(file, std::tm{}, std::tm{});
    EXPECT_EQ(Stat().st_mtim.tv_sec, kOldWrite);
}
