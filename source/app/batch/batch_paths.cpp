#include "app/batch/batch_paths.h"

#include <sys/stat.h>

#include "engine/naming/output_name.h"
#include "platform/text/utf.h"

namespace wuvo {

namespace {

constexpr char16_t kPathSeparator = u'/';

bool FileExists(const std::u16string& path)
{
    struct stat info {};
    return ::stat(platform::ToUtf8(path).c_str(), &info) == 0;
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
    struct stat a {};
    struct stat b {};
    return ::stat(platform::ToUtf8(first).c_str(), &a) == 0 && ::stat(platform::ToUtf8(second).c_str(), &b) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::u16string BatchOutputs::FreePathFor(const std::u16string& path) const
{
    if (!written_.contains(path))
        return path;
    for (uint64_t counter = 1;; ++counter) {
        std::u16string numbered = NumberedPath(path, counter);
        if (!written_.contains(numbered) && !FileExists(numbered))
            return numbered;
    }
}

}  // namespace wuvo
