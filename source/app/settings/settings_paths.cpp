#include "app/settings/settings_paths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace wuvo {

namespace {

constexpr char kProgramFolder[] = "Wuvo";
constexpr char kDefaultDataHome[] = ".local/share";
constexpr char kDefaultTemp[] = "/tmp";
constexpr char kDefaultConfigHome[] = ".config";
constexpr char kVendorFolder[] = "Fenwarl";
constexpr char kRecentProjectsName[] = "Wuvo.conf";

std::string Variable(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// An XDG base folder from its variable, or its default under the home
// folder; XDG ignores relative values.
std::string XdgFolder(const char* variable, const char* defaultUnderHome)
{
    std::string folder = Variable(variable);
    if (!folder.empty() && folder.front() == '/')
        return folder;
    return PathInFolder(Variable("HOME"), defaultUnderHome);
}

}  // namespace

std::string LocalAppDataFolder()
{
    std::string folder = Variable("LOCALAPPDATA");
    if (!folder.empty())
        return folder;
    return PathInFolder(XdgFolder("XDG_DATA_HOME", kDefaultDataHome), kProgramFolder);
}

std::string RecentProjectsFile()
{
    return PathInFolder(PathInFolder(XdgFolder("XDG_CONFIG_HOME", kDefaultConfigHome), kVendorFolder),
                        kRecentProjectsName);
}

std::string TempFolder()
{
    for (const char* name : {"TEMP", "TMPDIR"}) {
        std::string folder = Variable(name);
        if (!folder.empty())
            return folder;
    }
    return kDefaultTemp;
}

std::string PathInFolder(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return "";
    return (std::filesystem::path(folder) / name).string();
}

bool EnsureFolder(const std::string& folder)
{
    if (folder.empty())
        return false;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return std::filesystem::is_directory(folder, error);
}

}  // namespace wuvo
