#include "app/settings/settings_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "app/settings/settings_paths.h"
#include "support/app_harness.h"
#include "support/ordinary_user.h"

using namespace wuvo;
using wuvo::test::AsAnOrdinaryUser;
using wuvo::test::ReadFileText;
using wuvo::test::ScopedEnv;
using wuvo::test::ScratchFolder;

namespace {

template <typename T>
T ValueAt(const std::string& bytes, size_t offset)
{
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

template <typename T>
void PutAt(std::string& bytes, size_t offset, T value)
{
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// Every settings test starts from the defaults and leaves them behind.
class SettingsFileTest : public testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset()
    {
        ResetSettings(gSettings);
        OutputFolder.clear();
        DateFormatTable[0][0] = DateFormatTable[kDateFormatsPerGroup * 3][0] = TimeFormatTable[0][0] = 0;
    }
    ScratchFolder folder_;
    std::string path_ = folder_ / "Wuvo.cfg";
};

}  // namespace

TEST_F(SettingsFileTest, RoundTripIsByteExactWithValuesAtTheirStoredOffsets)
{
    gSettings.language = 7;
    gSettings.bitrate = 1234;
    gSettings.adjustHours = -5;
    gSettings.dateStamp.y = 321;
    gSettings.timeStamp.rotation = 270;
    gSettings.speedUpFactor = 9;
    std::memcpy(gSettings.projectPath, u"/home/me/trip.wuvo", sizeof u"/home/me/trip.wuvo");
    std::memcpy(DateFormatTable[kDateFormatsPerGroup * 3], u"%d.%m.%Y", sizeof u"%d.%m.%Y");
    std::memcpy(TimeFormatTable[0], u"%H h %M", sizeof u"%H h %M");
    OutputFolder = std::u16string(127, u'f');
    ASSERT_TRUE(WriteSettingsFile(path_));

    std::string bytes = ReadFileText(path_);
    ASSERT_EQ(bytes.size(), 7820u);
    EXPECT_EQ(bytes.substr(0, 10), "Wuvo-1.0.0");
    EXPECT_EQ(bytes.substr(10, 6), std::string(6, '\0'));
    EXPECT_EQ(ValueAt<uint32_t>(bytes, 24), 7u);
    EXPECT_EQ(ValueAt<int32_t>(bytes, 40), -5);
    EXPECT_EQ(ValueAt<uint32_t>(bytes, 56), 1234u);
    EXPECT_EQ(ValueAt<uint32_t>(bytes, 276), 2u) << "view mode";
    EXPECT_EQ(ValueAt<char16_t>(bytes, 792), u'/') << "project path";
    EXPECT_EQ(ValueAt<int32_t>(bytes, 1304 + 224), 321) << "date stamp y";
    EXPECT_EQ(ValueAt<int32_t>(bytes, 1304 + 228), -48) << "date stamp font height";
    EXPECT_EQ(ValueAt<uint32_t>(bytes, 1692 + 384), 270u) << "time stamp rotation";
    EXPECT_EQ(ValueAt<uint32_t>(bytes, 2748), 1u);
    EXPECT_EQ(ValueAt<uint32_t>(bytes, 2756), 9u);
    EXPECT_EQ(ValueAt<char16_t>(bytes, 6564 + 600), u'%') << "custom date slot of group 3";
    EXPECT_EQ(ValueAt<char16_t>(bytes, 7364 + 2), u'H') << "custom time slot";
    EXPECT_EQ(ValueAt<char16_t>(bytes, 7564 + 2 * 126), u'f');
    EXPECT_EQ(ValueAt<char16_t>(bytes, 7564 + 2 * 127), 0) << "the folder keeps its terminator";

    AppSettings written = gSettings;
    Reset();
    ASSERT_TRUE(ReadSettingsFile(path_));
    EXPECT_EQ(std::memcmp(&written, &gSettings, sizeof written), 0);
    EXPECT_EQ(std::u16string(TimeFormatTable[0]), u"%H h %M");
    EXPECT_EQ(OutputFolder, std::u16string(127, u'f'));
    ASSERT_TRUE(WriteSettingsFile(folder_ / "again.cfg"));
    EXPECT_EQ(ReadFileText(folder_ / "again.cfg"), bytes);
}

TEST_F(SettingsFileTest, DamagedFilesLeaveTheSettingsAsTheyWere)
{
    ASSERT_TRUE(WriteSettingsFile(path_));
    std::string good = ReadFileText(path_);
    gSettings.bitrate = 777;

    std::string otherVersion = good;
    otherVersion[9] = '1';
    std::string cases[] = {good.substr(0, 7819), otherVersion, ""};
    for (const std::string& damaged : cases) {
        WriteBytes(path_, damaged);
        EXPECT_FALSE(ReadSettingsFile(path_)) << damaged.size() << " bytes";
        EXPECT_EQ(gSettings.bitrate, 777u);
    }
    EXPECT_FALSE(ReadSettingsFile(folder_ / "missing.cfg"));
    EXPECT_FALSE(ReadSettingsFile(folder_.Path())) << "a folder is no settings file";
    EXPECT_FALSE(ReadSettingsFile(""));
}

TEST_F(SettingsFileTest, ForeignValuesAreBoundedAndTextsEndInTheirFields)
{
    ASSERT_TRUE(WriteSettingsFile(path_));
    std::string bytes = ReadFileText(path_);
    PutAt<uint32_t>(bytes, 24, 99);          // language
    PutAt<uint32_t>(bytes, 52, 12);          // output size
    PutAt<uint32_t>(bytes, 56, 0);           // bitrate
    PutAt<int32_t>(bytes, 1304 + 320, 1'000'000);  // date font size
    PutAt<uint32_t>(bytes, 1692 + 384, 45);  // time rotation
    PutAt<uint32_t>(bytes, 2472, 1);
    PutAt<uint32_t>(bytes, 2476, 1);
    PutAt<uint32_t>(bytes, 2740, 3);
    PutAt<uint32_t>(bytes, 2756, 0);          // speed-up factor
    PutAt<uint32_t>(bytes, 48, 0xFFFFFFFF);   // adjust seconds: taken as stored
    PutAt<uint32_t>(bytes, 1304 + 216, 99);   // date format index
    PutAt<uint32_t>(bytes, 1692 + 216, 15);   // time format index
    PutAt<int32_t>(bytes, 1304 + 220, INT32_MIN);  // date x
    PutAt<int32_t>(bytes, 1692 + 224, -1);    // time y
    for (size_t i = 0; i < 100; ++i)
        PutAt<char16_t>(bytes, 76 + 2 * i, u'x');  // naming pattern without its end
    for (size_t i = 0; i < 128; ++i)
        PutAt<char16_t>(bytes, 7564 + 2 * i, u'd');  // folder without its end
    WriteBytes(path_, bytes);

    ASSERT_TRUE(ReadSettingsFile(path_));
    EXPECT_EQ(gSettings.language, 3u);
    EXPECT_EQ(gSettings.outputSize, 7u);
    EXPECT_EQ(gSettings.bitrate, 20u);
    EXPECT_EQ(gSettings.dateStamp.rasterHeight, kMaxRasterHeight);
    EXPECT_EQ(gSettings.timeStamp.rotation, 0u);
    EXPECT_EQ(gSettings.nvDecoderAvailable + gSettings.nvEncoderSelected + gSettings.decoderKind, 0u);
    EXPECT_EQ(gSettings.speedUpFactor, 5u);
    EXPECT_EQ(gSettings.adjustSeconds, -1);
    EXPECT_EQ(gSettings.dateStamp.formatIndex, 1u) << "past the list: its first format";
    EXPECT_EQ(gSettings.timeStamp.formatIndex, 1u);
    EXPECT_EQ(gSettings.dateStamp.x, 0);
    EXPECT_EQ(gSettings.timeStamp.y, 0);
    EXPECT_EQ(std::u16string(gSettings.renamePattern), std::u16string(99, u'x'));
    EXPECT_TRUE(OutputFolder.empty()) << "a cut folder could name another folder";
}

TEST_F(SettingsFileTest, AFailedWriteLeavesNothingBehindAndAFolderTooLongIsNotCut)
{
    OutputFolder = std::u16string(128, u'a');
    ASSERT_TRUE(WriteSettingsFile(path_));
    ASSERT_TRUE(ReadSettingsFile(path_));
    EXPECT_TRUE(OutputFolder.empty());

    std::string taken = folder_ / "taken";
    std::filesystem::create_directories(taken + "/inside");
    EXPECT_FALSE(WriteSettingsFile(taken)) << "a folder of that name cannot be replaced";
    EXPECT_TRUE(std::filesystem::is_directory(taken + "/inside"));
    EXPECT_FALSE(WriteSettingsFile(folder_ / "no/such/folder/Wuvo.cfg"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.Path()), {}), 2)
        << "no temporary file is left behind";
}

