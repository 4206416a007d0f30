#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <queue>
#include <vector>

namespace wuvo::platform {

// Decode times for an encoder's packets, made from the presentation times
// handed in rather than taken from the encoder: libx265 reads an
// uninitialised member for them on a clip shorter than its B-frame delay, so
// they are no real time there. Packet i in decode order gets the i-th
// presentation time counted `reorderDepth` pictures back, which is never
// after its own, since a picture is shown at most that many places before it
// is decoded. Pictures may come in decode order too: the one whose time
// packet i takes has come in by then.
//
// The first `reorderDepth` packets get times before the first picture,
// spaced by `closingLengths`: the lengths of the pictures before the last,
// the last of them just before it (missing ones take the first picture's
// length). The track's sample durations, which are the steps between
// decode times, then add up to the time its pictures show, also when frame
// lengths vary.
class DecodeTimes {
public:
    explicit DecodeTimes(int reorderDepth = 0, std::vector<int64_t> closingLengths = {});

    // A picture handed to the encoder, or one that came out of it: in
    // presentation order or in decode order, the first picture first.
    void Presented(int64_t time, int64_t length);
    // The next packet's decode time; none when more packets come out than
    // pictures went in.
    std::optional<int64_t> Next();

private:
    int reorderDepth_;
    std::vector<int64_t> closingLengths_;
    // Per early packet, how long before the first picture it is decoded.
    std::vector<int64_t> leads_;
    int64_t packets_ = 0;
    int64_t presented_ = 0;
    int64_t firstTime_ = 0;
    // Presentation times not yet given out, the earliest on top.
    std::priority_queue<int64_t, std::vector<int64_t>, std::greater<>> waiting_;
};

}  // namespace wuvo::platform
