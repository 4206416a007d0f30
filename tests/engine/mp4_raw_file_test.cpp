#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "engine/mp4/raw_file.h"
#include "platform/text/utf.h"
#include "support/fixtures.h"

using namespace wuvo;
using platform::ToUtf16;

namespace {

std::u16string TestFile(const std::string& name, const std::string& content)
{
    std::string path = test::TestOutputDir() + "/" + name;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
    return ToUtf16(path);
}

}  // namespace

TEST(Mp4RawFile, ReadsSeeksAndFindsTheEnd)
{
    std::u16string path = TestFile("raw_file_read.bin", "abcdef");
    RawFile file;
    ASSERT_EQ(file.Open(path.c_str(), RawFile::kModeRead), 0);
    EXPECT_EQ(file.size, 6u);
    EXPECT_EQ(std::u16string(file.path), path);

    char buffer[8] = {};
    EXPECT_EQ(file.Read(buffer, 0), 0);
    EXPECT_EQ(file.Seek(2, RawFile::kSeekFromStart), 2);
    EXPECT_EQ(file.AtEnd(), 0);
    EXPECT_EQ(file.Seek(0, RawFile::kSeekFromCurrent), 2) << "the end test gives its byte back";
    EXPECT_EQ(file.Read(buffer, 8), 4);
    EXPECT_STREQ(buffer, "cdef");
    EXPECT_EQ(file.AtEnd(), 1);
    EXPECT_EQ(file.Seek(-1, RawFile::kSeekFromEnd), 5);
    file.Close();
    EXPECT_EQ(file.handle, platform::kInvalidFile);
}

TEST(Mp4RawFile, WithoutAnOpenFileEveryOperationFails)
{
    RawFile file;
    char byte;
    testing::internal::CaptureStderr();
    EXPECT_EQ(file.Read(&byte, 1), -1);
    EXPECT_EQ(file.Seek(0, RawFile::kSeekFromStart), -1);
    EXPECT_EQ(file.AtEnd(), -1);
    std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed, "ERROR: file is not valid.\nERROR: file is not valid.\nERROR: file is not valid.\n");
    EXPECT_EQ(file.size, 0u);
    EXPECT_EQ(file.path[0], u'\0');
}

TEST(Mp4RawFile, OpenModesAndFailures)
{
    std::u16string path = TestFile("raw_file_modes.bin", "0123456789");
    RawFile file;
    ASSERT_EQ(file.Open(path.c_str(), RawFile::kModeReadWrite), 0);
    EXPECT_EQ(file.size, 10u);

    // An empty path keeps the open file.
    EXPECT_EQ(file.Open(u"", RawFile::kModeRead), -1);
    EXPECT_NE(file.handle, platform::kInvalidFile);

    // Writing truncates and keeps the last size taken by a read open.
    ASSERT_EQ(file.Open(path.c_str(), RawFile::kModeWrite), 0);
    EXPECT_EQ(file.size, 10u);
    file.Close();
    EXPECT_EQ(std::filesystem::file_size(platform::ToUtf8(path)), 0u);

    EXPECT_EQ(file.Open(path.c_str(), 7), -3);
    EXPECT_EQ(file.handle, platform::kInvalidFile) << "the previous file is closed first";
    EXPECT_EQ(file.Open(u"/nonexistent/wuvo.bin", RawFile::kModeRead), -2);
    EXPECT_EQ(file.Open(u"/nonexistent/wuvo.bin", RawFile::kModeReadWrite), -2);
}

TEST(Mp4RawFile, PathsThatDoNotFitAreRefusedNotCut)
{
    std::string folder = test::TestOutputDir() + "/";
    std::u16string fitting = TestFile(std::string(RawFile::kPathCapacity - 1 - folder.size(), 'f'), "x");
    RawFile file;
    ASSERT_EQ(file.Open(fitting.c_str(), RawFile::kModeRead), 0);
    EXPECT_EQ(std::u16string(file.path), fitting);

    // Its name cut to the field would be the fitting file above.
    std::u16string tooLong = TestFile(std::string(RawFile::kPathCapacity - folder.size(), 'f'), "x");
    EXPECT_EQ(file.Open(tooLong.c_str(), RawFile::kModeRead), -2);
    EXPECT_EQ(file.handle, platform::kInvalidFile);
    EXPECT_EQ(std::u16string(file.path), fitting) << "the path of the last successful open stays";
}
