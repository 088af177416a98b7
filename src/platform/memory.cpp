#include "platform/memory.h"

#include <cstdlib>  // defines __GLIBC__ on glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#if defined(__GNUC__)
// mimalloc's, when the program is linked with it (fernclip is): it keeps freed pages for reuse
// a while instead of handing them back at once.
extern "C" void mi_collect(bool force) __attribute__((weak));
#endif

namespace platform {

void ReturnFreeMemory() {
#if defined(__GNUC__)
  if (mi_collect) mi_collect(true);
#endif
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
