#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/settings/app_settings.h"
#include "engine/text/format_tables.h"

namespace wuvo {

// The output folder the batch writes into; stored in the settings file's
// last field, not in the record.
extern std::u16string OutputFolder;
// True when the settings differ from the last saved or opened project.
extern bool SettingsModified;

// "Wuvo.cfg" and project files: the record, the five custom format slots and
// the output folder, in one 7820-byte layout.
constexpr size_t kSettingsMagicLength = 10;
constexpr size_t kFolderFieldChars = 128;
struct SettingsFile {
    char magic[kSettingsMagicLength];
    uint8_t unused[6];
    AppSettings settings;
    char16_t dateCustom[kDateFormatGroups][kFormatChars];
    char16_t timeCustom[kFormatChars];
    char16_t outputFolder[kFolderFieldChars];
};
static_assert(sizeof(SettingsFile) == 7820);
static_assert(offsetof(SettingsFile, settings) == 16);
static_assert(offsetof(SettingsFile, dateCustom) == 6564);
static_assert(offsetof(SettingsFile, timeCustom) == 7364);
static_assert(offsetof(SettingsFile, outputFolder) == 7564);

// Font sizes a stamp may have, in tenths of a point: larger stamps no longer
// fit the rasteriser's surface and take seconds per frame.
constexpr int32_t kMinRasterHeight = 10;
constexpr int32_t kMaxRasterHeight = 7200;
inline int32_t BoundRasterHeight(int32_t tenthsOfPoint)
{
    return std::clamp(tenthsOfPoint, kMinRasterHeight, kMaxRasterHeight);
}

// The bitrates the program offers, in units of 100 kbit/s: 0 or a larger
// one would give no or an overflowing bit rate.
constexpr uint32_t kMinBitrate = 20;
constexpr uint32_t kMaxBitrate = 1500;

// Writes gSettings, the custom slots of the format tables and OutputFolder
// to `path` (UTF-8) through a temporary file. An output folder too long for
// its field is stored empty, never cut. False when the file cannot be written.
bool WriteSettingsFile(const std::string& path);

// OwnFile takes only a file that no other user can have written, for
// folders that others may write.
enum class SettingsFrom { AnyFile, OwnFile };

// Reads a file written by WriteSettingsFile into the same places. The whole
// file is checked first: a missing, short or foreign file changes nothing.
// Texts are read to their field's end at most, the codec-path fields are
// cleared and values the engine cannot work with are bounded.
bool ReadSettingsFile(const std::string& path, SettingsFrom from = SettingsFrom::AnyFile);

}  // namespace wuvo
