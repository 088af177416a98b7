// Loading the in-memory database from an MSI-format file and saving it to one, with our own
// reader and writer of the format (see msi_file.cpp), in time linear in rows and strings.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "database.h"

namespace qv::engine {

struct SaveOptions {
  // Every time the engine writes (summary information) is then fixed, so that saving the same
  // content twice gives identical files.
  bool fixedTimestamps = false;
  // Streams of the file's _Streams table whose bytes the file at the path of the save holds
  // already (the cabinets that a build writes straight into its package): the database is
  // then written around them into that file, which is not replaced. They lie as the compound
  // file writer's placed streams must (compound_file.h).
  struct PlacedStream {
    std::string name;
    uint64_t offset = 0, size = 0;
  };
  std::vector<PlacedStream> placedStreams;
  // Asked between the steps of the save; when it says stop, nothing is written (kAbort).
  std::function<bool()> cancelled;
};

// Whether the file is an MSI-format database: a compound file that holds a string pool.
bool IsMsiDatabase(const std::string& path);

// kBadFormat when the file is not an MSI-format database or is damaged, kFileNotFound when it
// is missing. Tables, rows, binary data and the summary information are read; other streams
// (cabinets) and storages are not kept.
HResult LoadDatabase(const std::string& path, std::unique_ptr<Database>* database);

// Writes a temporary file beside path and renames it over path only once it is complete; on
// failure path is left as it was; the file is on disk before it is renamed. kBadValue when some text cannot be stored in the database's
// code page, a value does not fit its column, or a stream name cannot be stored (a key of a
// binary cell too long for the container's 31 characters); kFileNotFound when a file of
// options.streams is missing; kAbort when options.cancelled stopped it. With fixed time stamps, the same content gives identical files.
HResult SaveDatabase(const Database& database, const std::string& path, const SaveOptions& options);

// The fixed FILETIME used with fixed time stamps (2000-01-01 00:00:00 UTC).
constexpr uint64_t kFixedFileTime = 125911584000000000ULL;

}  // namespace qv::engine
