#include "platform/icon_count.h"

#include <set>
#include <utility>

#include "platform/host_paths.h"
#include "platform/pe_resources.h"

namespace platform {
namespace {

constexpr size_t kIconDirectoryHeader = 6;
constexpr size_t kIconDirectoryEntry = 16;

uint16_t U16At(std::string_view b, size_t o) {
  return static_cast<uint16_t>(static_cast<unsigned char>(b[o]) | (static_cast<unsigned char>(b[o + 1]) << 8));
}

}  // namespace

std::optional<int> CountIconsInBytes(std::string_view bytes) {
  if (bytes.size() >= 2 && bytes[0] == 'M' && bytes[1] == 'Z') {
    auto groups = ParsePeResources(bytes, kResourceTypeGroupIcon);
    if (!groups) return std::nullopt;
    // One group may carry several languages; the shell counts the group once.
    std::set<std::pair<uint32_t, std::string>> names;
    for (const PeResource& group : *groups) names.emplace(group.id, group.name);
    return static_cast<int>(names.size());
  }
  // An icon file: reserved 0, type 1, the image count, then one entry per image.
  if (bytes.size() >= kIconDirectoryHeader && U16At(bytes, 0) == 0 && U16At(bytes, 2) == 1) {
    const uint16_t count = U16At(bytes, 4);
    if (bytes.size() < kIconDirectoryHeader + kIconDirectoryEntry * count) return std::nullopt;
    return static_cast<int>(count);
  }
  return 0;
}

std::optional<int> CountIcons(const std::string& path) {
  std::string bytes;
  if (!ReadFile(path, &bytes)) return std::nullopt;
  return CountIconsInBytes(bytes);
}

}  // namespace platform
