#include "platform/heap.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace mox::platform {

namespace {

// Blocks up to this size come from the heap rather than from a mapping of
// their own (glibc's upper limit on 64-bit systems).
constexpr int kLargestHeapBlock = 32 * 1024 * 1024;
// Free memory at the heap's top beyond this goes back to the system: above
// the biggest block the programs ask for, below their working size.
constexpr int kKeptFreeTop = 64 * 1024 * 1024;

}  // namespace

void KeepFreedMemoryForReuse() {
#if defined(__GLIBC__)
    // Fixed values also turn off glibc's sliding thresholds, which follow
    // the largest block freed so far.
    mallopt(M_MMAP_THRESHOLD, kLargestHeapBlock);
    mallopt(M_TRIM_THRESHOLD, kKeptFreeTop);
#endif
}

}  // namespace mox::platform
