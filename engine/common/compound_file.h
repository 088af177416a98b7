// The compound file (structured storage) container that every MSI-format database lives in:
// a reader of the streams at its root and a writer of a new file from a set of root streams.
// Both take linear time in the size of the file; the reader checks every sector number, chain
// and length it meets, so that a damaged file is refused and never read out of bounds.
#pragma once

#include <array>
#include <cstdint>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace qv::engine {

using Clsid = std::array<uint8_t, 16>;

class CompoundFileReader {
 public:
  struct Stream {
    std::u16string name;
    uint64_t size = 0;
    uint32_t start = 0;
  };

  CompoundFileReader() = default;
  CompoundFileReader(const CompoundFileReader&) = delete;
  CompoundFileReader& operator=(const CompoundFileReader&) = delete;

  // False when the file cannot be opened or its header, allocation tables or directory are
  // damaged.
  bool Open(const std::string& path);
  const Clsid& RootClsid() const { return rootClsid_; }
  // The streams directly below the root storage (storages below it are left out).
  const std::vector<Stream>& Streams() const { return streams_; }
  const Stream* Find(const std::u16string& name) const;
  // The whole stream; false when its sector chain is damaged or the file cannot be read.
  bool Read(const Stream& stream, std::string* data);

 private:
  bool ReadHeaderAndTables();
  bool ReadSectors(uint32_t first, uint32_t count, char* out);
  // The sector chain from start through table, with at least count sectors (exactly count
  // when exact); false on a sector number out of range or a chain that is too short.
  bool Chain(const std::vector<uint32_t>& table, uint32_t start, uint64_t count, bool exact,
             std::vector<uint32_t>* chain) const;
  bool ReadChainData(uint32_t start, uint64_t size, std::string* data);
  bool ReadDirectory(uint32_t firstSector);

  std::ifstream file_;
  uint64_t fileSize_ = 0;
  uint32_t sectorShift_ = 9;
  uint32_t sectorSize_ = 512;
  uint32_t sectorCount_ = 0;  // sectors after the header that lie (at least partly) in the file
  uint32_t miniCutoff_ = 4096;
  std::vector<uint32_t> fat_;
  std::vector<uint32_t> miniFat_;
  std::string miniStream_;
  Clsid rootClsid_{};
  std::vector<Stream> streams_;
  std::map<std::u16string, size_t> byName_;
};

class CompoundFileWriter {
 public:
  void SetRootClsid(const Clsid& clsid) { rootClsid_ = clsid; }
  // A stream with its bytes in memory.
  void AddStream(std::u16string name, std::string data);
  // The first placed stream begins right after the header, and each one at a sector boundary.
  static constexpr uint64_t kPlacedStreamsBegin = 512;
  static constexpr uint64_t kPlacedStreamAlignment = 512;
  // A stream whose size bytes the file being written holds already at offset, so that a large
  // stream made before the rest (a package's cabinets) is not copied. Placed streams follow one
  // another from kPlacedStreamsBegin, each at the next sector boundary after the one before,
  // and the file ends within the last one's last sector; everything else is written after
  // them. One shorter than the mini stream's 4096 bytes is read and moved into the mini stream,
  // its sectors left unused.
  void AddPlacedStream(std::u16string name, uint64_t offset, uint64_t size);
  // A stream whose size bytes are written by write when the file is written, so that it need
  // not be held in memory beside the others.
  void AddGeneratedStream(std::u16string name, uint64_t size, std::function<void(std::ostream&)> write);
  // Names longer than 31 characters, duplicate names and streams of 4 GB or more cannot be
  // stored.
  bool NamesAndSizesValid() const;
  // Writes the whole file: file is empty, or holds the placed streams and nothing after them.
  // Identical streams give identical bytes: no time stamps, no random values, unused space
  // zero. False also when cancelled (asked between streams) says stop.
  bool Write(std::iostream& file, const std::function<bool()>& cancelled = {}) const;

 private:
  struct Entry {
    std::u16string name;
    std::string data;
    std::function<void(std::ostream&)> write;  // empty: data or the placed bytes
    std::optional<uint64_t> placedAt;           // the offset of a placed stream's bytes
    uint64_t size = 0;
  };
  bool PlacedStreamsValid(std::iostream& file, uint64_t* placedEnd) const;
  bool WriteBytes(std::iostream& file, const Entry& entry) const;
  std::vector<Entry> entries_;
  Clsid rootClsid_{};
};

// Orders directory entry names as compound files do: shorter names first, then by their
// upper-case letters.
bool CompoundNameLess(const std::u16string& a, const std::u16string& b);

}  // namespace qv::engine