TEST_F(SettingsFileTest, ALinkedFileIsWrittenThroughItsLinkAndKeepsItsPermissions)
{
    namespace fs = std::filesystem;
    fs::create_directories(folder_ / "dotfiles");
    const std::string target = folder_ / "dotfiles/Wuvo.cfg";
    WriteBytes(target, "old");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("dotfiles/Wuvo.cfg", path_);
    gSettings.language = 9;
    ASSERT_TRUE(WriteSettingsFile(path_));
    EXPECT_TRUE(fs::is_symlink(path_));
    EXPECT_EQ(fs::file_size(target), sizeof(SettingsFile));
    EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    gSettings.language = 3;
    ASSERT_TRUE(ReadSettingsFile(path_));
    EXPECT_EQ(gSettings.language, 9u);
}

// A write goes as far as a plain write of the file would: a file made
// read-only is left alone; a writable file in a folder that takes no new
// file is written in place, without the longer old file's tail; a name as
// long as the file system takes is written.
TEST_F(SettingsFileTest, WritesGoAsFarAsAPlainWriteWould)
{
    namespace fs = std::filesystem;
    gSettings.language = 9;
    WriteBytes(path_, "kept");
    fs::permissions(path_, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const std::string locked = folder_ / "locked";
    fs::create_directory(locked);
    const std::string inLocked = locked + "/Wuvo.cfg";
    WriteBytes(inLocked, std::string(sizeof(SettingsFile) + 100, 'o'));
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    {
        AsAnOrdinaryUser user;
        EXPECT_FALSE(WriteSettingsFile(path_));
        EXPECT_TRUE(WriteSettingsFile(inLocked));
    }
    fs::permissions(locked, fs::perms::owner_all);
    EXPECT_TRUE(ReadFileText(path_) == "kept") << "the read-only file was replaced";
    EXPECT_EQ(fs::status(path_).permissions(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(fs::file_size(inLocked), sizeof(SettingsFile));
    const std::string longest = folder_ / (std::string(250, 'p') + ".wuvo");
    EXPECT_TRUE(WriteSettingsFile(longest));

    for (const std::string& written : {inLocked, longest}) {
        gSettings.language = 3;
        ASSERT_TRUE(ReadSettingsFile(written)) << written;
        EXPECT_EQ(gSettings.language, 9u);
    }
}

// A folder every user may write: only a file no one else can have written
// is taken from there, and a folder made there for the user is his alone.
TEST_F(SettingsFileTest, FromAFolderOthersMayWriteOnlyTheUsersOwnFileIsTaken)
{
    namespace fs = std::filesystem;
    constexpr uid_t kNobody = 65534;
    gSettings.language = 9;
    ASSERT_TRUE(WriteSettingsFile(path_));
    const std::string linked = folder_ / "linked.cfg";
    const std::string writable = folder_ / "writable.cfg";
    const std::string foreign = folder_ / "foreign.cfg";
    fs::create_symlink(path_, linked);
    fs::copy_file(path_, writable);
    fs::permissions(writable, fs::perms::group_write, fs::perm_options::add);
    fs::copy_file(path_, foreign);
    const std::string planted = folder_ / "planted";
    fs::create_directory(planted);
    if (::chown(foreign.c_str(), kNobody, kNobody) != 0 || ::chown(planted.c_str(), kNobody, kNobody) != 0)
        GTEST_SKIP() << "giving a file to another user needs the administrator's rights";
    for (const std::string& refused : {linked, writable, foreign}) {
        gSettings.language = 3;
        EXPECT_FALSE(ReadSettingsFile(refused, SettingsFrom::OwnFile)) << refused;
        EXPECT_EQ(gSettings.language, 3u);
        EXPECT_TRUE(ReadSettingsFile(refused)) << "elsewhere any readable file is taken";
    }
    EXPECT_TRUE(ReadSettingsFile(path_, SettingsFrom::OwnFile));

    AsAnOrdinaryUser user;
    EXPECT_FALSE(EnsurePrivateFolder(planted));
    EXPECT_FALSE(EnsurePrivateFolder(linked));
    const std::string own = folder_ / "own";
    EXPECT_TRUE(EnsurePrivateFolder(own));
    EXPECT_TRUE(EnsurePrivateFolder(own)) << "made by an earlier run";
    EXPECT_EQ(fs::status(own).permissions(), fs::perms::owner_all);
}

TEST(SettingsLocation, UserDataFolderThenTheTemporaryFolder)
{
    ScopedEnv home("HOME", "/home/ann");
    {
        ScopedEnv local("LOCALAPPDATA", "/data/local");
        ScopedEnv xdg("XDG_DATA_HOME", "/xdg");
        EXPECT_EQ(LocalAppDataFolder(), "/data/local");
    }
    {
        ScopedEnv local("LOCALAPPDATA", "");
        ScopedEnv xdg("XDG_DATA_HOME", "/xdg");
        EXPECT_EQ(LocalAppDataFolder(), "/xdg/Wuvo");
    }
    {
        ScopedEnv local("LOCALAPPDATA", std::nullopt);
        ScopedEnv xdg("XDG_DATA_HOME", "relative/ignored");
        EXPECT_EQ(LocalAppDataFolder(), "/home/ann/.local/share/Wuvo");
    }
    {
        ScopedEnv local("LOCALAPPDATA", std::nullopt);
        ScopedEnv xdg("XDG_DATA_HOME", std::nullopt);
        ScopedEnv noHome("HOME", std::nullopt);
        EXPECT_EQ(LocalAppDataFolder(), "");
    }
    {
        ScopedEnv temp("TEMP", "/t1");
        ScopedEnv tmpdir("TMPDIR", "/t2");
        EXPECT_EQ(TempFolder(), "/t1");
    }
    {
        ScopedEnv temp("TEMP", "");
        ScopedEnv tmpdir("TMPDIR", "/t2");
        EXPECT_EQ(TempFolder(), "/t2");
    }
    ScopedEnv temp("TEMP", std::nullopt);
    ScopedEnv tmpdir("TMPDIR", std::nullopt);
    EXPECT_EQ(TempFolder(), "/tmp");
    {
        ScopedEnv runtime("XDG_RUNTIME_DIR", "/run/user/1000");
        EXPECT_EQ(UserTempFolder(), "/run/user/1000/Wuvo");
    }
    ScopedEnv runtime("XDG_RUNTIME_DIR", std::nullopt);
    EXPECT_EQ(UserTempFolder(), "/tmp/Wuvo-" + std::to_string(::geteuid()));
}
