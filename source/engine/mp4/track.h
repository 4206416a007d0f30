#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace wuvo {

// One `elst` entry. The segment lasts `segmentDuration` movie time units and
// shows the media from `mediaTime` on (track time units); -1 is an empty
// edit, a pause before the media starts.
struct Mp4Edit {
    uint64_t segmentDuration = 0;
    int64_t mediaTime = 0;
};

// One `trak` box: its header fields and sample tables.
struct Mp4Track {
    uint32_t componentType = 0;
    uint32_t handlerType = 0;
    // The track header's enabled flag: players show an enabled track.
    uint8_t enabled = 0;
    uint32_t trackId = 0;
    uint32_t duration = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t timescale = 0;
    // a, b, u, c, d, v, x, y, w
    std::array<int32_t, 9> matrix{1, 0, 0, 0, 1, 0, 0, 0, 1};
    uint8_t identity = 1;
    uint16_t entryWidth = 0;
    uint16_t entryHeight = 0;
    uint32_t horizontalResolution = 0;
    uint32_t verticalResolution = 0;
    uint8_t configurationVersion = 0;
    uint8_t profile = 0;
    uint8_t profileCompatibility = 0;
    uint8_t level = 0;
    uint32_t nalLengthSize = 0;
    std::vector<uint16_t> spsLengths;
    std::vector<uint16_t> ppsLengths;
    std::vector<std::vector<uint8_t>> spsData;
    std::vector<std::vector<uint8_t>> ppsData;
    std::vector<uint32_t> sttsCounts;
    std::vector<uint32_t> sttsDeltas;
    std::vector<uint32_t> cttsCounts;
    std::vector<uint32_t> cttsOffsets;
    std::vector<uint32_t> firstChunks;
    std::vector<uint32_t> samplesPerChunk;
    std::vector<uint32_t> descriptionIndexes;
    // Left empty when every sample has the same size (`sampleSize` != 0):
    // a constant-size table would otherwise expand to millions of entries.
    std::vector<uint32_t> sampleSizes;
    std::vector<uint64_t> chunkOffsets;
    std::vector<uint32_t> syncSamples;
    std::vector<Mp4Edit> edits;
    uint32_t sampleSize = 0;
    uint32_t sampleCount = 0;
    uint32_t chunkCount = 0;

    // Entries of the size table, whether stored or constant.
    uint32_t SizeTableEntries() const
    {
        return sampleSize != 0 ? sampleCount : static_cast<uint32_t>(sampleSizes.size());
    }
};

}  // namespace wuvo
