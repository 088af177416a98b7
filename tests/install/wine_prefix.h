// A Wine installation to install packages into: each test gets a copy of one base prefix that
// is made once per test run (wineboot takes seconds, a copy about one). Programs run with
// WINEDEBUG=-all, without display, and with HOME in the test's own temporary folder.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace winetest {

struct RegistryValue {
  std::string type;  // "REG_SZ", "REG_DWORD", ...
  std::string data;  // as reg query prints it
};

class WinePrefix {
 public:
  // A fresh copy of the base prefix; nothing (and the reason in *error) when Wine is missing
  // or the base prefix cannot be made.
  static std::unique_ptr<WinePrefix> Create(std::string* error);
  ~WinePrefix();
  WinePrefix(const WinePrefix&) = delete;
  WinePrefix& operator=(const WinePrefix&) = delete;

  // Runs a Windows program (wine64 <arguments>), waits for it and for the prefix's wineserver;
  // returns its exit code, or -1 when it did not finish within the time limit.
  int Run(const std::vector<std::string>& arguments, std::string* output = nullptr, int timeoutSeconds = 300);

  // msiexec /i <package> /qn and msiexec /x <package> /qn; the package is a host path.
  int Install(const std::string& hostPackage, const std::vector<std::string>& extra = {});
  int Uninstall(const std::string& hostPackage);

  // Every value of a key ("HKLM\Software\X") by name (the default value under ""), read in one run of reg; nothing
  // when the key is missing. view32: the registry as a 32-bit program sees it (where a 32-bit
  // package writes HKLM\Software and HKCR).
  std::optional<std::map<std::string, RegistryValue>> QueryKey(const std::string& key, bool view32 = false);
  // A key and all its subkeys, in one run of reg: the values of each key by its path below key
  // ("" for key itself, "Sub\\Deeper" for a subkey); nothing when the key is missing.
  using RegistryTree = std::map<std::string, std::map<std::string, RegistryValue>>;
  std::optional<RegistryTree> QueryTree(const std::string& key, bool view32 = false);

  // The host path of a Windows path on drive C ("C:\Program Files (x86)\App\a.txt").
  std::string HostPath(const std::string& windowsPath) const;
  // The Windows form (Z:\...) of a host path, for command lines.
  static std::string WindowsPathOf(const std::string& hostPath);

  const std::string& Folder() const { return folder_; }

 private:
  WinePrefix() = default;
  // Run, with the program's error stream left out of *output when standardOutputOnly.
  int RunProgram(const std::vector<std::string>& arguments, std::string* output, int timeoutSeconds,
                 bool standardOutputOnly);
  std::string folder_;  // holds prefix/ and home/
  std::string prefix_;
};

}  // namespace winetest
