#include "platform/pe_resources.h"

#include <algorithm>
#include <cctype>

#include "platform/host_paths.h"

namespace platform {
namespace {

// Little-endian reads that fail instead of reading past the end.
class ByteReader {
 public:
  explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}
  bool U16(uint64_t offset, uint16_t* value) const {
    if (offset > bytes_.size() || bytes_.size() - offset < 2) return false;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data() + offset);
    *value = static_cast<uint16_t>(p[0] | (p[1] << 8));
    return true;
  }
  bool U32(uint64_t offset, uint32_t* value) const {
    if (offset > bytes_.size() || bytes_.size() - offset < 4) return false;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data() + offset);
    *value = uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
    return true;
  }
  bool Slice(uint64_t offset, uint64_t length, std::string_view* out) const {
    if (offset > bytes_.size() || bytes_.size() - offset < length) return false;
    *out = bytes_.substr(offset, length);
    return true;
  }
  size_t size() const { return bytes_.size(); }

 private:
  std::string_view bytes_;
};

struct Section {
  uint32_t virtualAddress, virtualSize, rawOffset, rawSize;
};

constexpr uint32_t kResourceDirectoryIndex = 2;
constexpr uint16_t kPe32Magic = 0x10b;
constexpr uint16_t kPe32PlusMagic = 0x20b;
constexpr uint32_t kHighBit = 0x80000000u;
// Limits that keep a hostile directory from making us walk forever.
constexpr uint32_t kMaxEntriesPerDirectory = 4096;
constexpr uint16_t kMaxSections = 96;
// Entries may share subdirectories, so the total is capped too.
constexpr size_t kMaxResourcesPerType = 65536;

class PeImage {
 public:
  explicit PeImage(std::string_view image) : reader_(image) {}

  bool Parse() {
    uint16_t mz = 0;
    uint32_t peOffset = 0, signature = 0;
    if (!reader_.U16(0, &mz) || mz != 0x5A4D) return false;
    if (!reader_.U32(0x3C, &peOffset) || !reader_.U32(peOffset, &signature) || signature != 0x00004550)
      return false;
    const uint64_t coff = uint64_t(peOffset) + 4;
    uint16_t sectionCount = 0, optionalSize = 0, magic = 0;
    if (!reader_.U16(coff + 2, &sectionCount) || !reader_.U16(coff + 16, &optionalSize)) return false;
    if (sectionCount > kMaxSections) return false;
    const uint64_t optional = coff + 20;
    if (!reader_.U16(optional, &magic)) return false;
    uint64_t countOffset, directoriesOffset;
    if (magic == kPe32Magic) {
      countOffset = 92;
      directoriesOffset = 96;
    } else if (magic == kPe32PlusMagic) {
      countOffset = 108;
      directoriesOffset = 112;
    } else {
      return false;
    }
    uint32_t directoryCount = 0;
    if (!reader_.U32(optional + countOffset, &directoryCount)) return false;
    if (directoryCount > kResourceDirectoryIndex) {
      const uint64_t entry = optional + directoriesOffset + 8ull * kResourceDirectoryIndex;
      if (entry + 8 > optional + optionalSize) return false;
      if (!reader_.U32(entry, &resourceRva_) || !reader_.U32(entry + 4, &resourceSize_)) return false;
    }
    const uint64_t table = optional + optionalSize;
    for (uint16_t i = 0; i < sectionCount; ++i) {
      const uint64_t s = table + 40ull * i;
      Section section{};
      if (!reader_.U32(s + 8, &section.virtualSize) || !reader_.U32(s + 12, &section.virtualAddress) ||
          !reader_.U32(s + 16, &section.rawSize) || !reader_.U32(s + 20, &section.rawOffset))
        return false;
      if (uint64_t(section.rawOffset) + section.rawSize > reader_.size()) return false;  // truncated file
      sections_.push_back(section);
    }
    return true;
  }

  bool HasResources() const { return resourceRva_ != 0 && resourceSize_ != 0; }

  // The file offset of an RVA and how many bytes of the section's raw data follow it.
  bool MapRva(uint32_t rva, uint64_t* offset, uint64_t* available) const {
    for (const Section& s : sections_) {
      const uint64_t extent = std::max(s.virtualSize, s.rawSize);
      if (rva < s.virtualAddress || uint64_t(rva) >= uint64_t(s.virtualAddress) + extent) continue;
      const uint64_t delta = rva - s.virtualAddress;
      if (delta >= s.rawSize) return false;  // in the zero-filled tail: nothing on disk
      *offset = uint64_t(s.rawOffset) + delta;
      *available = s.rawSize - delta;
      if (*offset > reader_.size()) return false;
      *available = std::min<uint64_t>(*available, reader_.size() - *offset);
      return true;
    }
    return false;
  }

