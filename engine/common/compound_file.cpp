#include "compound_file.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace qv::engine {

namespace {

constexpr uint32_t kFreeSector = 0xFFFFFFFF;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFatSector = 0xFFFFFFFD;
constexpr uint32_t kDifatSector = 0xFFFFFFFC;
constexpr uint32_t kMaxRegularSector = 0xFFFFFFFA;
constexpr uint32_t kNoEntry = 0xFFFFFFFF;

constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr uint32_t kHeaderDifatEntries = 109;
constexpr uint32_t kDirectoryEntrySize = 128;
constexpr uint32_t kMaxNameLength = 31;  // UTF-16 units, without the terminating zero

constexpr uint8_t kTypeStorage = 1;
constexpr uint8_t kTypeStream = 2;
constexpr uint8_t kTypeRoot = 5;
constexpr uint8_t kRed = 0;
constexpr uint8_t kBlack = 1;

// The layout of files we write: version 3, 512-byte sectors, 64-byte mini sectors.
constexpr uint32_t kSectorSize = 512;
constexpr uint32_t kMiniSectorSize = 64;
constexpr uint32_t kMiniStreamCutoff = 4096;
constexpr uint32_t kIdsPerSector = kSectorSize / 4;

uint16_t Get16(const char* p) {
  auto u = reinterpret_cast<const uint8_t*>(p);
  return static_cast<uint16_t>(u[0] | (u[1] << 8));
}
uint32_t Get32(const char* p) {
  auto u = reinterpret_cast<const uint8_t*>(p);
  return u[0] | (u[1] << 8) | (u[2] << 16) | (static_cast<uint32_t>(u[3]) << 24);
}
uint64_t Get64(const char* p) { return Get32(p) | (static_cast<uint64_t>(Get32(p + 4)) << 32); }

void Put16(char* p, uint16_t v) {
  p[0] = static_cast<char>(v & 0xFF);
  p[1] = static_cast<char>(v >> 8);
}
void Put32(char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void Put64(char* p, uint64_t v) {
  Put32(p, static_cast<uint32_t>(v));
  Put32(p + 4, static_cast<uint32_t>(v >> 32));
}

uint64_t CeilDiv(uint64_t value, uint64_t unit) { return (value + unit - 1) / unit; }

char16_t UpperCase(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
  // Latin-1 letters; other scripts keep their case, which only changes the order of names
  // that differ in nothing but case.
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 32);
  return c;
}

}  // namespace

bool CompoundNameLess(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return a.size() < b.size();
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = UpperCase(a[i]), y = UpperCase(b[i]);
    if (x != y) return x < y;
  }
  return false;
}

// ---------------------------------------------------------------------------------------------
// Reading

bool CompoundFileReader::Open(const std::string& path) {
  file_.open(path, std::ios::binary);
  if (!file_) return false;
  file_.seekg(0, std::ios::end);
  std::streamoff end = file_.tellg();
  if (end < 0) return false;
  fileSize_ = static_cast<uint64_t>(end);
  return ReadHeaderAndTables();
}

bool CompoundFileReader::ReadSectors(uint32_t first, uint32_t count, char* out) {
  uint64_t offset = (static_cast<uint64_t>(first) + 1) * sectorSize_;
  uint64_t length = static_cast<uint64_t>(count) * sectorSize_;
  uint64_t available = offset < fileSize_ ? std::min<uint64_t>(length, fileSize_ - offset) : 0;
  // Only the last sector of a file may be cut short; the rest of it reads as zeros.
  if (length - available >= sectorSize_) return false;
  file_.clear();
  file_.seekg(static_cast<std::streamoff>(offset));
  if (!file_.read(out, static_cast<std::streamsize>(available))) return false;
  std::memset(out + available, 0, length - available);
  return true;
}

