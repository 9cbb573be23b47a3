// Counts the bytes the process holds on the heap, for benchmarks that report
// peak memory. Every allocation of the process (Qt's included) is counted.
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
