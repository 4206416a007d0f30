#include "platform/memory/returned_memory.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace wuvo::platform {

namespace {

// Below this, blocks come and go too often to be mapped each time; a heap
// keeps no more than this of a free top.
constexpr int kReturnableBytes = 1 << 20;

uintptr_t PageSize()
{
    return static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
}

// The whole pages inside a range: its start rounded up, its end down; empty
// when it holds none.
struct Pages {
    uintptr_t begin;
    uintptr_t end;
    size_t Bytes() const { return end > begin ? end - begin : 0; }
};

Pages WholePagesOf(const void* start, size_t bytes)
{
    uintptr_t mask = PageSize() - 1;
    auto first = reinterpret_cast<uintptr_t>(start);
    return {(first + mask) & ~mask, (first + bytes) & ~mask};
}

}  // namespace

void KeepFreedMemoryReturnable()
{
    // Either setting also stops glibc from moving the limits on its own.
    mallopt(M_MMAP_THRESHOLD, kReturnableBytes);
    mallopt(M_TRIM_THRESHOLD, kReturnableBytes);
}

void ReturnFreedMemory()
{
    malloc_trim(0);
}

void DiscardPages(void* start, size_t bytes)
{
    Pages pages = WholePagesOf(start, bytes);
    if (pages.Bytes() != 0)
        madvise(reinterpret_cast<void*>(pages.begin), pages.Bytes(), MADV_DONTNEED);
}

}  // namespace wuvo::platform
