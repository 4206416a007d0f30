#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "platform/threads/lock.h"

namespace wuvo {

// Each packet keeps only the bytes it holds, not a full-size copy.
using Packet = std::vector<uint8_t>;

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