bool CompoundFileReader::Chain(const std::vector<uint32_t>& table, uint32_t start, uint64_t count, bool exact,
                               std::vector<uint32_t>* chain) const {
  chain->clear();
  uint32_t sector = start;
  for (;;) {
    if (exact && chain->size() == count) return true;
    if (sector == kEndOfChain) return !exact && chain->size() >= count;
    // No chain is longer than its table: a longer walk has met a loop.
    if (sector >= table.size() || chain->size() >= table.size()) return false;
    chain->push_back(sector);
    sector = table[sector];
  }
}

bool CompoundFileReader::ReadHeaderAndTables() {
  if (fileSize_ < 512) return false;
  char header[512];
  file_.seekg(0);
  if (!file_.read(header, sizeof header)) return false;
  if (std::memcmp(header, kSignature, sizeof kSignature) != 0) return false;
  if (Get16(header + 28) != 0xFFFE) return false;
  sectorShift_ = Get16(header + 30);
  if (sectorShift_ != 9 && sectorShift_ != 12) return false;
  sectorSize_ = 1u << sectorShift_;
  if (Get16(header + 32) != 6) return false;  // 64-byte mini sectors
  miniCutoff_ = Get32(header + 56);
  if (miniCutoff_ != kMiniStreamCutoff) return false;
  if (fileSize_ < sectorSize_) return false;
  sectorCount_ = static_cast<uint32_t>(std::min<uint64_t>(CeilDiv(fileSize_ - sectorSize_, sectorSize_), kMaxRegularSector));
  const uint32_t idsPerSector = sectorSize_ / 4;

  // The allocation table's own sectors: 109 in the header, the rest in the DIFAT chain.
  uint32_t fatSectorCount = Get32(header + 44);
  if (fatSectorCount > sectorCount_) return false;
  std::vector<uint32_t> fatSectors;
  for (uint32_t i = 0; i < kHeaderDifatEntries && fatSectors.size() < fatSectorCount; ++i)
    fatSectors.push_back(Get32(header + 76 + 4 * i));
  uint32_t difatSector = Get32(header + 68);
  std::vector<char> buffer(sectorSize_);
  std::set<uint32_t> difatSeen;
  while (fatSectors.size() < fatSectorCount) {
    if (difatSector >= sectorCount_ || !difatSeen.insert(difatSector).second) return false;
    if (!ReadSectors(difatSector, 1, buffer.data())) return false;
    for (uint32_t i = 0; i + 1 < idsPerSector && fatSectors.size() < fatSectorCount; ++i)
      fatSectors.push_back(Get32(buffer.data() + 4 * i));
    difatSector = Get32(buffer.data() + 4 * (idsPerSector - 1));
  }
  fat_.assign(static_cast<size_t>(fatSectorCount) * idsPerSector, kFreeSector);
  for (uint32_t i = 0; i < fatSectorCount; ++i) {
    if (fatSectors[i] >= sectorCount_) return false;
    if (!ReadSectors(fatSectors[i], 1, buffer.data())) return false;
    for (uint32_t j = 0; j < idsPerSector; ++j) fat_[static_cast<size_t>(i) * idsPerSector + j] = Get32(buffer.data() + 4 * j);
  }
  // Sectors past the end of the file are out of range wherever they are named.
  if (fat_.size() > sectorCount_) fat_.resize(sectorCount_);

  std::vector<uint32_t> chain;
  uint32_t miniFatStart = Get32(header + 60);
  if (miniFatStart != kEndOfChain && miniFatStart != kFreeSector) {
    if (!Chain(fat_, miniFatStart, 0, false, &chain)) return false;
    miniFat_.assign(chain.size() * idsPerSector, kFreeSector);
    for (size_t i = 0; i < chain.size(); ++i) {
      if (!ReadSectors(chain[i], 1, buffer.data())) return false;
      for (uint32_t j = 0; j < idsPerSector; ++j) miniFat_[i * idsPerSector + j] = Get32(buffer.data() + 4 * j);
    }
  }
  return ReadDirectory(Get32(header + 48));
}

