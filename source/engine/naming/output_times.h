#pragma once

#include <ctime>

namespace wuvo {

// Gives the written output file (an open descriptor) its last-write time:
// the last stamped frame's date and time, taken as local time, when the
// settings ask for it, else the moment of finishing. Linux keeps no settable
// creation time, so the creation-time option has no effect here. Nothing
// happens when no frame was stamped (`first` all zero); failures are silent.
void SetOutputFileTimes(int outputFile, const std::tm& first, const std::tm& last);

}  // namespace wuvo
