#include "platform/memory.h"

#include <cstdlib>  // defines __GLIBC__ on glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform {

void ReturnFreeMemory() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

void KeepLargeBlocksOutOfTheHeap() {
#if defined(__GLIBC__)
  // Setting the threshold also turns off its adjustment.
  constexpr int kLargeBlock = 1 << 20;
  mallopt(M_MMAP_THRESHOLD, kLargeBlock);
#endif
}

}  // namespace platform
