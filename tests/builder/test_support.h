// Helpers of the builder's tests: temporary folders, files and running tools.
#pragma once

#include <filesystem>
#include <string>

namespace buildertest {

// A fresh folder below the system's temporary folder, removed with its contents at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);

// Runs a shell command; returns its exit status and fills output with what it printed
// (standard output and standard error).
int RunCommand(const std::string& command, std::string* output);

// Quotes text for the shell.
std::string ShellQuote(const std::string& text);

}  // namespace buildertest
