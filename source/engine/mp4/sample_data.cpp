#include "engine/mp4/sample_data.h"

#include <algorithm>

namespace wuvo {

namespace {

// The sample-to-chunk entry that covers `chunk`: the last one whose first
// chunk is at or before it; none before the first entry's chunk.
class ChunkRuns {
public:
    explicit ChunkRuns(const Mp4Track& track) : track_(track) {}

    uint32_t SamplesIn(uint64_t chunk)
    {
        const std::vector<uint32_t>& first = track_.firstChunks;
        while (entry_ + 1 < first.size() && first[entry_ + 1] <= chunk)
            ++entry_;
        if (first.empty() || first[entry_] > chunk)
            return 0;
        return track_.samplesPerChunk[entry_];
    }

private:
    const Mp4Track& track_;
    size_t entry_ = 0;
};

// Of `count` samples stored back to back from `offset` on, starting with
// sample `first`, those that end inside the file.
uint64_t ChunkSamplesInFile(const Mp4Track& track, uint64_t first, uint64_t count, uint64_t offset,
                            uint64_t fileSize)
{
    if (offset > fileSize)
        return 0;
    if (track.sampleSize != 0)
        return std::min(count, (fileSize - offset) / track.sampleSize);
    uint64_t inFile = 0;
    // The offset only grows, so once it passes the end no later sample fits,
    // and it cannot wrap: it never grows past the end by more than one size.
    for (uint64_t sample = first; sample < first + count && offset <= fileSize; ++sample) {
        uint32_t size = track.sampleSizes[sample];
        if (size <= fileSize - offset)
            ++inFile;
        offset += size;
    }
    return inFile;
}

}  // namespace

uint32_t SamplesInFile(const Mp4Track& track, uint64_t fileSize)
{
    const uint64_t listed = track.SizeTableEntries();
    uint64_t sample = 0;
    uint64_t inFile = 0;
    ChunkRuns runs(track);
    for (uint64_t chunk = 0; chunk < track.chunkOffsets.size() && sample < listed; ++chunk) {
        uint64_t count = std::min<uint64_t>(runs.SamplesIn(chunk), listed - sample);
        inFile += ChunkSamplesInFile(track, sample, count, track.chunkOffsets[chunk], fileSize);
        sample += count;
    }
    return static_cast<uint32_t>(inFile);
}

bool SoundDataInFile(const Mp4Track& sound, uint64_t fileSize)
{
    return sound.timescale != 0 && SamplesInFile(sound, fileSize) == sound.SizeTableEntries();
}

}  // namespace wuvo
