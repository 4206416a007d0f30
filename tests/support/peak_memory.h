#pragma once

#include <sys/resource.h>

namespace wuvo::test {

// The process's peak resident memory so far, in KiB: a check that allocates
// what a file cannot hold shows up as growth.
inline long PeakMemoryKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace wuvo::test
