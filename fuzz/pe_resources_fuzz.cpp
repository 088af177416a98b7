// Feeds arbitrary bytes to the PE readers: they must answer (found, none, not loadable) and
// never read out of bounds or loop.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/file_version.h"
#include "platform/icon_count.h"
#include "platform/pe_resources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  platform::FileVersionInfo info;
  platform::ParseFileVersionInfo(bytes, &info);
  platform::CountIconsInBytes(bytes);
  for (uint32_t type : {platform::kResourceTypeIcon, platform::kResourceTypeGroupIcon}) {
    if (auto resources = platform::ParsePeResources(bytes, type)) {
      for (const auto& r : *resources) {
        volatile char sink = r.data.empty() ? 0 : r.data.back();  // touch the reported bounds
        (void)sink;
      }
    }
  }
  return 0;
}
