#include <array>
#include <new>

#include "engine/mp4/box_handlers.h"
#include "engine/mp4/date_code.h"

namespace wuvo {

namespace {

constexpr uint32_t kFlagsBytes = 3;
// reserved, matrix and pre_defined of the movie header
constexpr uint32_t kMvhdSkippedBytes = 70;
constexpr uint32_t kVmhdBodyBytes = 12;
// The track header's flag of a track players show.
constexpr uint32_t kTrackEnabledFlag = 0x000001;
constexpr uint32_t kRequiredSampleEntries = 1;

// 16.16 fixed-point values of the transformation matrix; w is 2.30.
constexpr uint32_t kFixedOne = 0x00010000;
constexpr uint32_t kFixedMinusOne = 0xFFFF0000;
constexpr uint32_t kFixed30One = 0x40000000;
constexpr std::array<uint32_t, 9> kIdentityMatrix{kFixedOne, 0, 0, 0, kFixedOne, 0, 0, 0, kFixed30One};
enum MatrixWord { kA, kB, kU, kC, kD, kV, kX, kY, kW };

// The end of the depth (24) and pre_defined (-1) fields of a visual
// sample entry, after which its child boxes follow.
constexpr uint32_t kVisualEntryEndMark = 0x18FFFF;
constexpr uint32_t kThreeBytesMask = 0xFFFFFF;

constexpr uint16_t kAvcReservedHigh = 0xFC00;
constexpr uint16_t kAvcReservedLow = 0x00E0;
constexpr uint16_t kAvcSpsCountMask = 0x001F;
// Parameter sets are kept in fixed buffers of this size.
constexpr uint16_t kParameterSetCapacity = 256;

int32_t IntegerPart(uint32_t fixed)
{
    return static_cast<int32_t>(fixed) / static_cast<int32_t>(kFixedOne);
}

bool IsUnitOrZero(uint32_t word)
{
    return word == kFixedOne || word == kFixedMinusOne || word == 0;
}

void CheckMatrix(const std::array<uint32_t, 9>& words)
{
    for (MatrixWord i : {kA, kB, kC, kD})
        if (!IsUnitOrZero(words[i]))
            throw std::logic_error("tkhd1");
    if (words[kU] != 0 || words[kV] != 0)
        throw std::logic_error("tkhd2");
    if (words[kW] != kFixed30One)
        throw std::logic_error("tkhd3");
}

void StoreMatrix(const std::array<uint32_t, 9>& words, Mp4Track& track)
{
    track.matrix = {IntegerPart(words[kA]), IntegerPart(words[kB]), 0,
                    IntegerPart(words[kC]), IntegerPart(words[kD]), 0,
                    IntegerPart(words[kX]), IntegerPart(words[kY]), 1};
    if (words != kIdentityMatrix)
        track.identity = 0;
}

void ReadParameterSet(BoxReader& box, std::vector<uint16_t>& lengths,
                      std::vector<std::vector<uint8_t>>& sets, const char* tooLong, const char* noMemory)
{
    uint16_t length = box.ReadBE16();
    if (length >= kParameterSetCapacity)
        throw std::logic_error(tooLong);
    std::vector<uint8_t> set;
    try {
        set.resize(kParameterSetCapacity);
    } catch (const std::bad_alloc&) {
        throw std::logic_error(noMemory);
    }
    box.ReadBytes(set.data(), length);
    lengths.push_back(length);
    sets.push_back(std::move(set));
}

}  // namespace

Mp4Track& CurrentTrackFor(const BoxReader& box, Mp4ParseState& state)
{
    Mp4Track* track = state.CurrentTrack();
    if (!track)
        box.Fail();
    return *track;
}

void ReadMvhdBox(BoxReader& box, Mp4ParseState& state)
{
    // Only the version 0 layout is read: a version 1 header read that way
    // would give a time scale of 0 and a wrong date.
    if (box.ReadBE8() != 0)
        box.Fail();
    box.Skip(kFlagsBytes);
    state.movieCreationTime = box.ReadBE32();
    state.movieModificationTime = box.ReadBE32();
    state.movieTimescale = box.ReadBE32();
    state.movieDuration = box.ReadBE32();
    if (state.movieTimescale == 0)
        box.Fail();
    ReadDateCodeOf(state);
    state.preferredRate = box.ReadBE32();
    state.preferredVolume = box.ReadBE16();
    box.Skip(kMvhdSkippedBytes);
    state.nextTrackId = box.ReadBE32();
    state.movieHeaderRead = 1;
}

void ReadTkhdBox(BoxReader& box, Mp4ParseState& state)
{
    Mp4Track& track = CurrentTrackFor(box, state);
    uint32_t versionAndFlags = box.ReadBE32();
    box.Skip(4 + 4);  // creation, modification
    uint32_t trackId = box.ReadBE32();
    box.Skip(4);
    uint32_t duration = box.ReadBE32();
    box.Skip(8 + 2 + 2 + 2 + 2);  // reserved, layer, alternate group, volume, reserved
    std::array<uint32_t, 9> words;
    for (uint32_t& word : words)
        word = box.ReadBE32();
    uint32_t width = box.ReadBE32();
    uint32_t height = box.ReadBE32();

    CheckMatrix(words);
    track.enabled = (versionAndFlags & kTrackEnabledFlag) != 0;
    track.trackId = trackId;
    track.duration = duration;
    StoreMatrix(words, track);
    track.width = width >> 16;
    track.height = height >> 16;
}

void ReadMdhdBox(BoxReader& box, Mp4ParseState& state)
{
    Mp4Track& track = CurrentTrackFor(box, state);
    bool wideTimes = box.ReadBE8() == 1;
    box.Skip(kFlagsBytes);
    // Times of a version 1 header are 64-bit; their low 32 bits are kept.
    auto readTime = [&] { return wideTimes ? static_cast<uint32_t>(box.ReadBE64()) : box.ReadBE32(); };
    readTime();  // creation
    readTime();  // modification
    track.timescale = box.ReadBE32();
    track.duration = readTime();
    box.Skip(2 + 2);  // language, quality
}

void ReadHdlrBox(BoxReader& box, Mp4ParseState& state)
{
    Mp4Track& track = CurrentTrackFor(box, state);
    box.Skip(4);
    uint32_t componentType = box.ReadBE32();
    uint32_t handlerType = box.ReadBE32();
    // A QuickTime media track also has a data handler; the media one counts.
    bool dataHandler = componentType == FourCC("dhlr");
    bool mediaKnown = track.handlerType == FourCC("vide") || track.handlerType == FourCC("soun");
    if (dataHandler || mediaKnown)
        return;
    track.componentType = componentType;
    track.handlerType = handlerType;
}

void ReadVmhdBox(BoxReader& box, Mp4ParseState&)
{
    if (box.Remaining() != kVmhdBodyBytes)
        box.Fail();
    box.Skip(kVmhdBodyBytes);
}

void ReadStsdBox(BoxReader& box, Mp4ParseState&)
{
    box.Skip(4);
    if (box.ReadBE32() != kRequiredSampleEntries)
        box.Fail();
}

void ReadAvc1Box(BoxReader& box, Mp4ParseState& state)
{
    Mp4Track& track = CurrentTrackFor(box, state);
    box.Skip(6 + 2 + 16);  // reserved, data_reference_index, pre_defined/reserved
    track.entryWidth = box.ReadBE16();
    track.entryHeight = box.ReadBE16();
    track.horizontalResolution = box.ReadBE32();
    track.verticalResolution = box.ReadBE32();
    box.Skip(4 + 2);  // reserved, frame_count
    uint32_t lastThree = 0;
    do
        lastThree = (lastThree << 8 | box.ReadBE8()) & kThreeBytesMask;
    while (lastThree != kVisualEntryEndMark);
}

void ReadAvcCBox(BoxReader& box, Mp4ParseState& state)
{
    Mp4Track& track = CurrentTrackFor(box, state);
    track.configurationVersion = box.ReadBE8();
    track.profile = box.ReadBE8();
    track.profileCompatibility = box.ReadBE8();
    track.level = box.ReadBE8();
    uint16_t word = box.ReadBE16();
    if ((word & kAvcReservedHigh) != kAvcReservedHigh)
        throw std::logic_error("avcc1");
    if ((word & kAvcReservedLow) != kAvcReservedLow)
        throw std::logic_error("avcc2");
    if ((word & kAvcSpsCountMask) != 1)
        throw std::logic_error("avcc3");
    track.nalLengthSize = ((word >> 8) & 3u) + 1;
    ReadParameterSet(box, track.spsLengths, track.spsData, "avcc4", "avcc5");
    uint8_t ppsCount = box.ReadBE8();
    for (uint8_t i = 0; i < ppsCount; ++i)
        ReadParameterSet(box, track.ppsLengths, track.ppsData, "avcc6", "avcc7");
}

}  // namespace wuvo