bool CompoundFileReader::ReadDirectory(uint32_t firstSector) {
  std::vector<uint32_t> chain;
  if (!Chain(fat_, firstSector, 1, false, &chain)) return false;
  std::string directory(chain.size() * sectorSize_, '\0');
  for (size_t i = 0; i < chain.size(); ++i)
    if (!ReadSectors(chain[i], 1, directory.data() + i * sectorSize_)) return false;

  struct Entry {
    std::u16string name;
    uint8_t type;
    uint32_t left, right, child, start;
    uint64_t size;
  };
  const size_t entryCount = directory.size() / kDirectoryEntrySize;
  auto entryAt = [&](size_t id) {
    const char* p = directory.data() + id * kDirectoryEntrySize;
    Entry e;
    size_t nameBytes = Get16(p + 64);
    size_t units = nameBytes >= 2 ? std::min<size_t>(nameBytes / 2 - 1, kMaxNameLength) : 0;
    for (size_t i = 0; i < units; ++i) {
      char16_t c = Get16(p + 2 * i);
      if (c == 0) break;
      e.name.push_back(c);
    }
    e.type = static_cast<uint8_t>(p[66]);
    e.left = Get32(p + 68);
    e.right = Get32(p + 72);
    e.child = Get32(p + 76);
    e.start = Get32(p + 116);
    e.size = Get64(p + 120);
    // Version 3 files keep only 32 bits of a size; some writers leave the rest undefined.
    if (sectorShift_ == 9) e.size &= 0xFFFFFFFFu;
    return e;
  };

  Entry root = entryAt(0);
  if (root.type != kTypeRoot) return false;
  std::memcpy(rootClsid_.data(), directory.data() + 80, rootClsid_.size());
  if (root.size > 0) {
    if (root.size > static_cast<uint64_t>(sectorCount_) * sectorSize_) return false;
    if (!ReadChainData(root.start, root.size, &miniStream_)) return false;
  }

  // The root's children form a binary tree through their left and right links; walked with a
  // stack of our own, each entry once, so that a damaged tree can neither loop nor recurse deep.
  std::vector<bool> seen(entryCount, false);
  std::vector<uint32_t> pending;
  if (root.child != kNoEntry) pending.push_back(root.child);
  while (!pending.empty()) {
    uint32_t id = pending.back();
    pending.pop_back();
    if (id == 0 || id >= entryCount || seen[id]) return false;
    seen[id] = true;
    Entry e = entryAt(id);
    if (e.left != kNoEntry) pending.push_back(e.left);
    if (e.right != kNoEntry) pending.push_back(e.right);
    if (e.type == kTypeStream && byName_.emplace(e.name, streams_.size()).second)
      streams_.push_back({std::move(e.name), e.size, e.start});
    else if (e.type != kTypeStream && e.type != kTypeStorage)
      return false;
  }
  return true;
}

bool CompoundFileReader::ReadChainData(uint32_t start, uint64_t size, std::string* data) {
  uint64_t count = CeilDiv(size, sectorSize_);
  std::vector<uint32_t> chain;
  if (!Chain(fat_, start, count, true, &chain)) return false;
  data->assign(chain.size() * static_cast<size_t>(sectorSize_), '\0');
  // Consecutive sectors are read in one go: files are mostly laid out that way.
  for (size_t i = 0; i < chain.size();) {
    size_t run = 1;
    while (i + run < chain.size() && chain[i + run] == chain[i] + run) ++run;
    if (!ReadSectors(chain[i], static_cast<uint32_t>(run), data->data() + i * sectorSize_)) return false;
    i += run;
  }
  data->resize(size);
  return true;
}

const CompoundFileReader::Stream* CompoundFileReader::Find(const std::u16string& name) const {
  auto it = byName_.find(name);
  return it == byName_.end() ? nullptr : &streams_[it->second];
}

