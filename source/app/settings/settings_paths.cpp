#include "app/settings/settings_paths.h"

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace wuvo {

namespace {

constexpr char kProgramFolder[] = "Wuvo";
constexpr char kDefaultDataHome[] = ".local/share";
constexpr char kDefaultTemp[] = "/tmp";
constexpr char kDefaultConfigHome[] = ".config";
constexpr char kVendorFolder[] = "Fenwarl";
constexpr char kRecentProjectsName[] = "Wuvo.conf";
constexpr char kUserTempPrefix[] = "Wuvo-";
constexpr mode_t kPrivateFolderMode = 0700;
constexpr mode_t kWritableByOthers = S_IWGRP | S_IWOTH;

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

std::string UserTempFolder()
{
    std::string runtime = Variable("XDG_RUNTIME_DIR");
    if (!runtime.empty() && runtime.front() == '/')
        return PathInFolder(runtime, kProgramFolder);
    return PathInFolder(TempFolder(), kUserTempPrefix + std::to_string(::geteuid()));
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

bool EnsurePrivateFolder(const std::string& folder)
{
    if (folder.empty())
        return false;
    ::mkdir(folder.c_str(), kPrivateFolderMode);
    // Another user may have made it first, or put a link there.
    struct stat info {};
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
           (info.st_mode & kWritableByOthers) == 0;
}

std::string WritableDataFolder()
{
    std::string folder = LocalAppDataFolder();
    if (EnsureFolder(folder))
        return folder;
    folder = UserTempFolder();
    return EnsurePrivateFolder(folder) ? folder : "";
}

}  // namespace wuvo
