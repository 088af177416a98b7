#include "platform/memory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <vector>

namespace {

// The resident pages of this process, in kilobytes (Linux).
long ResidentKilobytes() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * 4;
}

// A large capture's models are freed in small pieces among pieces that live on; the pages they
// leave must go back to the system, or the save and the build pay for them twice.
TEST(Memory, FreedSmallBlocksAmongLiveOnesGoBackToTheSystem) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer's allocator keeps pages of its own";
#endif
  platform::KeepLargeBlocksOutOfTheHeap();
  constexpr size_t kBlocks = 200000, kBlockSize = 256;  // about 50 MB
  std::vector<std::unique_ptr<char[]>> blocks(kBlocks);
  for (auto& block : blocks) {
    block = std::make_unique<char[]>(kBlockSize);
    block[0] = 1;
  }
  // One block in 64 lives on, so the heap cannot simply shrink from its top.
  for (size_t i = 0; i < kBlocks; ++i)
    if (i % 64 != 0) blocks[i].reset();
  const long before = ResidentKilobytes();
  platform::ReturnFreeMemory();
  const long after = ResidentKilobytes();
  EXPECT_LT(after, before - 20 * 1024) << "before " << before << " KB, after " << after << " KB";
}

}  // namespace
