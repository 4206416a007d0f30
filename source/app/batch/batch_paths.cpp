#include "app/batch/batch_paths.h"

#include <cerrno>
#include <cstdio>
#include <optional>
#include <sys/stat.h>

#include "engine/settings/app_settings.h"
#include "platform/files/posix_file.h"
#include "platform/files/temp_files.h"
#include "platform/text/utf.h"

namespace wuvo {

namespace {

constexpr char16_t kPathSeparator = u'/';
// Replaced by random characters when the temporary output is made.
constexpr std::u16string_view kUniquePart = u"-XXXXXX";

using FileIdentity = std::pair<dev_t, ino_t>;

std::optional<FileIdentity> IdentityOf(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return FileIdentity{info.st_dev, info.st_ino};
}

std::optional<FileIdentity> IdentityOf(std::u16string_view path)
{
    return IdentityOf(platform::ToUtf8(path));
}

// Paths are handed to the job in a field of kPathChars, terminator included.
bool FitsThePathField(const std::u16string& path)
{
    return path.size() < kPathChars;
}

// Makes the temporary output under a name no other job or program holds.
void ReserveTemporaryOutput(OutputPlace& place)
{
    std::optional<std::string> made =
        platform::CreateUniqueFile(platform::ToUtf8(place.path), kOutputExtension.size());
    if (made) {
        place.path = platform::ToUtf16(*made);
    } else {
        place.refusal = OutputPlace::Refusal::NotCreated;
        place.error = errno;
    }
}

}  // namespace

FittedName OutputNameFor(std::u16string_view inputPath, uint64_t counter, size_t longest)
{
    return FitOutputName(
        InputStem(inputPath), [](std::u16string_view part) { return std::u16string(part); }, counter, longest);
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

void ReleaseTemporaryOutput(const std::u16string& path)
{
    std::string file = platform::ToUtf8(path);
    struct stat info {};
    if (::stat(file.c_str(), &info) == 0 && info.st_size == 0)
        std::remove(file.c_str());
}

BatchOutputs::BatchOutputs(const std::vector<std::u16string>& inputs, std::u16string folder)
    : folder_(std::move(folder)), longestName_(platform::LongestName(platform::ToUtf8(folder_)))
{
    for (const std::u16string& input : inputs)
        if (std::optional<FileIdentity> identity = IdentityOf(input))
            inputs_.insert(*identity);
}

OutputPlace BatchOutputs::Place(const std::u16string& input, bool renameOutput) const
{
    OutputPlace place;
    FittedName name = renameOutput ? FittedName{std::u16string(kTemporaryOutputStem) + std::u16string(kOutputExtension)}
                                   : OutputNameFor(input, 0, longestName_);
    place.named = OutputPathFor(folder_, name.name);
    place.path = place.named;
    place.shortened = name.shortened;
    const int entryRefusal = platform::EntryRefusal(platform::ToUtf8(folder_));
    if (!FitsThePathField(input)) {
        place.refusal = OutputPlace::Refusal::InputTooLong;
    } else if (entryRefusal != 0) {
        place.refusal = OutputPlace::Refusal::FolderNotEntered;
        place.error = entryRefusal;
    } else if (IsSameFile(input, place.named)) {
        place.refusal = OutputPlace::Refusal::SameFile;
    }
    if (place.refusal != OutputPlace::Refusal::None)
        return place;

    if (renameOutput) {
        place.path = OutputPathFor(folder_, std::u16string(kTemporaryOutputStem) + std::u16string(kUniquePart) +
                                                std::u16string(kOutputExtension));
    } else {
        place.detour = DetourOf(place.named);
        if (place.detour != OutputPlace::Detour::None)
            TakeFreePath(input, place);
    }
    if (!FitsThePathField(place.path))
        place.refusal = OutputPlace::Refusal::OutputTooLong;
    else if (renameOutput)
        ReserveTemporaryOutput(place);
    return place;
}

OutputPlace::Detour BatchOutputs::DetourOf(const std::u16string& path) const
{
    if (written_.contains(path))
        return OutputPlace::Detour::EarlierOutput;
    std::string file = platform::ToUtf8(path);
    std::optional<FileIdentity> identity = IdentityOf(file);
    if (identity && inputs_.contains(*identity))
        return OutputPlace::Detour::Input;
    return platform::WriteProtection(file) != 0 ? OutputPlace::Detour::ReadOnly : OutputPlace::Detour::None;
}

// Moves the output to the first numbered name of the input's that names no
// file and no output of this batch.
void BatchOutputs::TakeFreePath(std::u16string_view input, OutputPlace& place) const
{
    for (uint64_t counter = 1;; ++counter) {
        FittedName numbered = OutputNameFor(input, counter, longestName_);
        std::u16string path = OutputPathFor(folder_, numbered.name);
        if (!written_.contains(path) && !IdentityOf(path)) {
            place.path = std::move(path);
            place.shortened = numbered.shortened;
            return;
        }
    }
}

}  // namespace wuvo