bool CompoundFileReader::Read(const Stream& stream, std::string* data) {
  data->clear();
  if (stream.size == 0) return true;
  if (stream.size >= miniCutoff_) {
    if (stream.size > static_cast<uint64_t>(sectorCount_) * sectorSize_) return false;
    return ReadChainData(stream.start, stream.size, data);
  }
  std::vector<uint32_t> chain;
  if (!Chain(miniFat_, stream.start, CeilDiv(stream.size, kMiniSectorSize), true, &chain)) return false;
  data->reserve(chain.size() * kMiniSectorSize);
  for (uint32_t sector : chain) {
    uint64_t offset = static_cast<uint64_t>(sector) * kMiniSectorSize;
    if (offset + kMiniSectorSize > miniStream_.size()) return false;
    data->append(miniStream_, offset, kMiniSectorSize);
  }
  data->resize(stream.size);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Writing

void CompoundFileWriter::AddStream(std::u16string name, std::string data) {
  Entry e;
  e.name = std::move(name);
  e.size = data.size();
  e.data = std::move(data);
  entries_.push_back(std::move(e));
}

void CompoundFileWriter::AddPlacedStream(std::u16string name, uint64_t offset, uint64_t size) {
  Entry e;
  e.name = std::move(name);
  e.placedAt = offset;
  e.size = size;
  entries_.push_back(std::move(e));
}

void CompoundFileWriter::AddGeneratedStream(std::u16string name, uint64_t size, std::function<void(std::ostream&)> write) {
  Entry e;
  e.name = std::move(name);
  e.size = size;
  e.write = std::move(write);
  entries_.push_back(std::move(e));
}

bool CompoundFileWriter::NamesAndSizesValid() const {
  std::set<std::u16string, decltype(&CompoundNameLess)> names(&CompoundNameLess);
  for (const Entry& e : entries_) {
    if (e.name.empty() || e.name.size() > kMaxNameLength) return false;
    if (e.name.find(u'\0') != std::u16string::npos) return false;
    if (e.size > 0xFFFFFFFFu) return false;
    if (!names.insert(e.name).second) return false;
  }
  return true;
}

namespace {

// Where each stream of a file we write lies, and the sectors of every structure.
struct Layout {
  std::vector<uint32_t> start;  // per entry (in directory order): first sector or mini sector
  uint32_t miniStreamStart = kEndOfChain, miniStreamSectors = 0;
  uint32_t miniFatStart = kEndOfChain, miniFatSectors = 0;
  uint32_t directoryStart = 0, directorySectors = 0;
  uint32_t fatStart = 0, fatSectors = 0;
  uint32_t difatStart = kEndOfChain, difatSectors = 0;
  uint32_t totalSectors = 0;
};

// Writes a chain of count consecutive sectors from first into table.
void LinkRun(std::vector<uint32_t>& table, uint32_t first, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) table[first + i] = i + 1 < count ? first + i + 1 : kEndOfChain;
}

// The directory tree of n siblings sorted by name: each subtree rooted at its middle entry, so
// that every level but the last is full; the entries of an incomplete last level are red and
// all others black, which makes it a valid red-black tree.
struct TreeNode {
  uint32_t left = kNoEntry, right = kNoEntry;
  uint8_t color = kBlack;
};
uint32_t BuildTree(std::vector<TreeNode>& nodes, uint32_t lo, uint32_t hi, int depth, int fullLevels) {
  if (lo >= hi) return kNoEntry;
  uint32_t mid = lo + (hi - lo - 1) / 2;
  nodes[mid].color = depth == fullLevels ? kRed : kBlack;
  nodes[mid].left = BuildTree(nodes, lo, mid, depth + 1, fullLevels);
  nodes[mid].right = BuildTree(nodes, mid + 1, hi, depth + 1, fullLevels);
  return mid;
}

void PutDirectoryEntry(char* p, const std::u16string& name, uint8_t type, uint8_t color, uint32_t left,
                       uint32_t right, uint32_t child, const Clsid* clsid, uint32_t start, uint64_t size) {
  for (size_t i = 0; i < name.size(); ++i) Put16(p + 2 * i, name[i]);
  Put16(p + 64, static_cast<uint16_t>(name.empty() ? 0 : (name.size() + 1) * 2));
  p[66] = static_cast<char>(type);
  p[67] = static_cast<char>(color);
  Put32(p + 68, left);
  Put32(p + 72, right);
  Put32(p + 76, child);
  if (clsid) std::memcpy(p + 80, clsid->data(), clsid->size());
  Put32(p + 116, start);
  Put64(p + 120, size);
}

bool WriteZeros(std::ostream& out, uint64_t count) {
  static const char kZeros[kSectorSize] = {};
  while (count > 0) {
    uint64_t n = std::min<uint64_t>(count, sizeof kZeros);
    out.write(kZeros, static_cast<std::streamsize>(n));
    count -= n;
  }
  return static_cast<bool>(out);
}

}  // namespace

