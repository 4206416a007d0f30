#include "platform/media/hevc_annexb.h"

#include <functional>

namespace wuvo::platform {

namespace {

constexpr uint8_t kVps = 32;
constexpr uint8_t kPps = 34;
constexpr uint8_t kFirstIrap = 16;
constexpr uint8_t kLastIrap = 23;

// Calls `visit` with each NAL unit's type and its bytes from its start code
// to the next one.
void ForEachNal(const uint8_t* data, size_t size, const std::function<void(uint8_t, size_t, size_t)>& visit)
{
    auto startCodeAt = [&](size_t i) { return i + 3 <= size && data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1; };
    size_t i = 0;
    while (i < size && !startCodeAt(i))
        ++i;
    while (i < size) {
        size_t begin = i > 0 && data[i - 1] == 0 ? i - 1 : i;
        size_t payload = i + 3;
        size_t next = payload;
        while (next < size && !startCodeAt(next))
            ++next;
        size_t end = next < size && data[next - 1] == 0 ? next - 1 : next;
        if (payload < size)
            visit(static_cast<uint8_t>((data[payload] >> 1) & 0x3F), begin, end);
        i = next;
    }
}

}  // namespace

std::vector<uint8_t> HevcParameterSets(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> sets;
    ForEachNal(data, size, [&](uint8_t type, size_t begin, size_t end) {
        if (type >= kVps && type <= kPps)
            sets.insert(sets.end(), data + begin, data + end);
    });
    return sets;
}

bool IsHevcRandomAccess(const uint8_t* data, size_t size)
{
    bool irap = false;
    ForEachNal(data, size, [&](uint8_t type, size_t, size_t) { irap = irap || (type >= kFirstIrap && type <= kLastIrap); });
    return irap;
}

}  // namespace wuvo::platform
