// Cabinets of a compressed package: the package's files, in sequence order, in one MSZIP folder
// per cabinet. A cabinet holds at most 65,535 files and must stay under 2 GB, so larger sets
// are split over several cabinets (each becomes one Media row).
//
// The files are read once, in order, and cut into the folder's 32 KB blocks, which threads
// compress at the same time (mszip_block.h); what the package needs to know of each file's
// bytes (its version or hash) is taken from the same read. The cabinet's bytes depend only on
// the files, never on how the threads ran.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "file_digest.h"

namespace builder {

struct CabinetLimits {
  size_t maxFiles = 65535;
  // Uncompressed bytes per cabinet; MSZIP adds a few bytes per 32 KB block at worst, so this
  // leaves room below the 2 GB limit of the format.
  uint64_t maxBytes = 0x7F000000;
};

struct CabinetFile {
  std::string name;      // the name inside the cabinet: the File table key
  std::string hostPath;  // where the bytes are read
  uint64_t size = 0;
};

// Splits files (in sequence order) into consecutive runs, each fitting one cabinet. Returns the
// index one past the last file of each run. A single file larger than maxBytes gets a run of
// its own (the caller reports it: no cabinet can hold it).
std::vector<size_t> SplitIntoCabinets(const std::vector<CabinetFile>& files, const CabinetLimits& limits);

struct CabinetOptions {
  // Every file's date in the cabinet is this time (seconds since the epoch, UTC) instead of its
  // modification time, so the cabinet's bytes depend only on the files' contents.
  std::optional<int64_t> fixedTime;
  unsigned threads = 1;  // threads that compress
  // Asked before each file; when it says stop, the write fails (and leaves no cabinet).
  std::function<bool()> cancelled;
};

struct CabinetFailure {
  std::string message;
  std::optional<size_t> file;  // the file that could not be read, if that was the failure
};

// Writes one cabinet of the files (in the given order) and gives the facts of each file's
// bytes (facts[i] for files[i]). False, with what failed, on failure.
//
// Into out, from its position (the cabinet's own offsets count from there), leaving out at the
// cabinet's end, with the cabinet's size: a package takes its cabinets straight into its own
// file this way.
bool WriteCabinet(std::FILE* out, const std::vector<CabinetFile>& files, const CabinetOptions& options,
                  std::vector<FileFacts>* facts, CabinetFailure* failure, uint64_t* size);
// Into a file of its own, which a failure removes.
bool WriteCabinet(const std::string& cabinetPath, const std::vector<CabinetFile>& files, const CabinetOptions& options,
                  std::vector<FileFacts>* facts, CabinetFailure* failure);

}  // namespace builder