bool CompoundFileWriter::PlacedStreamsValid(std::iostream& file, uint64_t* placedEnd) const {
  std::vector<const Entry*> placed;
  for (const Entry& e : entries_)
    if (e.placedAt) placed.push_back(&e);
  std::sort(placed.begin(), placed.end(), [](const Entry* a, const Entry* b) { return *a->placedAt < *b->placedAt; });
  uint64_t next = kPlacedStreamsBegin, end = kPlacedStreamsBegin;
  for (const Entry* e : placed) {
    if (*e->placedAt != next) return false;
    end = *e->placedAt + e->size;
    next = CeilDiv(end, kSectorSize) * kSectorSize;
  }
  file.seekg(0, std::ios::end);
  const auto fileSize = static_cast<uint64_t>(file.tellg());
  *placedEnd = end;
  return file && (placed.empty() ? fileSize == 0 : fileSize >= end && fileSize <= next);
}

bool CompoundFileWriter::WriteBytes(std::iostream& file, const Entry& e) const {
  if (e.placedAt) {
    // Only a placed stream short enough for the mini stream is written again.
    std::string bytes(e.size, '\0');
    const auto at = file.tellp();
    file.seekg(static_cast<std::streamoff>(*e.placedAt));
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.seekp(at);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
  }
  if (!e.write) {
    file.write(e.data.data(), static_cast<std::streamsize>(e.size));
    return static_cast<bool>(file);
  }
  // The layout is made from the size given when the stream was added: it must be kept.
  const auto start = file.tellp();
  e.write(file);
  return file && static_cast<uint64_t>(file.tellp() - start) == e.size;
}

