#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/media/decode_times.h"

struct AVPacket;

namespace wuvo::platform {

// HEVC lets a picture be shown at most this many places before it is
// decoded.
constexpr size_t kMaxReorderDepth = 16;

// What a video track's unit and its decode times are made from.
struct TrackTiming {
    // The time scale of the source's track, kept where it can be so that
    // frame times stay exact; 0 for none.
    uint32_t timescale = 0;
    // The longest a frame shows (100 ns).
    int64_t longestFrame = 0;
    // How long the frames before the last show (100 ns), the last of them
    // just before it; as many as B-frames can hold back (kMaxReorderDepth)
    // are enough. The decode times before the first frame are spaced by
    // them, so that the track's sample durations add up to its length.
    std::vector<int64_t> closingFrames;
};

// The clock of a video track being written: the unit its pictures are
// timed in, from the start, and the decode times and durations of its
// packets. Times handed in are in 100 ns units.
class TrackClock {
public:
    // Chooses the unit for frames up to `longestFrame` long; false when no
    // unit holds such frames.
    bool Start(const TrackTiming& timing, int64_t longestFrame);
    // How many places before it is decoded a picture may be shown, which
    // an encoder tells only once it is open. 0 until set.
    void SetReorderDepth(int reorderDepth);
    // Ticks per second of the unit.
    int Timescale() const { return timescale_; }

    // A picture shown from `time` for `duration`: its time in the unit.
    // Encoded frames come in presentation order, and one whose time the
    // unit cannot tell from the one before follows that one by a tick;
    // pictures encoded elsewhere keep their time.
    int64_t PresentFrame(int64_t time, int64_t duration);
    int64_t PresentPicture(int64_t time, int64_t duration);

    // Gives a packet, whose presentation time is set, its decode time and
    // duration; false when more packets come than pictures were presented,
    // or one would be decoded after it is shown.
    bool TimePacket(AVPacket& packet);

private:
    int64_t ToTicks(int64_t time) const;
    void Present(int64_t start, int64_t end);

    int timescale_ = 0;
    std::vector<int64_t> closingFrames_;  // in ticks
    DecodeTimes decodeTimes_;
    // libx265 hands back no durations. The muxer takes the last packet's
    // as the last sample's and the furthest any packet reaches as the end
    // of the pictures: the length of the latest picture shown gives both.
    int64_t latestStart_ = INT64_MIN;
    int64_t latestLength_ = 0;
    // The earliest tick the next encoded frame can have.
    int64_t nextFrame_ = INT64_MIN;
};

}  // namespace wuvo::platform
