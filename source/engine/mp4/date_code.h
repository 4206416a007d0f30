#pragma once

#include "engine/mp4/parse_state.h"

namespace wuvo {

// First and last date of `state` from its movie header fields.
void ReadDateCodeOf(Mp4ParseState& state);

}  // namespace wuvo
