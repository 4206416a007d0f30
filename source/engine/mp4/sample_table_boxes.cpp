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

constexpr uint32_t kFlagsBytes = 3;
constexpr uint32_t kWordBytes = 4;
constexpr uint32_t kWideWordBytes = 8;

// A table whose entries are two 32-bit words, kept in two arrays.
void ReadWordPairs(BoxReader& box, std::vector<uint32_t>& first, std::vector<uint32_t>& second)
{
    uint32_t count = ReadEntryCount(box, 2 * kWordBytes);
    ReserveMore(first, count);
    ReserveMore(second, count);
    for (uint32_t i = 0; i < count; ++i) {
        first.push_back(box.ReadBE32());
        second.push_back(box.ReadBE32());
    }
}

// Chunk offsets of 32 (`stco`) or 64 bits (`co64`), kept as 64 bits.
void ReadChunkOffsets(BoxReader& box, Mp4Track& track, uint32_t offsetBytes)
{
    uint32_t count = ReadEntryCount(box, offsetBytes);
    ReserveMore(track.chunkOffsets, count);
    for (uint32_t i = 0; i < count; ++i)
        track.chunkOffsets.push_back(offsetBytes == kWideWordBytes ? box.ReadBE64() : box.ReadBE32());
    track.chunkCount = count;
}

}  // namespace

void ReadSttsBox(BoxReader& box, Mp4ParseState& state)
{
    Mp4Track& track = CurrentTrackFor(box, state);
    ReadWordPairs(box, track.sttsCounts, track.sttsDeltas);
}

void ReadCttsBox(BoxReader& box, Mp4ParseState& state)
{
    Mp4Track& track = CurrentTrackFor(box, state);
    ReadWordPairs(box, track.cttsCounts, track.cttsOffsets);
}

void ReadStscBox(BoxReader& box, Mp4ParseState& state)
{
    Mp4Track& track = CurrentTrackFor(box, state);
    uint32_t count = ReadEntryCount(box, 3 * kWordBytes);
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
        box.RequireEntries(sampleCount, kWordBytes);
        track.sampleSizes.reserve(sampleCount);
        for (uint32_t i = 0; i < sampleCount; ++i)
            track.sampleSizes.push_back(box.ReadBE32());
    }
    track.sampleSize = sampleSize;
    track.sampleCount = sampleCount;
}

void ReadStcoBox(BoxReader& box, Mp4ParseState& state)
{
    ReadChunkOffsets(box, CurrentTrackFor(box, state), kWordBytes);
}

void ReadCo64Box(BoxReader& box, Mp4ParseState& state)
{
    ReadChunkOffsets(box, CurrentTrackFor(box, state), kWideWordBytes);
}

void ReadStssBox(BoxReader& box, Mp4ParseState& state)
{
    Mp4Track& track = CurrentTrackFor(box, state);
    uint32_t count = ReadEntryCount(box, kWordBytes);
    ReserveMore(track.syncSamples, count);
    for (uint32_t i = 0; i < count; ++i)
        track.syncSamples.push_back(box.ReadBE32() - 1);  // zero-based
}

void ReadElstBox(BoxReader& box, Mp4ParseState& state)
{
    Mp4Track& track = CurrentTrackFor(box, state);
    // Version 1 has 64-bit durations and media times, any other version 32.
    bool wide = box.ReadBE8() == 1;
    box.Skip(kFlagsBytes);
    uint32_t count = box.ReadBE32();
    uint32_t fieldBytes = wide ? kWideWordBytes : kWordBytes;
    box.RequireEntries(count, 2 * fieldBytes + kWordBytes);
    ReserveMore(track.edits, count);
    for (uint32_t i = 0; i < count; ++i) {
        Mp4Edit edit;
        edit.segmentDuration = wide ? box.ReadBE64() : box.ReadBE32();
        edit.mediaTime = wide ? static_cast<int64_t>(box.ReadBE64()) : static_cast<int32_t>(box.ReadBE32());
        box.Skip(kWordBytes);  // media rate: decoders play every edit at normal speed
        track.edits.push_back(edit);
    }
}

}  // namespace wuvo
