#include "platform/files/posix_file.h"
#include "support/fixtures.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <chrono>
#include <filesystem>
#include <future>
#include <thread>

#include <gtest/gtest.h>

using namespace wuvo::platform;

TEST(PosixFile, WritesReadsSeeksAndSizes)
{
    std::string path = wuvo::test::TestOutputDir() + "/posix_file_test.bin";
    int out = OpenFile(path, FileAccess::WriteTruncate);
    ASSERT_NE(out, kInvalidFile);
    ASSERT_EQ(::write(out, "abcdef", 6), 6);
    CloseFile(out);

    int in = OpenFile(path, FileAccess::Read);
    ASSERT_NE(in, kInvalidFile);
    EXPECT_EQ(FileSize(in), 6);
    EXPECT_EQ(SeekFile(in, 2, SeekFrom::Start), 2);
    char buffer[8] = {};
    EXPECT_EQ(ReadFile(in, buffer, 8), 4);
    EXPECT_STREQ(buffer, "cdef");
    EXPECT_EQ(ReadFile(in, buffer, 1), 0) << "end of file reads nothing";
    EXPECT_EQ(SeekFile(in, -1, SeekFrom::End), 5);
    CloseFile(in);
    std::filesystem::remove(path);
}

TEST(PosixFile, RefusesMissingFilesAndFolders)
{
    EXPECT_EQ(OpenFile("/nonexistent/wuvo/file", FileAccess::Read), kInvalidFile);
    EXPECT_EQ(OpenFile(wuvo::test::TestOutputDir(), FileAccess::Read), kInvalidFile);
    EXPECT_EQ(OpenFile("/nonexistent/wuvo/file", FileAccess::ReadWrite), kInvalidFile);
}

// A pipe with no writer would block the open (and every read) for ever; it
// is refused at once. Should the open block after all, a writer is opened to
// release it, so a failing test ends.
TEST(PosixFile, RefusesPipesWithoutWaitingForAWriter)
{
    std::string fifo = wuvo::test::TestOutputDir() + "/posix_file_test.fifo";
    std::filesystem::remove(fifo);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (FileAccess access : {FileAccess::Read, FileAccess::ReadWrite}) {
        std::promise<int> opened;
        std::future<int> result = opened.get_future();
        std::thread([opened = std::move(opened), fifo, access]() mutable {
            opened.set_value(OpenFile(fifo, access));
        }).detach();
        bool done = result.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
        if (!done) {
            int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            result.wait();
            ::close(writer);
        }
        EXPECT_TRUE(done) << "the open waited for a writer";
        int fd = result.get();
        EXPECT_EQ(fd, kInvalidFile);
        CloseFile(fd);
    }
    std::filesystem::remove(fifo);
}

TEST(PosixFile, RenameNeverReplacesAnExistingFile)
{
    std::string folder = wuvo::test::FreshOutputFolder("rename-no-replace");
    auto write = [](const std::string& path, const char* text) {
        int fd = OpenFile(path, FileAccess::WriteTruncate);
        ASSERT_NE(fd, kInvalidFile);
        ASSERT_EQ(::write(fd, text, 1), 1);
        CloseFile(fd);
    };
    write(folder + "/a", "a");
    write(folder + "/b", "b");

    EXPECT_EQ(RenameNoReplace(folder + "/a", folder + "/b"), RenameResult::TargetExists);
    int fd = OpenFile(folder + "/b", FileAccess::Read);
    char byte = 0;
    EXPECT_EQ(ReadFile(fd, &byte, 1), 1);
    EXPECT_EQ(byte, 'b') << "the target is untouched";
    CloseFile(fd);

    EXPECT_EQ(RenameNoReplace(folder + "/a", folder + "/c"), RenameResult::Renamed);
    EXPECT_FALSE(std::filesystem::exists(folder + "/a"));
    EXPECT_EQ(RenameNoReplace(folder + "/a", folder + "/d"), RenameResult::Failed) << "no source";
    std::filesystem::remove_all(folder);
}
