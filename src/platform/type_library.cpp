#include "platform/type_library.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>

#include "platform/pe_resources.h"

namespace platform {
namespace {

// Little-endian reads that fail instead of reading past the end.
bool U16(std::string_view bytes, uint64_t offset, uint16_t* value) {
  if (offset > bytes.size() || bytes.size() - offset < 2) return false;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + offset);
  *value = static_cast<uint16_t>(p[0] | (p[1] << 8));
  return true;
}

bool U32(std::string_view bytes, uint64_t offset, uint32_t* value) {
  if (offset > bytes.size() || bytes.size() - offset < 4) return false;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + offset);
  *value = uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
  return true;
}

// A GUID as stored (Data1, Data2, Data3 little-endian, then eight bytes) in registry form.
bool GuidAt(std::string_view bytes, uint64_t offset, std::string* guid) {
  if (offset > bytes.size() || bytes.size() - offset < 16) return false;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + offset);
  char text[39];
  std::snprintf(text, sizeof text, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", p[3],
                p[2], p[1], p[0], p[5], p[4], p[7], p[6], p[8], p[9], p[10], p[11], p[12], p[13], p[14], p[15]);
  *guid = text;
  return true;
}

constexpr uint32_t kMsftMagic = 0x5446534D;  // "MSFT"
constexpr uint32_t kSltgMagic = 0x47544C53;  // "SLTG"

// The current format: a fixed header, the offsets of the type infos, then a directory of 15
// segments (offset, length, two reserved words); the library's GUID is an entry of the GUID
// segment.
std::optional<TypeLibraryAttributes> ReadMsft(std::string_view bytes) {
  constexpr uint64_t kHeaderSize = 0x54;
  constexpr uint32_t kHelpDllFlag = 0x100;
  constexpr uint64_t kGuidSegment = 5;
  constexpr uint64_t kSegmentSize = 16;
  uint32_t guidPosition = 0, locale = 0, flags = 0, version = 0, typeInfoCount = 0;
  // 0x0C holds the locale of the library's names; 0x10 the locale the library declares.
  if (!U32(bytes, 0x08, &guidPosition) || !U32(bytes, 0x10, &locale) || !U32(bytes, 0x14, &flags) ||
      !U32(bytes, 0x18, &version) || !U32(bytes, 0x20, &typeInfoCount))
    return std::nullopt;
  uint64_t directory = kHeaderSize + ((flags & kHelpDllFlag) ? 4 : 0);
  if (typeInfoCount > bytes.size() / 4) return std::nullopt;
  directory += 4ull * typeInfoCount;
  uint32_t guidOffset = 0, guidLength = 0;
  if (!U32(bytes, directory + kGuidSegment * kSegmentSize, &guidOffset) ||
      !U32(bytes, directory + kGuidSegment * kSegmentSize + 4, &guidLength))
    return std::nullopt;
  // The position is a signed offset into the GUID segment; -1 means the library has none.
  if (guidPosition > 0x7FFFFFFF || uint64_t(guidPosition) + 16 > guidLength) return std::nullopt;
  TypeLibraryAttributes attributes;
  if (!GuidAt(bytes, uint64_t(guidOffset) + guidPosition, &attributes.guid)) return std::nullopt;
  attributes.majorVersion = static_cast<uint16_t>(version & 0xFFFF);
  attributes.minorVersion = static_cast<uint16_t>(version >> 16);
  attributes.locale = locale;
  return attributes;
}

