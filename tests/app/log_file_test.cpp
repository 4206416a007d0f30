#include <gtest/gtest.h>

#include "app/log/log_lines.h"
#include "support/app_harness.h"

using namespace wuvo;
using wuvo::test::ReadFileText;
using wuvo::test::ScratchFolder;

TEST(LogFile, OneLinePerEntryReplacingTheOldFile)
{
    ScratchFolder folder;
    std::string path = folder / "Wuvo.log";
    ASSERT_TRUE(WriteLogFile(path, {u"an earlier run"}));

    LogLines lines;
    lines.Add(u"========== Mon Dec  7 08:11:57 2026 ==========");
    lines.Add(u"Stamping interrupted.\n");
    lines.Add(u"\tInput file:  /v/été.mov");
    ASSERT_TRUE(WriteLogFile(path, lines.From(0)));
    EXPECT_EQ(ReadFileText(path),
              "========== Mon Dec  7 08:11:57 2026 ==========\nStamping interrupted.\n\n\tInput file:  /v/\xC3\xA9t\xC3\xA9.mov\n");
    EXPECT_EQ(lines.From(2).size(), 1u);
    EXPECT_TRUE(lines.From(5).empty());

    ASSERT_TRUE(WriteLogFile(path, {}));
    EXPECT_EQ(ReadFileText(path), "") << "a run without a batch writes an empty log";
}