bool CompoundFileWriter::Write(std::iostream& out, const std::function<bool()>& cancelled) const {
  if (!NamesAndSizesValid()) return false;
  uint64_t placedEnd = 0;
  if (!PlacedStreamsValid(out, &placedEnd)) return false;
  // Directory ids follow name order: 0 is the root, the streams 1..n.
  std::vector<const Entry*> sorted;
  for (const Entry& e : entries_) sorted.push_back(&e);
  std::sort(sorted.begin(), sorted.end(), [](const Entry* a, const Entry* b) { return CompoundNameLess(a->name, b->name); });
  const uint32_t n = static_cast<uint32_t>(sorted.size());

  Layout layout;
  layout.start.assign(n, kEndOfChain);
  // The placed streams' sectors come first, where their bytes are.
  uint64_t next = CeilDiv(placedEnd - kPlacedStreamsBegin, kSectorSize);
  for (uint32_t i = 0; i < n; ++i) {
    if (sorted[i]->size < kMiniStreamCutoff) continue;
    if (sorted[i]->placedAt) {
      layout.start[i] = static_cast<uint32_t>((*sorted[i]->placedAt - kPlacedStreamsBegin) / kSectorSize);
      continue;
    }
    layout.start[i] = static_cast<uint32_t>(next);
    next += CeilDiv(sorted[i]->size, kSectorSize);
  }
  uint64_t mini = 0;
  for (uint32_t i = 0; i < n; ++i) {
    if (sorted[i]->size == 0 || sorted[i]->size >= kMiniStreamCutoff) continue;
    layout.start[i] = static_cast<uint32_t>(mini);
    mini += CeilDiv(sorted[i]->size, kMiniSectorSize);
  }
  layout.miniStreamSectors = static_cast<uint32_t>(CeilDiv(mini * kMiniSectorSize, kSectorSize));
  if (layout.miniStreamSectors) layout.miniStreamStart = static_cast<uint32_t>(next);
  next += layout.miniStreamSectors;
  layout.miniFatSectors = static_cast<uint32_t>(CeilDiv(mini, kIdsPerSector));
  if (layout.miniFatSectors) layout.miniFatStart = static_cast<uint32_t>(next);
  next += layout.miniFatSectors;
  layout.directoryStart = static_cast<uint32_t>(next);
  layout.directorySectors = static_cast<uint32_t>(CeilDiv(n + 1, kSectorSize / kDirectoryEntrySize));
  next += layout.directorySectors;
  // The allocation table covers its own sectors and those of the DIFAT.
  uint64_t fat = 0, difat = 0;
  for (;;) {
    uint64_t total = next + fat + difat;
    uint64_t needFat = CeilDiv(total, kIdsPerSector);
    uint64_t needDifat = needFat > kHeaderDifatEntries ? CeilDiv(needFat - kHeaderDifatEntries, kIdsPerSector - 1) : 0;
    if (needFat == fat && needDifat == difat) break;
    fat = needFat;
    difat = needDifat;
  }
  if (next + fat + difat >= kMaxRegularSector) return false;
  layout.fatStart = static_cast<uint32_t>(next);
  layout.fatSectors = static_cast<uint32_t>(fat);
  if (difat) layout.difatStart = static_cast<uint32_t>(next + fat);
  layout.difatSectors = static_cast<uint32_t>(difat);
  layout.totalSectors = static_cast<uint32_t>(next + fat + difat);

  // Allocation tables.
  std::vector<uint32_t> fatTable(static_cast<size_t>(fat) * kIdsPerSector, kFreeSector);
  std::vector<uint32_t> miniFatTable(static_cast<size_t>(layout.miniFatSectors) * kIdsPerSector, kFreeSector);
  for (uint32_t i = 0; i < n; ++i) {
    uint64_t size = sorted[i]->size;
    if (size >= kMiniStreamCutoff)
      LinkRun(fatTable, layout.start[i], static_cast<uint32_t>(CeilDiv(size, kSectorSize)));
    else if (size > 0)
      LinkRun(miniFatTable, layout.start[i], static_cast<uint32_t>(CeilDiv(size, kMiniSectorSize)));
  }
  if (layout.miniStreamSectors) LinkRun(fatTable, layout.miniStreamStart, layout.miniStreamSectors);
  if (layout.miniFatSectors) LinkRun(fatTable, layout.miniFatStart, layout.miniFatSectors);
  LinkRun(fatTable, layout.directoryStart, layout.directorySectors);
  for (uint32_t i = 0; i < layout.fatSectors; ++i) fatTable[layout.fatStart + i] = kFatSector;
  for (uint32_t i = 0; i < layout.difatSectors; ++i) fatTable[layout.difatStart + i] = kDifatSector;

  // Header.
  char header[kSectorSize] = {};
  std::memcpy(header, kSignature, sizeof kSignature);
  Put16(header + 24, 0x003E);
  Put16(header + 26, 3);
  Put16(header + 28, 0xFFFE);
  Put16(header + 30, 9);
  Put16(header + 32, 6);
  Put32(header + 44, layout.fatSectors);
  Put32(header + 48, layout.directoryStart);
  Put32(header + 56, kMiniStreamCutoff);
  Put32(header + 60, layout.miniFatStart);
  Put32(header + 64, layout.miniFatSectors);
  Put32(header + 68, layout.difatStart);
  Put32(header + 72, layout.difatSectors);
  for (uint32_t i = 0; i < kHeaderDifatEntries; ++i)
    Put32(header + 76 + 4 * i, i < layout.fatSectors ? layout.fatStart + i : kFreeSector);
  out.seekp(0);
  out.write(header, sizeof header);

  // Streams of regular sectors after the placed ones, then the mini stream.
  out.seekp(static_cast<std::streamoff>(placedEnd));
  WriteZeros(out, CeilDiv(placedEnd, kSectorSize) * kSectorSize - placedEnd);
  for (uint32_t i = 0; i < n; ++i) {
    const Entry& e = *sorted[i];
    if (e.size < kMiniStreamCutoff || e.placedAt) continue;
    if (cancelled && cancelled()) return false;
    if (!WriteBytes(out, e)) return false;
    WriteZeros(out, CeilDiv(e.size, kSectorSize) * kSectorSize - e.size);
  }
  for (uint32_t i = 0; i < n; ++i) {
    const Entry& e = *sorted[i];
    if (e.size == 0 || e.size >= kMiniStreamCutoff) continue;
    if (!WriteBytes(out, e)) return false;
    WriteZeros(out, CeilDiv(e.size, kMiniSectorSize) * kMiniSectorSize - e.size);
  }
  WriteZeros(out, static_cast<uint64_t>(layout.miniStreamSectors) * kSectorSize - static_cast<uint64_t>(mini) * kMiniSectorSize);

  auto writeTable = [&out](const std::vector<uint32_t>& table) {
    std::string bytes(table.size() * 4, '\0');
    for (size_t i = 0; i < table.size(); ++i) Put32(bytes.data() + 4 * i, table[i]);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  };
  writeTable(miniFatTable);

  // Directory: the root, then the streams in name order.
  std::vector<TreeNode> nodes(n);
  int fullLevels = 0;
  while ((uint64_t{2} << fullLevels) - 1 <= n) ++fullLevels;  // levels a tree of n entries fills
  uint32_t top = BuildTree(nodes, 0, n, 0, fullLevels);
  auto id = [](uint32_t index) { return index == kNoEntry ? kNoEntry : index + 1; };
  std::string directory(static_cast<size_t>(layout.directorySectors) * kSectorSize, '\0');
  for (size_t i = 0; i < directory.size() / kDirectoryEntrySize; ++i) {
    char* p = directory.data() + i * kDirectoryEntrySize;
    Put32(p + 68, kNoEntry);
    Put32(p + 72, kNoEntry);
    Put32(p + 76, kNoEntry);
  }
  PutDirectoryEntry(directory.data(), u"Root Entry", kTypeRoot, kBlack, kNoEntry, kNoEntry, id(top), &rootClsid_,
                    layout.miniStreamStart, static_cast<uint64_t>(mini) * kMiniSectorSize);
  for (uint32_t i = 0; i < n; ++i)
    PutDirectoryEntry(directory.data() + (i + 1) * kDirectoryEntrySize, sorted[i]->name, kTypeStream, nodes[i].color,
                      id(nodes[i].left), id(nodes[i].right), kNoEntry, nullptr, layout.start[i], sorted[i]->size);
  out.write(directory.data(), static_cast<std::streamsize>(directory.size()));

  writeTable(fatTable);
  // DIFAT sectors: the allocation table's sectors past the header's 109, 127 to a sector, each
  // sector ending with the number of the next.
  for (uint32_t s = 0; s < layout.difatSectors; ++s) {
    std::vector<uint32_t> ids(kIdsPerSector, kFreeSector);
    for (uint32_t j = 0; j + 1 < kIdsPerSector; ++j) {
      uint64_t fatIndex = kHeaderDifatEntries + static_cast<uint64_t>(s) * (kIdsPerSector - 1) + j;
      if (fatIndex < layout.fatSectors) ids[j] = layout.fatStart + static_cast<uint32_t>(fatIndex);
    }
    ids[kIdsPerSector - 1] = s + 1 < layout.difatSectors ? layout.difatStart + s + 1 : kEndOfChain;
    writeTable(ids);
  }
  out.flush();
  return static_cast<bool>(out);
}

}  // namespace qv::engine
