#include "engine/pipeline/packet_queue.h"

namespace wuvo {

void PacketQueue::Reset()
{
    staging = {};
    pushedCount = 0;
    frameCount = 0;
    std::deque<Packet>().swap(packets);
}

}  // namespace wuvo