// The older format: a header with the number of blocks, the block entries (length, index string
// offset, next block), a "CompObj"/"dir" mark, one index string per block and nine pad bytes,
// then the blocks in the order of the entries' chain; the library block comes last.
std::optional<TypeLibraryAttributes> ReadSltg(std::string_view bytes) {
  constexpr uint64_t kHeaderSize = 0x24;
  constexpr uint64_t kBlockEntrySize = 8;
  constexpr uint64_t kMarkSize = 13;
  constexpr uint64_t kIndexStringSize = 11;
  constexpr uint64_t kPadSize = 9;
  constexpr uint16_t kLibraryBlockMagic = 0x51CC;
  uint16_t blockCount = 0, firstBlock = 0;
  if (!U16(bytes, 4, &blockCount) || !U16(bytes, 0x0A, &firstBlock) || blockCount < 2) return std::nullopt;
  const uint64_t entries = blockCount - 1;
  const uint64_t mark = kHeaderSize + entries * kBlockEntrySize;
  if (mark + kMarkSize > bytes.size() || bytes.substr(mark + 1, 7) != "CompObj") return std::nullopt;
  uint64_t block = mark + kMarkSize + entries * kIndexStringSize + kPadSize;

  // Walk the chain to the last block; the chain may not be longer than the number of entries.
  uint64_t entry = firstBlock;
  for (uint64_t steps = 0;; ++steps) {
    if (entry < 1 || entry > entries || steps >= entries) return std::nullopt;
    uint32_t length = 0;
    uint16_t next = 0;
    const uint64_t at = kHeaderSize + (entry - 1) * kBlockEntrySize;
    if (!U32(bytes, at, &length) || !U16(bytes, at + 6, &next)) return std::nullopt;
    if (next == 0) break;
    block += length;
    if (block > bytes.size()) return std::nullopt;
    entry = next;
  }

  // The library block: magic, a reserved word, the name's offset, three strings (a length
  // word, 0xFFFF for none, then the bytes), the help context, the system kind, the locale, a
  // reserved double word, the flags, the version and the GUID.
  uint16_t magic = 0;
  if (!U16(bytes, block, &magic) || magic != kLibraryBlockMagic) return std::nullopt;
  uint64_t at = block + 6;
  for (int text = 0; text < 3; ++text) {
    uint16_t length = 0;
    if (!U16(bytes, at, &length)) return std::nullopt;
    at += 2 + (length == 0xFFFF ? 0 : length);
  }
  at += 4;  // help context
  at += 2;  // system kind
  uint16_t locale = 0, major = 0, minor = 0;
  if (!U16(bytes, at, &locale)) return std::nullopt;
  at += 2 + 4 + 2;  // locale, reserved, flags
  if (!U16(bytes, at, &major) || !U16(bytes, at + 2, &minor)) return std::nullopt;
  TypeLibraryAttributes attributes;
  if (!GuidAt(bytes, at + 4, &attributes.guid)) return std::nullopt;
  attributes.majorVersion = major;
  attributes.minorVersion = minor;
  attributes.locale = locale;
  return attributes;
}

std::optional<TypeLibraryAttributes> ReadStandalone(std::string_view bytes) {
  uint32_t magic = 0;
  if (!U32(bytes, 0, &magic)) return std::nullopt;
  if (magic == kMsftMagic) return ReadMsft(bytes);
  if (magic == kSltgMagic) return ReadSltg(bytes);
  return std::nullopt;
}

// The library of resource number n among a PE file's TYPELIB resources: without a number the
// first library counts (the one numbered 1 where it exists).
std::optional<TypeLibraryAttributes> ReadResource(const std::map<uint32_t, std::string_view>& resources,
                                                  uint32_t resourceNumber) {
  if (resources.empty()) return std::nullopt;
  auto found = resources.find(resourceNumber == 0 ? 1 : resourceNumber);
  if (found != resources.end()) return ReadStandalone(found->second);
  if (resourceNumber == 0) return ReadStandalone(resources.begin()->second);
  return std::nullopt;
}

std::map<uint32_t, std::string_view> TypeLibResources(std::string_view image) {
  std::map<uint32_t, std::string_view> byNumber;
  if (const auto resources = ParsePeResources(image, "TYPELIB"))
    for (const PeResource& resource : *resources)
      if (resource.name.empty()) byNumber.emplace(resource.id, resource.data);
  return byNumber;
}

}  // namespace

std::optional<TypeLibraryAttributes> ReadTypeLibrary(std::string_view bytes, uint32_t resourceNumber) {
  if (!LooksLikePeImage(bytes)) return resourceNumber == 0 ? ReadStandalone(bytes) : std::nullopt;
  return ReadResource(TypeLibResources(bytes), resourceNumber);
}

std::vector<TypeLibraryAttributes> LoadTypeLibraries(const std::string& path) {
  std::vector<TypeLibraryAttributes> libraries;
  std::ifstream file(path, std::ios::binary);
  if (!file) return libraries;
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) return libraries;
  if (!LooksLikePeImage(bytes)) {
    if (auto library = ReadStandalone(bytes)) libraries.push_back(std::move(*library));
    return libraries;
  }
  // The resources are indexed once; the numbers run up to the first that does not load.
  const std::map<uint32_t, std::string_view> resources = TypeLibResources(bytes);
  for (uint32_t number = 0; number <= resources.size(); ++number) {
    auto library = ReadResource(resources, number);
    if (!library) break;
    libraries.push_back(std::move(*library));
  }
  return libraries;
}

}  // namespace platform
