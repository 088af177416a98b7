// Host paths. The conversion works on Windows-form paths; these functions carry them to the
// host file system. On POSIX both '/' and '\' separate path components, a path built of
// captured parts has its backslashes turned into '/', and a component that does not exist with
// its exact letter case is matched without regard to case (captures come from a file system
// that ignores case).
#pragma once

#include <map>
#include <string>

namespace platform {

// Position of the last '/' or '\' (POSIX), or std::string::npos.
size_t LastSeparator(const std::string& path);
bool IsSeparator(char c);

// The host path for a path that may hold backslashes, with the letter case of each component
// resolved against what exists on disk. Components that exist in no letter case are kept as
// given, so the result names the file that would be created.
std::string ResolveHostPath(const std::string& path);

// Absolute form of path (relative to the current directory), without resolving links.
std::string FullPath(const std::string& path);

// The real path of path: links, "." and ".." resolved as the file system resolves them. Of a
// path that does not exist, the longest existing beginning is resolved and the rest cleaned up
// as text. Empty when nothing of it can be resolved.
std::string RealPath(const std::string& path);
// Whether path (after ResolveHostPath) lies inside folder, or is folder, once both are real paths.
bool LiesInside(const std::string& path, const std::string& folder);

// What a path names; kOther is a FIFO, a device or a socket, which is never opened (opening a
// FIFO waits for a writer).
enum class FileKind { kMissing, kRegular, kDirectory, kOther };

// LiesInside for many paths and one folder: the real path of the folder, and of each folder the
// paths lie in, is resolved once (a capture's files lie in a few hundred folders). The paths are
// host paths that ResolveHostPath gave already.
class FolderBoundary {
 public:
  explicit FolderBoundary(const std::string& folder);
  // kind: what a path inside names (as KindOfHostPath gives it), read with the same look-up.
  bool Contains(const std::string& hostPath, FileKind* kind = nullptr);

 private:
  std::string realFolder_;  // with a trailing '/'; empty when the folder cannot be resolved
  std::map<std::string, std::string> realParents_;
};

// What a path names (after ResolveHostPath).
FileKind KindOf(const std::string& path);
// The same for a host path that ResolveHostPath gave already.
FileKind KindOfHostPath(const std::string& hostPath);

bool FileExists(const std::string& path);       // an existing regular file (after ResolveHostPath)
bool DirectoryExists(const std::string& path);  // an existing directory (after ResolveHostPath)

std::string CurrentDirectory();
bool SetCurrentDirectory(const std::string& path);

// The full path of the running executable.
std::string ProgramPath();
// The folder of the running executable, without a trailing separator.
std::string ProgramFolder();

// Creates the folder and every missing parent. True when the folder exists afterwards.
bool CreateDirectories(const std::string& path);

// Reads a whole regular file. False when it cannot be read or is not a regular file.
bool ReadFile(const std::string& path, std::string* contents);
// The first count bytes (fewer for a shorter file) of the regular file at hostPath, a path that
// ResolveHostPath gave; false for anything else.
bool ReadFileStart(const std::string& hostPath, size_t count, std::string* bytes);

// Writes contents to a temporary file beside path and renames it over path, so that path is
// either the old or the new file, never a half-written one.
bool WriteFileAtomically(const std::string& path, const std::string& contents);

// A unique temporary file name beside path (the file is not created).
std::string TemporaryPathBeside(const std::string& path);

bool CopyFile(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& path);
bool RenameFile(const std::string& from, const std::string& to);
// Renames a complete file (already flushed to disk) over to: it takes the permission bits of the
// file it replaces (the usual ones when there is none), and the rename is flushed too.
bool MoveIntoPlace(const std::string& from, const std::string& to);

}  // namespace platform
