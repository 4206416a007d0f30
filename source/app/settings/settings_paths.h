#pragma once

#include <string>

namespace wuvo {

constexpr char kSettingsFileName[] = "Wuvo.cfg";
constexpr char kLogFileName[] = "Wuvo.log";

// Where the user's settings and log live: $LOCALAPPDATA when it is set and
// not empty, else $XDG_DATA_HOME/Wuvo, else ~/.local/share/Wuvo. Empty when
// none of them can be formed.
std::string LocalAppDataFolder();

// The file that keeps the recent-project list: Fenwarl/Wuvo.conf in
// $XDG_CONFIG_HOME, else in ~/.config. Empty when neither can be formed.
std::string RecentProjectsFile();

// $TEMP, else $TMPDIR, else /tmp: on Linux a folder every user may write.
std::string TempFolder();

// A folder of the user's own for what would otherwise be written into the
// temporary folder: Wuvo in $XDG_RUNTIME_DIR, else Wuvo-<user id> in
// TempFolder().
std::string UserTempFolder();

// `name` in `folder`; empty when the folder is.
std::string PathInFolder(const std::string& folder, const std::string& name);

// Makes the folder and its parents as needed; true when it exists afterwards.
bool EnsureFolder(const std::string& folder);

// Makes the folder, private, unless it exists; true when it is then a
// folder (no link) of the user's own that no one else may write.
bool EnsurePrivateFolder(const std::string& folder);

// The folder that the settings and the log are written to: the data folder,
// made on demand, else UserTempFolder(); empty when neither can be had.
std::string WritableDataFolder();

}  // namespace wuvo
