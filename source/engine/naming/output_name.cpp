#include "engine/naming/output_name.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <utility>

#include "engine/settings/app_settings.h"
#include "engine/text/format_tables.h"
#include "platform/crt/time_format.h"
#include "platform/files/posix_file.h"
#include "platform/text/format.h"
#include "platform/text/utf.h"

namespace wuvo {

namespace {

constexpr char16_t kPathSeparator = u'/';
constexpr std::u16string_view kInputNameToken = u"@N";
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

// The naming pattern around an input's part; the dates, formatted once, are
// put in after the input's name, so that a token in that name is expanded
// by the later tokens too.
NameAround PatternAround(const std::tm& first, const std::tm& last)
{
    std::u16string pattern(gSettings.renamePattern, platform::FieldLength(gSettings.renamePattern, kFormatChars));
    std::array<std::pair<std::u16string_view, std::u16string>, 4> dates{{
        {u"@F", FormatStampedTime(kDateConversions, first)},
        {u"@f", FormatStampedTime(kTimeConversions, first)},
        {u"@L", FormatStampedTime(kDateConversions, last)},
        {u"@l", FormatStampedTime(kTimeConversions, last)},
    }};
    return [pattern = std::move(pattern), dates = std::move(dates)](std::u16string_view part) {
        std::u16string name = ReplaceEvery(pattern, kInputNameToken, part);
        for (const auto& [token, text] : dates)
            name = ReplaceEvery(name, token, text);
        return name;
    };
}

OutputNaming Unnamed(std::u16string logLine)
{
    return {false, std::move(logLine)};
}

// Renames `from` to the name the pattern gives in `folder`, or to the first
// numbered form of it that names no file.
OutputNaming RenameToFreeName(const std::u16string& from, const std::u16string& folder, std::u16string_view part,
                              const NameAround& around, char16_t* outputPath)
{
    const size_t longest = platform::LongestName(platform::ToUtf8(folder));
    for (uint64_t counter = 0;; ++counter) {
        FittedName fitted = FitOutputName(part, around, counter, longest);
        std::u16string target = folder + fitted.name;
        if (!fitted.fits || target.size() >= kPathChars)
            return Unnamed(platform::FormatText(u"Output file name too long: %s\n", target.c_str()));
        platform::RenameResult renamed = platform::RenameNoReplace(platform::ToUtf8(from), platform::ToUtf8(target));
        const int error = errno;
        switch (renamed) {
        case platform::RenameResult::Renamed:
            platform::CopyToField(outputPath, kPathChars, target);
            return {true, fitted.shortened ? ShortenedNameLine(target) : std::u16string()};
        case platform::RenameResult::Failed:
            return Unnamed(platform::FormatText(u"Cannot rename output file to %s: %s.\n", target.c_str(),
                                                platform::ToUtf16(platform::ErrorText(error)).c_str()));
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

FittedName FitOutputName(std::u16string_view inputPart, const NameAround& around, uint64_t counter, size_t longest)
{
    std::u16string end = counter == 0 ? std::u16string() : u"-" + platform::ToUtf16(std::to_string(counter));
    end += kOutputExtension;
    for (std::u16string_view part = inputPart;; part = platform::WithoutLastCharacter(part)) {
        std::u16string name = around(part) + end;
        if (platform::ToUtf8(name).size() <= longest)
            return {std::move(name), true, part.size() < inputPart.size()};
        if (part.empty())
            return {around(inputPart) + end, false, false};
    }
}

std::u16string ShortenedNameLine(std::u16string_view path)
{
    return u"\tOutput file name too long for the file system: shortened to " + std::u16string(path);
}

OutputNaming MakeOutputFileName(const char16_t* inputPath, char16_t* outputPath, const std::tm& first,
                                const std::tm& last)
{
    if (!gSettings.renameOutput)
        return {};
    std::u16string path(outputPath, platform::FieldLength(outputPath, kPathChars));
    NameAround around = PatternAround(first, last);
    std::u16string_view part = InputStem(inputPath ? inputPath : u"");
    if (std::u16string name = around(part); name.find(kPathSeparator) != std::u16string::npos)
        return Unnamed(platform::FormatText(u"Output file name \"%s\" from the naming pattern contains \"/\".\n",
                                            name.c_str()));
    // Empty without a folder.
    std::u16string folder = path.substr(0, path.rfind(kPathSeparator) + 1);
    return RenameToFreeName(path, folder, part, around, outputPath);
}

}  // namespace wuvo
