#include "cabinet_writer.h"

#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <deque>
#include <future>
#include <memory>

#include "compression_workers.h"
#include "mszip_block.h"

namespace builder {
namespace {

constexpr size_t kHeaderBytes = 36;        // CFHEADER without reserved areas
constexpr size_t kFolderEntryBytes = 8;    // CFFOLDER
constexpr size_t kFileEntryBytes = 16;     // CFFILE before its name
constexpr size_t kMaxNameBytes = 255;      // a name, without its terminating zero
constexpr uint16_t kCompressionMszip = 1;
constexpr uint16_t kAttributeArchive = 0x20;
constexpr uint16_t kAttributeNameIsUtf8 = 0x80;
constexpr size_t kMaxBlocks = 0xFFFF;      // a folder counts its blocks in 16 bits
// Blocks being compressed or waiting to be written, per thread: enough to keep every thread
// busy, few enough that memory stays a few hundred KB.
constexpr size_t kBlocksInFlightPerThread = 4;

void AppendU16(std::string& out, uint32_t value) {
  out.push_back(char(value & 0xFF));
  out.push_back(char((value >> 8) & 0xFF));
}

void AppendU32(std::string& out, uint32_t value) {
  AppendU16(out, value & 0xFFFF);
  AppendU16(out, value >> 16);
}

// The MS-DOS date and time of a file in the cabinet.
struct DosTime {
  uint16_t date = (0 << 9) | (1 << 5) | 1;  // 1980-01-01
  uint16_t time = 0;
};

DosTime DosTimeOf(int64_t unixSeconds, bool utc) {
  const time_t seconds = time_t(unixSeconds);
  std::tm parts{};
  if (!(utc ? gmtime_r(&seconds, &parts) : localtime_r(&seconds, &parts)) || parts.tm_year < 80) return {};
  DosTime dos;
  dos.date = uint16_t(((parts.tm_year - 80) << 9) | ((parts.tm_mon + 1) << 5) | parts.tm_mday);
  dos.time = uint16_t((parts.tm_hour << 11) | (parts.tm_min << 5) | (parts.tm_sec / 2));
  return dos;
}

bool IsAscii(const std::string& text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

// Header, folder and file entries; the cabinet's size (at offset 8) is filled in at the end.
std::string Directory(const std::vector<CabinetFile>& files, const CabinetOptions& options, size_t blocks) {
  size_t entriesBytes = 0;
  for (const CabinetFile& file : files) entriesBytes += kFileEntryBytes + file.name.size() + 1;
  std::string out;
  out.reserve(kHeaderBytes + kFolderEntryBytes + entriesBytes);
  out += "MSCF";
  AppendU32(out, 0);                                   // reserved
  AppendU32(out, 0);                                   // cbCabinet, later
  AppendU32(out, 0);                                   // reserved
  AppendU32(out, kHeaderBytes + kFolderEntryBytes);    // coffFiles
  AppendU32(out, 0);                                   // reserved
  out.push_back(3);                                    // versionMinor
  out.push_back(1);                                    // versionMajor
  AppendU16(out, 1);                                   // cFolders
  AppendU16(out, uint32_t(files.size()));              // cFiles
  AppendU16(out, 0);                                   // flags: no reserve, no neighbouring cabinets
  AppendU16(out, 0);                                   // setID
  AppendU16(out, 0);                                   // iCabinet
  AppendU32(out, uint32_t(kHeaderBytes + kFolderEntryBytes + entriesBytes));  // coffCabStart
  AppendU16(out, uint32_t(blocks));                    // cCFData
  AppendU16(out, kCompressionMszip);
  uint64_t offset = 0;
  for (const CabinetFile& file : files) {
    DosTime when;
    if (options.fixedTime) {
      when = DosTimeOf(*options.fixedTime, /*utc=*/true);
    } else if (struct stat info {}; stat(file.hostPath.c_str(), &info) == 0) {
      when = DosTimeOf(info.st_mtime, /*utc=*/false);
    }
    AppendU32(out, uint32_t(file.size));
    AppendU32(out, uint32_t(offset));                  // uoffFolderStart
    AppendU16(out, 0);                                 // iFolder
    AppendU16(out, when.date);
    AppendU16(out, when.time);
    AppendU16(out, IsAscii(file.name) ? kAttributeArchive : kAttributeArchive | kAttributeNameIsUtf8);
    out += file.name;
    out.push_back('\0');
    offset += file.size;
  }
  return out;
}

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<FILE, FileCloser>;

// Positions in files of more than 2 GB (a package of several cabinets).
int64_t Tell(FILE* file) {
#if defined(_WIN32)
  return _ftelli64(file);
#else
  return ftello(file);
#endif
}

bool SeekTo(FILE* file, int64_t offset) {
#if defined(_WIN32)
  return _fseeki64(file, offset, SEEK_SET) == 0;
#else
  return fseeko(file, offset, SEEK_SET) == 0;
#endif
}

// Reads the files into blocks, hands the blocks to the workers and writes their records in order.
class FolderWriter {
 public:
  FolderWriter(FILE* out, unsigned threads)
      : out_(out), workers_(threads), maxInFlight_(kBlocksInFlightPerThread * (threads ? threads : 1)) {
    NewBlock();
  }

  // Adds one file's bytes; false when it cannot be read or its size changed since it was listed.
  bool AddFile(const CabinetFile& file, FileFacts* facts, std::string* message) {
    File in(std::fopen(file.hostPath.c_str(), "rb"));
    if (!in) {
      *message = "cannot read " + file.hostPath;
      return false;
    }
    uint64_t read = 0;
    for (;;) {
      const size_t n = std::fread(block_.data() + used_, 1, kMszipBlockBytes - used_, in.get());
      if (n == 0) break;
      inspector_.Add({block_.data() + used_, n});
      used_ += n;
      read += n;
      if (used_ == kMszipBlockBytes && !Submit(message)) return false;
    }
    if (std::ferror(in.get())) {
      *message = "cannot read " + file.hostPath;
      return false;
    }
    if (read != file.size) {
      *message = file.hostPath + " changed while the package was built";
      return false;
    }
    *facts = inspector_.Finish();
    return true;
  }

  // Writes what is left; false on a write failure.
  bool Finish(std::string* message) {
    if (used_ > 0 && !Submit(message)) return false;
    while (!pending_.empty())
      if (!WriteOldest(message)) return false;
    return true;
  }

 private:
  void NewBlock() {
    block_.assign(kMszipBlockBytes, '\0');
    used_ = 0;
  }

  bool Submit(std::string* message) {
    block_.resize(used_);
    pending_.push_back(workers_.Compress(std::move(block_)));
    NewBlock();
    while (pending_.size() > maxInFlight_)
      if (!WriteOldest(message)) return false;
    return true;
  }

  bool WriteOldest(std::string* message) {
    std::string record;
    try {
      record = pending_.front().get();
    } catch (const std::exception& failure) {
      *message = std::string("cannot compress: ") + failure.what();
      return false;
    }
    pending_.pop_front();
    if (std::fwrite(record.data(), 1, record.size(), out_) != record.size()) {
      *message = "cannot write the cabinet";
      return false;
    }
    return true;
  }

  FILE* out_;
  CompressionWorkers workers_;
  const size_t maxInFlight_;
  std::deque<std::future<std::string>> pending_;
  std::string block_;
  size_t used_ = 0;
  FileInspector inspector_;
};

}  // namespace

std::vector<size_t> SplitIntoCabinets(const std::vector<CabinetFile>& files, const CabinetLimits& limits) {
  std::vector<size_t> ends;
  size_t count = 0;
  uint64_t bytes = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    const bool full = count > 0 && (count >= limits.maxFiles || bytes + files[i].size > limits.maxBytes);
    if (full) {
      ends.push_back(i);
      count = 0;
      bytes = 0;
    }
    ++count;
    bytes += files[i].size;
  }
  if (count > 0) ends.push_back(files.size());
  return ends;
}

bool WriteCabinet(FILE* out, const std::vector<CabinetFile>& files, const CabinetOptions& options,
                  std::vector<FileFacts>* facts, CabinetFailure* failure, uint64_t* size) {
  *failure = CabinetFailure{};
  uint64_t folderBytes = 0;
  for (const CabinetFile& file : files) {
    if (file.name.empty() || file.name.size() > kMaxNameBytes) {
      failure->message = "the name '" + file.name + "' cannot stand in a cabinet";
      return false;
    }
    folderBytes += file.size;
  }
  const uint64_t blocks = (folderBytes + kMszipBlockBytes - 1) / kMszipBlockBytes;
  if (files.size() > 0xFFFF || blocks > kMaxBlocks) {
    failure->message = "too many files or bytes for one cabinet";
    return false;
  }

  const int64_t start = Tell(out);
  const std::string directory = Directory(files, options, size_t(blocks));
  bool ok = start >= 0 && std::fwrite(directory.data(), 1, directory.size(), out) == directory.size();
  if (!ok) failure->message = "cannot write the cabinet";

  facts->assign(files.size(), FileFacts{});
  if (ok) {
    FolderWriter folder(out, options.threads);
    for (size_t i = 0; ok && i < files.size(); ++i) {
      if (options.cancelled && options.cancelled()) {
        failure->message = "cancelled";
        ok = false;
        break;
      }
      ok = folder.AddFile(files[i], &(*facts)[i], &failure->message);
      if (!ok) failure->file = i;
    }
    ok = ok && folder.Finish(&failure->message);
  }
  if (ok) {
    // The cabinet's size goes into its header, which was written before the size was known.
    const int64_t end = Tell(out);
    std::string sizeField;
    AppendU32(sizeField, uint32_t(end - start));
    ok = end > start && SeekTo(out, start + 8) &&
         std::fwrite(sizeField.data(), 1, sizeField.size(), out) == sizeField.size() && SeekTo(out, end);
    if (!ok) failure->message = "cannot write the cabinet";
    *size = uint64_t(end - start);
  }
  return ok;
}

bool WriteCabinet(const std::string& cabinetPath, const std::vector<CabinetFile>& files, const CabinetOptions& options,
                  std::vector<FileFacts>* facts, CabinetFailure* failure) {
  File out(std::fopen(cabinetPath.c_str(), "wb"));
  if (!out) {
    *failure = CabinetFailure{"cannot create " + cabinetPath, std::nullopt};
    return false;
  }
  std::setvbuf(out.get(), nullptr, _IOFBF, 1 << 20);
  uint64_t size = 0;
  bool ok = WriteCabinet(out.get(), files, options, facts, failure, &size);
  if (std::fclose(out.release()) != 0 && ok) {
    failure->message = "cannot write " + cabinetPath;
    ok = false;
  }
  if (!ok) std::remove(cabinetPath.c_str());
  return ok;
}

}  // namespace builder