  // The resource section's bytes (from the directory root on).
  bool ResourceSection(std::string_view* out) const {
    uint64_t offset = 0, available = 0;
    if (!MapRva(resourceRva_, &offset, &available)) return false;
    return reader_.Slice(offset, std::min<uint64_t>(available, resourceSize_), out);
  }

  bool ResourceData(uint32_t rva, uint32_t size, std::string_view* out) const {
    uint64_t offset = 0, available = 0;
    if (!MapRva(rva, &offset, &available) || size > available) return false;
    return reader_.Slice(offset, size, out);
  }

 private:
  ByteReader reader_;
  uint32_t resourceRva_ = 0, resourceSize_ = 0;
  std::vector<Section> sections_;
};

struct DirectoryEntry {
  uint32_t nameField;
  uint32_t offsetField;
};

// The entries of the resource directory at offset (relative to the section start).
bool ReadDirectory(const ByteReader& section, uint32_t offset, std::vector<DirectoryEntry>* entries) {
  uint16_t named = 0, ids = 0;
  if (!section.U16(uint64_t(offset) + 12, &named) || !section.U16(uint64_t(offset) + 14, &ids))
    return false;
  const uint32_t count = uint32_t(named) + ids;
  if (count > kMaxEntriesPerDirectory) return false;
  entries->clear();
  for (uint32_t i = 0; i < count; ++i) {
    DirectoryEntry e{};
    const uint64_t at = uint64_t(offset) + 16 + 8ull * i;
    if (!section.U32(at, &e.nameField) || !section.U32(at + 4, &e.offsetField)) return false;
    entries->push_back(e);
  }
  return true;
}

// A resource name: "name" of a named entry (UTF-16 length-prefixed string), else its id.
bool ReadEntryName(const ByteReader& section, uint32_t nameField, uint32_t* id, std::string* name) {
  if (!(nameField & kHighBit)) {
    *id = nameField & 0xFFFF;
    return true;
  }
  const uint64_t at = nameField & ~kHighBit;
  uint16_t length = 0;
  if (!section.U16(at, &length)) return false;
  name->clear();
  for (uint16_t i = 0; i < length; ++i) {
    uint16_t unit = 0;
    if (!section.U16(at + 2 + 2ull * i, &unit)) return false;
    name->push_back(unit < 0x80 ? char(unit) : '?');
  }
  *id = 0;
  return true;
}

}  // namespace

namespace {

constexpr uint16_t kNeSignature = 0x454E;  // "NE"
constexpr uint32_t kNeResourceTableField = 0x24;
constexpr uint16_t kNeIntegerType = 0x8000;
// A font directory entry: the font's ordinal, its 113-byte header, then its device name and
// its face name, each ending with a zero byte.
constexpr uint64_t kFontDirectoryHeaderSize = 113;
constexpr uint16_t kMaxNeResourceTypes = 1024;

// The FONTDIR resource of a 16-bit (NE) executable.
std::optional<std::string_view> NeFontDirectory(std::string_view image) {
  const ByteReader reader(image);
  uint16_t mz = 0, signature = 0, tableOffset = 0, alignShift = 0;
  uint32_t neOffset = 0;
  if (!reader.U16(0, &mz) || mz != 0x5A4D || !reader.U32(0x3C, &neOffset) || !reader.U16(neOffset, &signature) ||
      signature != kNeSignature || !reader.U16(uint64_t(neOffset) + kNeResourceTableField, &tableOffset))
    return std::nullopt;
  uint64_t at = uint64_t(neOffset) + tableOffset;
  if (!reader.U16(at, &alignShift) || alignShift > 16) return std::nullopt;
  at += 2;
  for (uint16_t types = 0; types < kMaxNeResourceTypes; ++types) {
    uint16_t typeId = 0, count = 0;
    if (!reader.U16(at, &typeId)) return std::nullopt;
    if (typeId == 0) return std::nullopt;  // end of the table: no font directory
    if (!reader.U16(at + 2, &count)) return std::nullopt;
    at += 8;
    if (typeId == (kNeIntegerType | kResourceTypeFontDirectory) && count > 0) {
      uint16_t offset = 0, length = 0;
      std::string_view data;
      if (!reader.U16(at, &offset) || !reader.U16(at + 2, &length) ||
          !reader.Slice(uint64_t(offset) << alignShift, uint64_t(length) << alignShift, &data))
        return std::nullopt;
      return data;
    }
    at += uint64_t(count) * 12;
  }
  return std::nullopt;
}

std::optional<std::string> FirstFaceName(std::string_view directory) {
  const ByteReader reader(directory);
  uint16_t count = 0;
  if (!reader.U16(0, &count) || count == 0) return std::nullopt;
  const uint64_t deviceName = 2 + 2 + kFontDirectoryHeaderSize;
  if (deviceName > directory.size()) return std::nullopt;
  const size_t deviceEnd = directory.find('\0', deviceName);
  if (deviceEnd == std::string_view::npos) return std::nullopt;
  const size_t faceEnd = directory.find('\0', deviceEnd + 1);
  if (faceEnd == std::string_view::npos || faceEnd == deviceEnd + 1) return std::nullopt;
  return std::string(directory.substr(deviceEnd + 1, faceEnd - deviceEnd - 1));
}

}  // namespace

