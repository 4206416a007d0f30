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

// $TEMP, else $TMPDIR, else /tmp.
std::string TempFolder();

// `name` in `folder`; empty when the folder is.
std::string PathInFolder(const std::string& folder, const std::string& name);

// Makes the folder and its parents as needed; true when it exists afterwards.
bool EnsureFolder(const std::string& folder);

}  // namespace wuvo
