#include "app/batch/batch_paths.h"

#include <cstdio>
#include <optional>
#include <sys/stat.h>

#include "engine/naming/output_name.h"
#include "platform/files/temp_files.h"
#include "platform/text/utf.h"

namespace wuvo {

namespace {

constexpr char16_t kPathSeparator = u'/';
// Replaced by random characters when the temporary output is made.
constexpr std::u16string_view kUniquePart = u"-XXXXXX";

using FileIdentity = std::pair<dev_t, ino_t>;

std::optional<FileIdentity> IdentityOf(std::u16string_view path)
{
    struct stat info {};
    if (::stat(platform::ToUtf8(path).c_str(), &info) != 0)
        return std::nullopt;
    return FileIdentity{info.st_dev, info.st_ino};
}

bool FileExists(const std::u16string& path)
{
    return IdentityOf(path).has_value();
}

}  // namespace

std::u16string OutputNameFor(std::u16string_view inputPath, bool renameOutput)
{
    if (renameOutput)
        return std::u16string(kTemporaryOutputStem) + std::u16string(kOutputExtension);
    return std::u16string(InputStem(inputPath)) + std::u16string(kOutputExtension);
}

std::u16string OutputPathFor(std::u16string_view folder, std::u16string_view name)
{
    std::u16string path(folder);
    if (!path.ends_with(kPathSeparator))
        path += kPathSeparator;
    return path + std::u16string(name);
}

bool IsSameFile(std::u16string_view first, std::u16string_view second)
{
    std::optional<FileIdentity> a = IdentityOf(first);
    return a && a == IdentityOf(second);
}

std::u16string TemporaryOutputPattern(std::u16string_view folder)
{
    return OutputPathFor(folder, std::u16string(kTemporaryOutputStem) + std::u16string(kUniquePart) +
                                     std::u16string(kOutputExtension));
}

std::optional<std::u16string> ReserveTemporaryOutput(const std::u16string& pattern)
{
    std::optional<std::string> made = platform::CreateUniqueFile(platform::ToUtf8(pattern), kOutputExtension.size());
    if (!made)
        return std::nullopt;
    return platform::ToUtf16(*made);
}

void ReleaseTemporaryOutput(const std::u16string& path)
{
    std::string file = platform::ToUtf8(path);
    struct stat info {};
    if (::stat(file.c_str(), &info) == 0 && info.st_size == 0)
        std::remove(file.c_str());
}

BatchOutputs::BatchOutputs(const std::vector<std::u16string>& inputs)
{
    for (const std::u16string& input : inputs)
        if (std::optional<FileIdentity> identity = IdentityOf(input))
            inputs_.insert(*identity);
}

BatchOutputs::Clash BatchOutputs::ClashOf(const std::u16string& path) const
{
    if (written_.contains(path))
        return Clash::EarlierOutput;
    std::optional<FileIdentity> identity = IdentityOf(path);
    return identity && inputs_.contains(*identity) ? Clash::Input : Clash::None;
}

std::u16string BatchOutputs::FreePathFor(const std::u16string& path) const
{
    for (uint64_t counter = 1;; ++counter) {
        std::u16string numbered = NumberedPath(path, counter);
        if (!written_.contains(numbered) && !FileExists(numbered))
            return numbered;
    }
}

}  // namespace wuvo
