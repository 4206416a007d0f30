#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "platform/threads/lock.h"

namespace wuvo {

// Each packet keeps only the bytes it holds, not a full-size copy, and the
// frame it shows, which sets its place in display order.
struct Packet {
    std::vector<uint8_t> data;
    uint32_t frame = 0;
};

// Encoded packets waiting for the mux, in arrival order.
struct PacketQueue {
    platform::Lock lock;
    std::deque<Packet> packets;
    Packet staging;
    uint32_t pushedCount = 0;
    uint32_t frameCount = 0;

    void Create() { Reset(); }
    void Reset();
};

}  // namespace wuvo
