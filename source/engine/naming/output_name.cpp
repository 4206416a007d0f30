#include "engine/naming/output_name.h"

#include <cstdint>

#include "engine/settings/app_settings.h"
#include "engine/text/format_tables.h"
#include "platform/crt/time_format.h"
#include "platform/files/posix_file.h"
#include "platform/text/format.h"
#include "platform/text/utf.h"

namespace wuvo {

namespace {

constexpr char16_t kPathSeparator = u'/';
constexpr std::u16string_view kDateConversions = u"%y%m%d";
constexpr std::u16string_view kTimeConversions = u"%H%M%S";

// Replaces every `token` in one pass: text a replacement brings in is not
// looked at again.
std::u16string ReplaceEvery(std::u16string_view text, std::u16string_view token, std::u16string_view value)
{
    std::u16string out;
    size_t from = 0;
    for (size_t at = text.find(token); at != std::u16string_view::npos; at = text.find(token, from)) {
        out.append(text.substr(from, at - from));
        out.append(value);
        from = at + token.size();
    }
    out.append(text.substr(from));
    return out;
}

std::u16string FormatStampedTime(std::u16string_view conversions, const std::tm& time)
{
    char16_t text[kFormatChars];
    platform::FormatTime(text, kFormatChars, conversions, time, LocaleNameTable[StampLanguage()]);
    return text;
}

std::u16string ExpandPattern(std::u16string_view inputPath, const std::tm& first, const std::tm& last)
{
    std::u16string name(gSettings.renamePattern, platform::FieldLength(gSettings.renamePattern, kFormatChars));
    name = ReplaceEvery(name, u"@N", InputStem(inputPath));
    name = ReplaceEvery(name, u"@F", FormatStampedTime(kDateConversions, first));
    name = ReplaceEvery(name, u"@f", FormatStampedTime(kTimeConversions, first));
    name = ReplaceEvery(name, u"@L", FormatStampedTime(kDateConversions, last));
    name = ReplaceEvery(name, u"@l", FormatStampedTime(kTimeConversions, last));
    return name;
}

enum class Placement { Renamed, TooLong, Failed };

// Renames `from` to `target`, or to the first numbered form of it that
// names no file; `target` receives the path tried last.
Placement RenameToFreeName(const std::u16string& from, std::u16string& target)
{
    std::u16string wanted = target;
    for (uint64_t counter = 0;; ++counter) {
        target = counter == 0 ? wanted : NumberedPath(wanted, counter);
        if (target.size() >= kPathChars)
            return Placement::TooLong;
        switch (platform::RenameNoReplace(platform::ToUtf8(from), platform::ToUtf8(target))) {
        case platform::RenameResult::Renamed: return Placement::Renamed;
        case platform::RenameResult::Failed: return Placement::Failed;
        case platform::RenameResult::TargetExists: break;
        }
    }
}

}  // namespace

std::u16string_view InputStem(std::u16string_view inputPath)
{
    size_t slash = inputPath.rfind(kPathSeparator);
    std::u16string_view name = slash == std::u16string_view::npos ? inputPath : inputPath.substr(slash + 1);
    return name.substr(0, name.rfind(u'.'));
}

std::u16string NumberedPath(std::u16string_view path, uint64_t counter)
{
    if (path.ends_with(kOutputExtension))
        path.remove_suffix(kOutputExtension.size());
    std::u16string numbered(path);
    numbered += u'-';
    numbered += platform::ToUtf16(std::to_string(counter));
    numbered += kOutputExtension;
    return numbered;
}

std::u16string MakeOutputFileName(const char16_t* inputPath, char16_t* outputPath, const std::tm& first,
                                  const std::tm& last)
{
    if (!gSettings.renameOutput)
        return {};
    std::u16string path(outputPath, platform::FieldLength(outputPath, kPathChars));
    std::u16string name = ExpandPattern(inputPath ? inputPath : u"", first, last);
    if (name.find(kPathSeparator) != std::u16string::npos)
        return platform::FormatText(u"Output file name \"%s\" from the naming pattern contains \"/\".\n", name.c_str());

    size_t nameStart = path.rfind(kPathSeparator) + 1;  // 0 without a folder
    std::u16string target = path.substr(0, nameStart) + name + std::u16string(kOutputExtension);
    switch (RenameToFreeName(path, target)) {
    case Placement::Renamed:
        platform::CopyToField(outputPath, kPathChars, target);
        return {};
    case Placement::TooLong:
        return platform::FormatText(u"Output file name too long: %s\n", target.c_str());
    case Placement::Failed:
        break;
    }
    return platform::FormatText(u"Cannot rename output file to %s.\n", target.c_str());
}

}  // namespace wuvo
