#pragma once

#include <cstdint>
#include <ctime>
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

// `path` with "-counter" before its final ".mp4": the numbered names that
// keep an output from replacing another.
std::u16string NumberedPath(std::u16string_view path, uint64_t counter);

// When the settings ask for renaming, names the output written under a
// temporary name after the naming pattern ("@N" input name, "@F"/"@f"
// date/time of the first stamped frame, "@L"/"@l" of the last), with ".mp4",
// in the same folder. An existing file is never replaced: "-1", "-2", ... go
// before ".mp4" until a free name is found. `outputPath` (a field of
// kPathChars) then names the renamed file.
// Returns a message for the log when the name cannot be given ("/" in the
// expanded pattern, a path too long, a failed rename); the output then keeps
// its temporary name, which no later output takes, and `outputPath`. Returns
// an empty text otherwise.
std::u16string MakeOutputFileName(const char16_t* inputPath, char16_t* outputPath, const std::tm& first,
                                  const std::tm& last);

}  // namespace wuvo
