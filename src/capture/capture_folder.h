// Files read on behalf of a capture lie inside the capture's folder: its captured files, the
// programs and DLLs its calls carry into the package, its registry files. A path that leads out
// of the folder (through "..", either separator or a symbolic link) or names something other
// than a regular file (a FIFO would hang the read, a device never ends) is refused before
// anything is read.
#pragma once

#include <string>
#include <vector>

#include "platform/host_paths.h"

namespace capture {

class CaptureScript;

// The host path of a source path as the project stores it: "<SOURCEFILEPATH>\" and a relative
// path are taken from the capture's folder; backslashes and letter case are resolved on the host.
std::string HostPathOfSource(const std::string& sourcePath);

// Why the file at hostPath (as HostPathOfSource gives it) may not be read for the capture: empty
// when it lies inside the capture's folder and is a regular file or does not exist.
std::string RefusalOf(const std::string& hostPath);
// The same for many files: boundary is the capture's folder.
std::string RefusalOf(const std::string& hostPath, platform::FolderBoundary& boundary);

// An installed file of the capture that passed the check, with where it is on the host.
struct CheckedFile {
  std::string sourcePath;  // as the project stores it
  std::string hostPath;
};

// Checks every file that the script names for reading; each refused one is an error naming the
// script line and the entry, and any refusal ends the conversion. Gives the installed files
// that passed, which may then be read.
std::vector<CheckedFile> CheckCapturedFiles(const CaptureScript& script);

}  // namespace capture
