#include "engine/stamp/stamp_mask.h"

#include <limits>
#include <new>

namespace wuvo {

bool ReserveMaskCells(StampMask& mask, size_t cells)
{
    if (cells <= mask.capacity)
        return true;
    uint16_t* grown = cells <= std::numeric_limits<uint32_t>::max() ? new (std::nothrow) uint16_t[cells] : nullptr;
    if (grown == nullptr) {
        // The old buffer stays, recorded at its own size; nothing is in use.
        mask.rowLength = mask.width = mask.height = 0;
        return false;
    }
    delete[] mask.cells;
    mask.cells = grown;
    mask.capacity = static_cast<uint32_t>(cells);
    return true;
}

void ReleaseMaskCells(StampMask& mask)
{
    delete[] mask.cells;
    mask = StampMask{};
}

}  // namespace wuvo
