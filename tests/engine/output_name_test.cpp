#include "engine/naming/output_name.h"

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "engine/settings/app_settings.h"
#include "platform/text/utf.h"
#include "support/broken_down_time.h"
#include "support/fixtures.h"
#include "support/ordinary_user.h"

using namespace wuvo;
namespace fs = std::filesystem;

namespace {

using test::BrokenDownTime;

const std::tm kFirst = BrokenDownTime(2024, 5, 6, 7, 8, 9);
const std::tm kLast = BrokenDownTime(2024, 5, 6, 7, 10, 0);
// A temporary output as the batch makes one: a name of the job's own.
const std::string kTemporary = "tmpWuvoout-Ab12Cd.mp4";

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const fs::path& path, const std::string& content)
{
    std::ofstream(path) << content;
}

class OutputNameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = test::FreshOutputFolder(std::string("naming-") + info->name());
        ResetSettings(gSettings);
        gSettings.renameOutput = 1;
    }
    void TearDown() override { ResetSettings(gSettings); }

    void SetPattern(std::u16string_view pattern)
    {
        ASSERT_TRUE(platform::CopyToField(gSettings.renamePattern, kFormatChars, pattern));
    }

    // Writes a temporary output holding `content` into `into` and names it;
    // returns the output path afterwards.
    fs::path Name(const std::string& inputPath, const std::string& content = "video", fs::path into = {},
                  const std::tm& first = kFirst, const std::tm& last = kLast)
    {
        if (into.empty())
            into = folder;
        fs::path temporary = into / kTemporary;
        WriteAll(temporary, content);
        char16_t outputPath[kPathChars] = {};
        EXPECT_TRUE(platform::CopyToField(outputPath, kPathChars, platform::ToUtf16(temporary.string())));
        OutputNaming naming = MakeOutputFileName(platform::ToUtf16(inputPath).c_str(), outputPath, first, last);
        message = platform::ToUtf8(naming.logLine);
        named = naming.named;
        fs::path result = platform::ToUtf8(outputPath);
        EXPECT_EQ(ReadAll(result), content) << "the output path names the written file";
        return result;
    }

    fs::path folder;
    std::string message;
    bool named = false;
};

}  // namespace

TEST_F(OutputNameTest, DefaultPatternJoinsNameFirstAndLastTimecode)
{
    EXPECT_EQ(Name("/videos/clip.mp4"), folder / "clip-20240506070809-240506071000.mp4");
    EXPECT_EQ(message, "");
    EXPECT_FALSE(fs::exists(folder / kTemporary));

    EXPECT_EQ(Name("/videos/MOV_0001.MOV", "v", {}, BrokenDownTime(2023, 12, 31, 23, 59, 58), BrokenDownTime(2024, 1, 1, 0, 1, 2)),
              folder / "MOV_0001-20231231235958-240101000102.mp4");
}

TEST_F(OutputNameTest, InputNameLosesOnlyItsLastExtension)
{
    SetPattern(u"@N");
    EXPECT_EQ(Name("/videos/clip"), folder / "clip.mp4") << "no dot: the whole name";
    EXPECT_EQ(Name("/videos/a.b.c.mov"), folder / "a.b.c.mp4");
    EXPECT_EQ(Name("/my.videos/take"), folder / "take.mp4") << "a dot in a folder is not the name's";
    EXPECT_EQ(Name("x@N@F.mp4"), folder / "x@N240506.mp4")
        << "a name holding a token is expanded once by that token, and by the later ones";
}

TEST_F(OutputNameTest, ExistingFilesGetACounterAndAreNeverReplaced)
{
    SetPattern(u"@N");
    WriteAll(folder / "clip.mp4", "older");
    WriteAll(folder / "clip-1.mp4", "oldest");
    EXPECT_EQ(Name("/videos/clip.mp4", "new"), folder / "clip-2.mp4");
    EXPECT_EQ(ReadAll(folder / "clip.mp4"), "older");
    EXPECT_EQ(ReadAll(folder / "clip-1.mp4"), "oldest");

    SetPattern(u"trip");
    EXPECT_EQ(Name("/videos/a.mp4", "a"), folder / "trip.mp4");
    EXPECT_EQ(Name("/videos/b.mp4", "b"), folder / "trip-1.mp4");
    EXPECT_EQ(Name("/videos/c.mp4", "c"), folder / "trip-2.mp4");
    EXPECT_EQ(ReadAll(folder / "trip.mp4"), "a");
}

