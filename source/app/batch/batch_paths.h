#pragma once

#include <sys/types.h>

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace wuvo {

// Where a batch writes an input's output: its name before the last "." with
// ".mp4", or the temporary name while the naming pattern is on.
std::u16string OutputNameFor(std::u16string_view inputPath, bool renameOutput);
std::u16string OutputPathFor(std::u16string_view folder, std::u16string_view name);

// True when both paths name one existing file, however they are spelled:
// case on a case-insensitive card, "./", "//" and symbolic links included.
bool IsSameFile(std::u16string_view first, std::u16string_view second);

// The path of the temporary output in `folder`, its six "X" still to be
// replaced by ReserveTemporaryOutput; as long as the path it gives.
std::u16string TemporaryOutputPattern(std::u16string_view folder);
// Makes the temporary output that one job writes while the naming pattern
// is on, under a name of its own; none, with errno set, when it cannot.
std::optional<std::u16string> ReserveTemporaryOutput(const std::u16string& pattern);
// Removes a temporary output that no job wrote.
void ReleaseTemporaryOutput(const std::u16string& path);

// What an output of one batch must not replace: the batch's inputs, under
// whatever names, and the outputs it has written.
class BatchOutputs {
public:
    explicit BatchOutputs(const std::vector<std::u16string>& inputs);
    enum class Clash { None, EarlierOutput, Input };
    Clash ClashOf(const std::u16string& path) const;
    // The first numbered form of `path` that names no file and no output of
    // this batch.
    std::u16string FreePathFor(const std::u16string& path) const;
    void Written(const std::u16string& path) { written_.insert(path); }

private:
    std::set<std::u16string> written_;
    std::set<std::pair<dev_t, ino_t>> inputs_;
};

}  // namespace wuvo
