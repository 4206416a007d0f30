#include "engine/mp4/box_handlers.h"

namespace wuvo {

namespace {

// version/flags and entry_count, then the entries; a count that the box
// cannot hold is refused before anything is allocated.
uint32_t ReadEntryCount(BoxReader& box, uint32_t entryBytes)
{
    box.Skip(4);
    uint32_t count = box.ReadBE32();
    box.RequireEntries(count, entryBytes);
    return count;
}

template <typename T>
void ReserveMore(std::vector<T>& table, uint32_t count)
{
    table.reserve(table.size() + count);
}

}  // namespace

void ReadSttsBox(BoxReader& box, Mp4ParseState& state)
{
    Mp4Track& track = CurrentTrackFor(box, state);
    uint32_t count = ReadEntryCount(box, 8);
    ReserveMore(track.sttsCounts, count);
    ReserveMore(track.sttsDeltas, count);
    for (uint32_t i = 0; i < count; ++i) {
        track.sttsCounts.push_back(box.ReadBE32());
        track.sttsDeltas.push_back(box.ReadBE32());
    }
}

void ReadCttsBox(BoxReader& box, Mp4ParseState& state)
{
    Mp4Track& track = CurrentTrackFor(box, state);
    uint32_t count = ReadEntryCount(box, 8);
    ReserveMore(track.cttsCounts, count);
    ReserveMore(track.cttsOffsets, count);
    for (uint32_t i = 0; i < count; ++i) {
        track.cttsCounts.push_back(box.ReadBE32());
        track.cttsOffsets.push_back(box.ReadBE32());
    }
}

void ReadStscBox(BoxReader& box, Mp4ParseState& state)
{
    Mp4Track& track = CurrentTrackFor(box, state);
    uint32_t count = ReadEntryCount(box, 12);
    ReserveMore(track.firstChunks, count);
    ReserveMore(track.samplesPerChunk, count);
    ReserveMore(track.descriptionIndexes, count);
    for (uint32_t i = 0; i < count; ++i) {
        track.firstChunks.push_back(box.ReadBE32() - 1);  // zero-based
        track.samplesPerChunk.push_back(box.ReadBE32());
        track.descriptionIndexes.push_back(box.ReadBE32());
    }
}

void ReadStszBox(BoxReader& box, Mp4ParseState& state)
{
    Mp4Track& track = CurrentTrackFor(box, state);
    // A constant size is kept as count and size, which cannot be appended
    // to: a track gets one size table.
    if (track.sampleSize != 0 || track.sampleCount != 0 || !track.sampleSizes.empty())
        box.Fail();
    box.Skip(4);
    uint32_t sampleSize = box.ReadBE32();
    uint32_t sampleCount = box.ReadBE32();
    if (sampleSize == 0) {
        box.RequireEntries(sampleCount, 4);
        track.sampleSizes.reserve(sampleCount);
        for (uint32_t i = 0; i < sampleCount; ++i)
            track.sampleSizes.push_back(box.ReadBE32());
    }
    track.sampleSize = sampleSize;
    track.sampleCount = sampleCount;
}

void ReadStcoBox(BoxReader& box, Mp4ParseState& state)
{
    Mp4Track& track = CurrentTrackFor(box, state);
    uint32_t count = ReadEntryCount(box, 4);
    ReserveMore(track.chunkOffsets, count);
    for (uint32_t i = 0; i < count; ++i)
        track.chunkOffsets.push_back(box.ReadBE32());
    track.chunkCount = count;
}

void ReadCo64Box(BoxReader& box, Mp4ParseState& state)
{
    Mp4Track& track = CurrentTrackFor(box, state);
    uint32_t count = ReadEntryCount(box, 8);
    ReserveMore(track.chunkOffsets, count);
    for (uint32_t i = 0; i < count; ++i)
        track.chunkOffsets.push_back(box.ReadBE64());
    track.chunkCount = count;
}

void ReadStssBox(BoxReader& box, Mp4ParseState& state)
{
    Mp4Track& track = CurrentTrackFor(box, state);
    uint32_t count = ReadEntryCount(box, 4);
    ReserveMore(track.syncSamples, count);
    for (uint32_t i = 0; i < count; ++i)
        track.syncSamples.push_back(box.ReadBE32() - 1);  // zero-based
}

}  // namespace wuvo
