// Turns the engine's in-memory copy of a project into the tables of a package: File rows get
// their sequence and size, and, once the files are read (RecordFileFacts), version and
// language; unversioned files get MsiFileHash rows; Media
// rows follow the cabinets (or the uncompressed image); application paths become App Paths
// Registry rows; custom actions that call DLL functions become calls of the DLL wrapper
// (wrapper_actions.h), those that run a file from the Binary table get its Binary row
// (binary_actions.h); the
// engine's own project tables and their validation rows leave the database.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "build_messages.h"
#include "cabinet_writer.h"
#include "database.h"

namespace builder {

// A file that a merge module brought: its File row is in the database, its bytes lie unpacked
// at hostPath (the project names no source for it).
struct ModuleFile {
  std::string key;
  std::string hostPath;
};

struct CompileSettings {
  bool compressed = true;
  std::string engineFolder;  // where the DLL wrapper lies
  CabinetLimits cabinetLimits;
  std::vector<ModuleFile> moduleFiles;  // sequenced after the project's own files, in this order
};

struct PackageFile {
  std::string key;
  std::string hostPath;
  std::string directory;  // Directory key of its component
  std::string fileName;   // FileName column ("short|long")
  uint64_t size = 0;
  qv::engine::RowId row = 0;  // its File row
};

struct CompiledPackage {
  std::vector<PackageFile> files;   // in sequence order (sequence = index + 1)
  std::vector<size_t> cabinetEnds;  // compressed: one past the last file of each cabinet
  std::string productName;
  std::string manufacturer;
  int32_t language = 1033;
  bool is64Bit = false;
};

// The stream name of the n-th cabinet (1-based); a Media row refers to it as "#<name>".
std::string CabinetStreamName(size_t number);

// Changes the database in place. Problems are build messages; the result is complete only when
// no error was reported.
void CompilePackage(qv::engine::Database& database, const CompileSettings& settings, BuildMessages& messages,
                    CompiledPackage* package);

// Version and Language of the versioned files, MsiFileHash rows of the others: what reading the
// files found (facts[i] of package.files[i]).
void RecordFileFacts(qv::engine::Database& database, const CompiledPackage& package,
                     const std::vector<FileFacts>& facts, BuildMessages& messages);

}  // namespace builder
