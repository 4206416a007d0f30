#pragma once

#include <cstddef>

namespace wuvo::platform {

// Sets the allocator so that what a job frees can go back to the system:
// blocks of a mebibyte and more get mappings of their own, unmapped when
// freed, and a heap gives back a free top beyond a mebibyte. By default
// glibc raises both limits as large blocks come and go, and the heaps of the
// job's threads then keep what the job freed, which no trim gives back.
void KeepFreedMemoryReturnable();

// Gives back to the system what the allocator keeps of freed memory.
void ReturnFreedMemory();

// Gives back the whole pages inside [start, start + bytes); the memory stays
// usable, its contents are lost.
void DiscardPages(void* start, size_t bytes);

}  // namespace wuvo::platform