TEST_F(OutputNameTest, OnlyTheFileNameIsRewritten)
{
    fs::path inner = folder / "tmpWuvoout-work";
    fs::create_directories(inner);
    SetPattern(u"@N");
    EXPECT_EQ(Name("/videos/clip.mp4", "v", inner), inner / "clip.mp4");
}

// A name that cannot be given leaves the output under its temporary name,
// which the log then gives.
TEST_F(OutputNameTest, NameWithASlashIsRefusedAndTheOutputKept)
{
    SetPattern(u"@N/../escape");
    EXPECT_EQ(Name("/videos/clip.mp4", "first"), folder / kTemporary);
    EXPECT_NE(message.find("contains \"/\""), std::string::npos) << message;
    EXPECT_FALSE(named);
    EXPECT_FALSE(fs::exists(folder.parent_path() / "escape.mp4"));
}

TEST_F(OutputNameTest, FailedRenameIsReportedWithItsReasonAndTheOutputKept)
{
    SetPattern(u"@N");
    WriteAll(folder / kTemporary, "first");
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    {
        test::AsAnOrdinaryUser user;
        EXPECT_EQ(Name("/videos/clip.mp4", "first"), folder / kTemporary);
    }
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_EQ(message, "Cannot rename output file to " + (folder / "clip.mp4").string() + ": Permission denied.\n");
    EXPECT_FALSE(named);
}

// The path field holds 255 units, counted in UTF-16 as the folder's name of
// several bytes, and of two units, per character shows: a name that fills
// it is given, also as a numbered name; one a unit longer is refused rather
// than cut.
TEST_F(OutputNameTest, PathsPastTheFieldAreRefused)
{
    fs::path deep = folder / std::string(150, 'd');
    fs::create_directories(deep);
    SetPattern(std::u16string(99, u'n'));
    EXPECT_EQ(Name("/videos/clip.mp4", "v", deep), deep / kTemporary);
    EXPECT_NE(message.find("Output file name too long"), std::string::npos) << message;

    // A folder that leaves room for names of `fill` units.
    const size_t fill = 60;
    const size_t folderUnits = kPathChars - 1 - fill - std::u16string_view(u"/.mp4").size();
    fs::path wide = folder / "日記😀日記😀日記😀日記😀日記😀";
    wide /= std::string(folderUnits - platform::ToUtf16(wide.string() + "/").size(), 'd');
    fs::create_directories(wide);
    ASSERT_EQ(platform::ToUtf16(wide.string()).size(), folderUnits);
    const auto named = [&](char16_t letter, size_t length) {
        SetPattern(std::u16string(length, letter));
        return Name("/videos/clip.mp4", std::string(1, static_cast<char>(letter)), wide);
    };
    const std::string f(fill, 'f');
    EXPECT_EQ(named(u'f', fill), wide / (f + ".mp4"));
    EXPECT_EQ(named(u'o', fill + 1), wide / kTemporary);
    EXPECT_NE(message.find("Output file name too long"), std::string::npos) << message;
    fs::remove(wide / kTemporary);
    EXPECT_EQ(named(u'f', fill - 2), wide / (f.substr(2) + ".mp4"));
    EXPECT_EQ(named(u'f', fill - 2), wide / (f.substr(2) + "-1.mp4")) << "a numbered name of 255 units";
    EXPECT_EQ(named(u'g', fill - 1), wide / (std::string(fill - 1, 'g') + ".mp4"));
    EXPECT_EQ(named(u'g', fill - 1), wide / kTemporary) << "a numbered name of 256 units";
    EXPECT_NE(message.find("Output file name too long"), std::string::npos) << message;
}

TEST_F(OutputNameTest, NothingHappensWhenRenamingIsOff)
{
    gSettings.renameOutput = 0;
    EXPECT_EQ(Name("/videos/clip.mp4"), folder / kTemporary);
    EXPECT_EQ(message, "");
}

TEST_F(OutputNameTest, NoStampedFrameStillGivesAName)
{
    fs::path named = Name("/videos/clip.mp4", "v", {}, std::tm{}, std::tm{});
    EXPECT_EQ(message, "");
    EXPECT_EQ(named.parent_path(), folder);
    EXPECT_TRUE(named.filename().string().starts_with("clip-20")) << named;
}
