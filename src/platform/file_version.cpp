#include "platform/file_version.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "platform/host_paths.h"
#include "platform/pe_resources.h"

namespace platform {
namespace {

constexpr uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
constexpr size_t kFixedFileInfoSize = 52;
// Version blocks nest three deep in practice (root, VarFileInfo, Translation); anything deeper
// is not needed and not followed.
constexpr int kMaxDepth = 4;

uint16_t U16At(std::string_view b, size_t o) {
  return static_cast<uint16_t>(static_cast<unsigned char>(b[o]) | (static_cast<unsigned char>(b[o + 1]) << 8));
}
uint32_t U32At(std::string_view b, size_t o) { return uint32_t(U16At(b, o)) | (uint32_t(U16At(b, o + 2)) << 16); }
size_t Align4(size_t v) { return (v + 3) & ~size_t(3); }

// One block of the version resource: header, key, value and the children's extent.
struct VersionBlock {
  std::string key;  // ASCII of the UTF-16 key
  std::string_view value;
  size_t childrenBegin = 0, end = 0;
};

// The block at offset, inside [offset, limit) of data. False when it does not fit.
bool ReadBlock(std::string_view data, size_t offset, size_t limit, VersionBlock* block) {
  if (offset + 6 > limit) return false;
  const uint16_t length = U16At(data, offset);
  const uint16_t valueLength = U16At(data, offset + 2);
  const uint16_t type = U16At(data, offset + 4);
  if (length < 6 || offset + length > limit) return false;
  block->end = offset + length;
  block->key.clear();
  size_t at = offset + 6;
  for (;; at += 2) {
    if (at + 2 > block->end) return false;
    const uint16_t unit = U16At(data, at);
    if (unit == 0) break;
    block->key.push_back(unit < 0x80 ? char(unit) : '?');
  }
  const size_t valueBegin = Align4(at + 2);
  const size_t valueBytes = type == 1 ? size_t(valueLength) * 2 : valueLength;
  if (valueBytes == 0) {
    block->value = {};
    block->childrenBegin = std::min(valueBegin, block->end);
    return true;
  }
  if (valueBegin > block->end || block->end - valueBegin < valueBytes) return false;
  block->value = data.substr(valueBegin, valueBytes);
  block->childrenBegin = std::min(Align4(valueBegin + valueBytes), block->end);
  return true;
}

// Finds the translation table below a block; sets info->language and codePage.
void FindTranslation(std::string_view data, const VersionBlock& parent, int depth, FileVersionInfo* info) {
  if (depth > kMaxDepth) return;
  size_t at = parent.childrenBegin;
  while (at + 6 <= parent.end) {
    VersionBlock child;
    if (!ReadBlock(data, at, parent.end, &child)) return;
    if (depth == 1 && child.key == "VarFileInfo") {
      FindTranslation(data, child, depth + 1, info);
    } else if (depth == 2 && child.key == "Translation" && child.value.size() >= 4) {
      info->language = U16At(child.value, 0);
      info->codePage = U16At(child.value, 2);
    }
    if (info->language) return;
    const size_t next = Align4(child.end);
    if (next <= at) return;
    at = next;
  }
}

}  // namespace

std::string FileVersionInfo::VersionText() const {
  char text[32];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", parts[0], parts[1], parts[2], parts[3]);
  return text;
}

VersionStatus ParseFileVersionInfo(std::string_view image, FileVersionInfo* info) {
  *info = FileVersionInfo{};
  if (image.size() < 2 || image[0] != 'M' || image[1] != 'Z') return VersionStatus::kNoVersion;
  // A 16-bit executable (a font resource file) carries no version the installer compares.
  if (LooksLikeNeImage(image)) return VersionStatus::kNoVersion;
  auto resources = ParsePeResources(image, kResourceTypeVersion);
  if (!resources) return VersionStatus::kNotLoadable;
  if (resources->empty()) return VersionStatus::kNoVersion;
  const std::string_view data = resources->front().data;
  VersionBlock root;
  if (!ReadBlock(data, 0, data.size(), &root) || root.key != "VS_VERSION_INFO" ||
      root.value.size() < kFixedFileInfoSize || U32At(root.value, 0) != kFixedFileInfoSignature)
    return VersionStatus::kNotLoadable;
  const uint32_t fileVersionMs = U32At(root.value, 8);
  const uint32_t fileVersionLs = U32At(root.value, 12);
  info->parts[0] = uint16_t(fileVersionMs >> 16);
  info->parts[1] = uint16_t(fileVersionMs & 0xFFFF);
  info->parts[2] = uint16_t(fileVersionLs >> 16);
  info->parts[3] = uint16_t(fileVersionLs & 0xFFFF);
  FindTranslation(data, root, 1, info);
  return VersionStatus::kFound;
}

VersionStatus ReadFileVersionInfo(const std::string& path, FileVersionInfo* info) {
  std::string bytes;
  if (!ReadFile(path, &bytes)) return VersionStatus::kNotLoadable;
  return ParseFileVersionInfo(bytes, info);
}

}  // namespace platform
