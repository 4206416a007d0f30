#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

namespace wuvo {

// The name the batch writes under while naming is on: "tmpWuvoout.mp4" in
// the output folder, made unique for each file by a random part after the
// stem, so that no other job or program writes under the same name.
constexpr std::u16string_view kTemporaryOutputStem = u"tmpWuvoout";
constexpr std::u16string_view kOutputExtension = u".mp4";

// The input file's name without the part from its last "." (all of it when
// it has none).
std::u16string_view InputStem(std::u16string_view inputPath);

// An output's file name without its extension, made around the input's part
// of it: the naming pattern's expansion, or the part alone.
using NameAround = std::function<std::u16string(std::u16string_view inputPart)>;

// An output file name: `around(inputPart)`, then "-counter" when the counter
// is above 0 (the numbered names that keep an output from replacing another),
// then ".mp4". A file name takes at most `longest` bytes on disk: when it
// would take more, the input's part loses whole characters from its end
// until it fits, and the rest is kept. When even without the input's part it
// does not fit, `fits` is false and `name` is the whole name.
struct FittedName {
    std::u16string name;
    bool fits = true;
    bool shortened = false;
};
FittedName FitOutputName(std::u16string_view inputPart, const NameAround& around, uint64_t counter, size_t longest);

// The log's line for an output whose name was shortened to `path`.
std::u16string ShortenedNameLine(std::u16string_view path);

// When the settings ask for renaming, names the output written under a
// temporary name after the naming pattern ("@N" input name, "@F"/"@f"
// date/time of the first stamped frame, "@L"/"@l" of the last), with ".mp4",
// in the same folder, shortened as FitOutputName does. An existing file is
// never replaced: "-1", "-2", ... go before ".mp4" until a free name is
// found. `outputPath` (a field of kPathChars) then names the renamed file.
// When the name cannot be given ("/" in the expanded pattern, a name or
// path too long, a failed rename) the output keeps its temporary name and
// `outputPath`, and `named` is false. `logLine` says why, or that the name
// was shortened; it is empty otherwise.
struct OutputNaming {
    bool named = true;
    std::u16string logLine;
};
OutputNaming MakeOutputFileName(const char16_t* inputPath, char16_t* outputPath, const std::tm& first,
                                const std::tm& last);

}  // namespace wuvo
