#include "app/settings/settings_file.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <optional>

#include "platform/files/posix_file.h"
#include "platform/files/replace_file.h"
#include "platform/text/utf.h"

namespace wuvo {

std::u16string OutputFolder;
bool SettingsModified = false;

namespace {

constexpr char kSettingsMagic[kSettingsMagicLength + 1] = "Wuvo-1.0.0";
constexpr uint32_t kDefaultSpeedUpFactor = 5;
constexpr uint32_t kFirstListedFormat = 1;

// The stored text up to its terminator; the field's last unit becomes one
// when the file has none, so every text the program reads ends in the field.
template <size_t N>
void TerminateField(char16_t (&field)[N])
{
    field[N - 1] = 0;
}

void TerminateTexts(StampStyle& stamp)
{
    TerminateField(stamp.format);
    TerminateField(stamp.font.faceName);
}

// A font size the rasteriser takes seconds over, a rotation the blend does
// not know, a format its list does not offer (the list's first format then,
// as New and Open choose) or a position left of or above the frame, from a
// foreign or damaged file.
void BoundStamp(StampStyle& stamp, uint32_t formatCount)
{
    stamp.rasterHeight = BoundRasterHeight(stamp.rasterHeight);
    if (stamp.rotation % 90 != 0 || stamp.rotation > 270)
        stamp.rotation = 0;
    if (stamp.formatIndex >= formatCount)
        stamp.formatIndex = kFirstListedFormat;
    stamp.x = std::max(stamp.x, 0);
    stamp.y = std::max(stamp.y, 0);
}

// Indexes into the program's tables and lists, and a bitrate that would be
// zero or overflow bit/s, are kept to what the program can offer.
void BoundSettings(AppSettings& settings)
{
    TerminateField(settings.renamePattern);
    TerminateField(settings.lastInputPath);
    TerminateField(settings.projectPath);
    TerminateTexts(settings.dateStamp);
    TerminateTexts(settings.timeStamp);
    if (settings.language >= kLanguageCount)
        settings.language = kDefaultLanguage;
    BoundStamp(settings.dateStamp, DateFormatCountTable[settings.language]);
    BoundStamp(settings.timeStamp, kTimeFormatEntries);
    if (settings.outputSize >= kOutputSizeTable.size())
        settings.outputSize = kNativeOutputSize;
    settings.bitrate = std::clamp(settings.bitrate, kMinBitrate, kMaxBitrate);
    if (settings.speedUpFactor == 0)
        settings.speedUpFactor = kDefaultSpeedUpFactor;
    // Nothing in the program selects the NVIDIA path.
    settings.nvDecoderAvailable = 0;
    settings.nvEncoderSelected = 0;
    settings.decoderKind = 0;
}

std::optional<std::string> ReadWholeFile(const std::string& path, size_t size, SettingsFrom from)
{
    int fd = platform::OpenFile(path, from == SettingsFrom::OwnFile ? platform::FileAccess::ReadOwn
                                                                    : platform::FileAccess::Read);
    if (fd == platform::kInvalidFile)
        return std::nullopt;
    std::string bytes(size, '\0');
    bool complete = platform::FileSize(fd) >= static_cast<int64_t>(size) &&
                    platform::ReadFile(fd, bytes.data(), size) == static_cast<int64_t>(size);
    platform::CloseFile(fd);
    if (!complete)
        return std::nullopt;
    return bytes;
}

}  // namespace

bool WriteSettingsFile(const std::string& path)
{
    if (path.empty())
        return false;
    SettingsFile file{};
    std::memcpy(file.magic, kSettingsMagic, kSettingsMagicLength);
    file.settings = gSettings;
    for (size_t group = 0; group < kDateFormatGroups; ++group)
        std::memcpy(file.dateCustom[group], DateFormatTable[group * kDateFormatsPerGroup], sizeof file.dateCustom[group]);
    std::memcpy(file.timeCustom, TimeFormatTable[kCustomFormat], sizeof file.timeCustom);
    platform::CopyToField(file.outputFolder, kFolderFieldChars, OutputFolder);
    return platform::ReplaceFileContents(path, std::string_view(reinterpret_cast<const char*>(&file), sizeof file));
}

bool ReadSettingsFile(const std::string& path, SettingsFrom from)
{
    if (path.empty())
        return false;
    std::optional<std::string> bytes = ReadWholeFile(path, sizeof(SettingsFile), from);
    if (!bytes || bytes->compare(0, kSettingsMagicLength, kSettingsMagic) != 0)
        return false;
    SettingsFile file;
    std::memcpy(&file, bytes->data(), sizeof file);
    BoundSettings(file.settings);
    gSettings = file.settings;
    for (size_t group = 0; group < kDateFormatGroups; ++group) {
        TerminateField(file.dateCustom[group]);
        std::memcpy(DateFormatTable[group * kDateFormatsPerGroup], file.dateCustom[group], sizeof file.dateCustom[group]);
    }
    TerminateField(file.timeCustom);
    std::memcpy(TimeFormatTable[kCustomFormat], file.timeCustom, sizeof file.timeCustom);
    // A folder field without its terminator is damaged: a cut path could name
    // another folder, so none is taken.
    size_t folderLength = platform::FieldLength(file.outputFolder, kFolderFieldChars);
    OutputFolder = folderLength < kFolderFieldChars ? std::u16string(file.outputFolder, folderLength) : u"";
    return true;
}

}  // namespace wuvo
