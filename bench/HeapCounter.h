// Counts the bytes the process holds on the heap, for benchmarks that report
// peak memory. Every allocation of the process (Qt's included) is counted.
// It takes the place of the C library's malloc, so it builds with glibc only.
#pragma once

#include <cstddef>

namespace jotanor::bench {

// Bytes allocated and not yet freed.
long long heapInUse();
// Starts a new peak at the current use.
void resetHeapPeak();
// Highest use since the last reset.
long long heapPeak();

}  // namespace jotanor::bench
