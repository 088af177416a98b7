// Feeds arbitrary bytes to the type library reader (standalone libraries of both formats and
// PE files with TYPELIB resources): it must answer or find nothing, never read out of bounds or
// loop.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/type_library.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (uint32_t number : {0u, 1u, 2u, 0xFFFFu})
    if (auto library = platform::ReadTypeLibrary(bytes, number)) {
      volatile size_t sink = library->guid.size();  // touch what was read
      (void)sink;
    }
  return 0;
}
