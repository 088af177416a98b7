// Files of the project: File rows (with their source paths, SelfReg and Font rows) and
// RemoveFile rows for single files and whole folders.
#pragma once

#include <cstdint>
#include <string>

#include "project/table_writer.h"

namespace content {

// Install modes of RemoveFile rows.
enum RemoveMode : int32_t {
  kRemoveOnInstall = 1,
  kRemoveOnUninstall = 2,
  kRemoveOnBoth = 3,
};

class FileWriter : public project::FileTableWriter {
 public:
  explicit FileWriter(project::VpxWriter& project);

  // The File row of a captured file (capturedPath: the file list's entry, below folder) in the
  // component, whose folder is directoryKey (where its short name must be unique); returns its key (empty when the engine made no row). *sourcePath receives where
  // the build will read the file.
  std::string AddFile(const std::string& componentName, const std::string& directoryKey,
                      const std::string& capturedPath,
                      const std::string& folder, bool selfRegistering,
                      std::string* sourcePath = nullptr);
  // One RemoveFile row for the file (the part of filePath after its last backslash) in the
  // directory; an empty file path removes the folder itself.
  void AddRemoveFile(const std::string& componentName, const std::string& filePath,
                     const std::string& directory, int32_t installMode);
  void AddRemoveFolder(const std::string& componentName, const std::string& directory,
                       int32_t installMode);
  // A Font row: the file is registered as a font (the title only when given).
  void AddFont(const std::string& fileKey, const std::string& fontTitle);

 private:
  // Adds row (component and source path set) under a new key from the file's name, with the
  // file name's installer form; the result of the last attempt.
  qv::HResult AddRow(qv::FileRow& row, const std::string& longName, const std::string& directoryKey,
                     std::string* key);
};

}  // namespace content
