// Generated captures for the benchmarks: a capture script, its two REGEDIT4 files, an options
// file and (on request) the captured files themselves, of a chosen size, in a folder. The
// content mixes what real captures hold: executables and DLLs (a component each), help files
// with their contents files, other files sharing their folder's component, files in a
// user-profile folder, deleted files, created folders, shortcuts, program and DLL calls, and
// registry values of every type under HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER and
// HKEY_CLASSES_ROOT, with some removed registry data.
#pragma once

#include <cstddef>
#include <string>

namespace bench {

struct CaptureShape {
  size_t files = 20000;
  size_t folders = 500;
  size_t registryValues = 200000;
  // Write the captured files below the capture folder (needed to build a package).
  bool writeFiles = true;
  size_t fileSize = 256;  // bytes of each captured file
  // Instead of fileSize bytes of one letter: files of 512 to 15,511 bytes (7.5 KB on average)
  // of words and random bytes, which compress about as program data does.
  bool mixedContent = false;
};

// Writes the capture into folder (created when missing) and returns the path of its script,
// "<folder>/app.inc". The options file "Options.ini" lies beside it.
std::string GenerateCapture(const std::string& folder, const CaptureShape& shape);

}  // namespace bench
