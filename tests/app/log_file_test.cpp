#include <gtest/gtest.h>

#include "app/log/log_lines.h"
#include "platform/text/utf.h"
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
    // A name that is not UTF-8 is shown with U+FFFD, and so written: the file stays UTF-8.
    lines.Add(platform::ToUtf16("\tOutput file: /v/caf\xE9.mp4"));
    ASSERT_TRUE(WriteLogFile(path, lines.From(0)));
    EXPECT_EQ(ReadFileText(path),
              "========== Mon Dec  7 08:11:57 2026 ==========\nStamping interrupted.\n\n"
              "\tInput file:  /v/\xC3\xA9t\xC3\xA9.mov\n\tOutput file: /v/caf\xEF\xBF\xBD.mp4\n");
    EXPECT_EQ(lines.From(3).size(), 1u);
    EXPECT_TRUE(lines.From(5).empty());

    ASSERT_TRUE(WriteLogFile(path, {}));
    EXPECT_EQ(ReadFileText(path), "") << "a run without a batch writes an empty log";
}
