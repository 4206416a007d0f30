#pragma once

#include <sys/types.h>

#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/naming/output_name.h"

namespace wuvo {

// The name of an input's output while the naming pattern is off: its name
// before the last "." with ".mp4", numbered when `counter` is above 0, and
// shortened to `longest` bytes as FitOutputName does.
FittedName OutputNameFor(std::u16string_view inputPath, uint64_t counter, size_t longest);
std::u16string OutputPathFor(std::u16string_view folder, std::u16string_view name);

// True when both paths name one existing file, however they are spelled:
// case on a case-insensitive card, "./", "//" and symbolic links included.
bool IsSameFile(std::u16string_view first, std::u16string_view second);

// Removes a temporary output that no job wrote.
void ReleaseTemporaryOutput(const std::u16string& path);

// Where one input of a batch is stamped into, or why it is not.
struct OutputPlace {
    // Why the output does not take the path its name gives.
    enum class Detour { None, EarlierOutput, Input, ReadOnly };
    enum class Refusal { None, InputTooLong, FolderNotEntered, SameFile, OutputTooLong, NotCreated };

    // The path the output's name gives.
    std::u16string named;
    // The path the job writes, or the one that was refused.
    std::u16string path;
    Detour detour = Detour::None;
    // The input's part of the name in `path` was shortened to fit.
    bool shortened = false;
    Refusal refusal = Refusal::None;
    // The system's reason, for FolderNotEntered and NotCreated.
    int error = 0;
};

// Places the outputs of one batch into `folder`. An output never replaces
// the batch's inputs, under whatever names, the outputs it has written, nor
// a file this process may not write: it takes the first free numbered name
// instead. A folder that cannot be entered takes no output.
class BatchOutputs {
public:
    BatchOutputs(const std::vector<std::u16string>& inputs, std::u16string folder);
    // While the naming pattern is on, each output is a temporary file made
    // here for its job alone, which ReleaseTemporaryOutput removes when the
    // job did not write it.
    OutputPlace Place(const std::u16string& input, bool renameOutput) const;
    void Written(const std::u16string& path) { written_.insert(path); }

private:
    OutputPlace::Detour DetourOf(const std::u16string& path) const;
    void TakeFreePath(std::u16string_view input, OutputPlace& place) const;

    std::u16string folder_;
    size_t longestName_;
    std::set<std::u16string> written_;
    std::set<std::pair<dev_t, ino_t>> inputs_;
};

}  // namespace wuvo