std::optional<std::string> FontFaceName(std::string_view image) {
  if (const auto ne = NeFontDirectory(image)) return FirstFaceName(*ne);
  const auto resources = ParsePeResources(image, kResourceTypeFontDirectory);
  if (!resources || resources->empty()) return std::nullopt;
  return FirstFaceName(resources->front().data);
}

bool LooksLikeNeImage(std::string_view image) {
  const ByteReader reader(image);
  uint16_t mz = 0, signature = 0;
  uint32_t neOffset = 0;
  return reader.U16(0, &mz) && mz == 0x5A4D && reader.U32(0x3C, &neOffset) && reader.U16(neOffset, &signature) &&
         signature == kNeSignature;
}

std::optional<std::string> FontFaceNameOfFile(const std::string& path) {
  std::string bytes;
  if (!ReadFile(path, &bytes)) return std::nullopt;
  return FontFaceName(bytes);
}

bool LooksLikePeImage(std::string_view image) {
  PeImage pe(image);
  return pe.Parse();
}

namespace {

// The resources of the first type directory entry that isType accepts.
template <typename IsType>
std::optional<std::vector<PeResource>> ParseResourcesOfType(std::string_view image, IsType isType) {
  PeImage pe(image);
  if (!pe.Parse()) return std::nullopt;
  std::vector<PeResource> found;
  if (!pe.HasResources()) return found;
  std::string_view sectionBytes;
  if (!pe.ResourceSection(&sectionBytes)) return std::nullopt;
  const ByteReader section(sectionBytes);

  // Three fixed levels: type, name, language. Every subdirectory offset must point further
  // into the section than its parent, which rules out cycles.
  std::vector<DirectoryEntry> types, names, languages;
  if (!ReadDirectory(section, 0, &types)) return std::nullopt;
  for (const DirectoryEntry& typeEntry : types) {
    if (!isType(section, typeEntry.nameField)) continue;
    if (!(typeEntry.offsetField & kHighBit)) return std::nullopt;
    const uint32_t namesOffset = typeEntry.offsetField & ~kHighBit;
    if (namesOffset == 0 || !ReadDirectory(section, namesOffset, &names)) return std::nullopt;
    for (const DirectoryEntry& nameEntry : names) {
      PeResource resource;
      if (!ReadEntryName(section, nameEntry.nameField, &resource.id, &resource.name)) return std::nullopt;
      if (!(nameEntry.offsetField & kHighBit)) return std::nullopt;
      const uint32_t languagesOffset = nameEntry.offsetField & ~kHighBit;
      if (languagesOffset <= namesOffset || !ReadDirectory(section, languagesOffset, &languages))
        return std::nullopt;
      for (const DirectoryEntry& languageEntry : languages) {
        if (languageEntry.offsetField & kHighBit) return std::nullopt;  // a leaf is data, not a directory
        uint32_t dataRva = 0, dataSize = 0;
        if (!section.U32(languageEntry.offsetField, &dataRva) ||
            !section.U32(uint64_t(languageEntry.offsetField) + 4, &dataSize))
          return std::nullopt;
        PeResource item = resource;
        item.language = languageEntry.nameField & 0xFFFF;
        if (!pe.ResourceData(dataRva, dataSize, &item.data)) return std::nullopt;
        if (found.size() >= kMaxResourcesPerType) return std::nullopt;
        found.push_back(item);
      }
    }
    break;  // one directory per type
  }
  return found;
}

}  // namespace

std::optional<std::vector<PeResource>> ParsePeResources(std::string_view image, uint32_t type) {
  return ParseResourcesOfType(image, [type](const ByteReader&, uint32_t nameField) {
    return !(nameField & kHighBit) && (nameField & 0xFFFF) == type;
  });
}

std::optional<std::vector<PeResource>> ParsePeResources(std::string_view image, std::string_view typeName) {
  return ParseResourcesOfType(image, [typeName](const ByteReader& section, uint32_t nameField) {
    uint32_t id = 0;
    std::string name;
    if (!(nameField & kHighBit) || !ReadEntryName(section, nameField, &id, &name) || name.size() != typeName.size())
      return false;
    for (size_t i = 0; i < name.size(); ++i)
      if (std::tolower(static_cast<unsigned char>(name[i])) != std::tolower(static_cast<unsigned char>(typeName[i])))
        return false;
    return true;
  });
}

}  // namespace platform
