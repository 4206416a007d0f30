#pragma once

#include "engine/mp4/box_reader.h"
#include "engine/mp4/parse_state.h"

namespace wuvo {

// Reads one box of the moov walk. `box` starts after the 8-byte header and
// is bounded to the box (and to the moov body).
using BoxHandler = void (*)(BoxReader& box, Mp4ParseState& state);

// The track that track-level boxes write into: the last one appended. A
// track-level box before any `trak` is refused with the box's own error.
Mp4Track& CurrentTrackFor(const BoxReader& box, Mp4ParseState& state);

// Movie and track headers, sample entries.
void ReadMvhdBox(BoxReader& box, Mp4ParseState& state);
void ReadTkhdBox(BoxReader& box, Mp4ParseState& state);
void ReadMdhdBox(BoxReader& box, Mp4ParseState& state);
void ReadHdlrBox(BoxReader& box, Mp4ParseState& state);
void ReadVmhdBox(BoxReader& box, Mp4ParseState& state);
void ReadStsdBox(BoxReader& box, Mp4ParseState& state);
void ReadAvc1Box(BoxReader& box, Mp4ParseState& state);
void ReadAvcCBox(BoxReader& box, Mp4ParseState& state);

// Sample tables.
void ReadSttsBox(BoxReader& box, Mp4ParseState& state);
void ReadCttsBox(BoxReader& box, Mp4ParseState& state);
void ReadStscBox(BoxReader& box, Mp4ParseState& state);
void ReadStszBox(BoxReader& box, Mp4ParseState& state);
void ReadStcoBox(BoxReader& box, Mp4ParseState& state);
void ReadCo64Box(BoxReader& box, Mp4ParseState& state);
void ReadStssBox(BoxReader& box, Mp4ParseState& state);
void ReadElstBox(BoxReader& box, Mp4ParseState& state);

}  // namespace wuvo
