#pragma once

#include <set>
#include <string>
#include <string_view>

namespace wuvo {

// Where a batch writes an input's output: its name before the last "." with
// ".mp4", or the temporary name while the naming pattern is on.
std::u16string OutputNameFor(std::u16string_view inputPath, bool renameOutput);
std::u16string OutputPathFor(std::u16string_view folder, std::u16string_view name);

// True when both paths name one existing file, however they are spelled:
// case on a case-insensitive card, "./", "//" and symbolic links included.
bool IsSameFile(std::u16string_view first, std::u16string_view second);

// The outputs one batch has written, so that a later input with the same
// output name does not replace an earlier one's output.
class BatchOutputs {
public:
    // `path`, or when this batch has written it already, the first numbered
    // form of it that names no file and no output of this batch.
    std::u16string FreePathFor(const std::u16string& path) const;
    void Written(const std::u16string& path) { written_.insert(path); }

private:
    std::set<std::u16string> written_;
};

}  // namespace wuvo
