#include "wine_prefix.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/text.h"
#include "support/msi_dump.h"

namespace winetest {
namespace {

namespace fs = std::filesystem;
using test_support::RunCommand;
using test_support::ShellQuote;

const char* kWine = "/usr/lib/wine/wine64";
const char* kWineserver = "/usr/lib/wine/wineserver";

std::string Environment(const std::string& prefix, const std::string& home) {
  return "env -u DISPLAY WINEPREFIX=" + ShellQuote(prefix) + " HOME=" + ShellQuote(home) +
         " WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d' ";
}

// The base prefix of this test run: FERNCLIP_WINE_BASE_PREFIX, or one in the build folder (the
// test run's fixture removes it before and after the run).
std::string BasePrefixFolder() {
  if (const char* configured = std::getenv("FERNCLIP_WINE_BASE_PREFIX"); configured && *configured)
    return configured;
  return std::string(FERNCLIP_BUILD_DIR) + "/tests/wine-base-prefix";
}

// Wine links the profile's Desktop, Documents and other folders to $HOME: a copy of the base
// prefix would still write into (and a package's folder removal delete) the base prefix's home.
// Each copy's links are pointed at the copy's own home.
void RelinkHome(const std::string& prefix, const std::string& fromHome, const std::string& toHome) {
  std::error_code error;
  for (const auto& user : fs::directory_iterator(prefix + "/drive_c/users", error)) {
    for (const auto& entry : fs::directory_iterator(user.path(), error)) {
      if (!entry.is_symlink(error)) continue;
      const std::string target = fs::read_symlink(entry.path(), error).string();
      if (target.rfind(fromHome, 0) != 0) continue;
      fs::remove(entry.path(), error);
      fs::create_directory_symlink(toHome + target.substr(fromHome.size()), entry.path(), error);
    }
  }
}

// Makes the base prefix unless it is ready; a lock keeps parallel tests from making it twice.
bool EnsureBasePrefix(std::string* error) {
  const std::string base = BasePrefixFolder();
  fs::create_directories(fs::path(base).parent_path());
  const std::string lockPath = base + ".lock";
  const int lock = open(lockPath.c_str(), O_CREAT | O_RDWR, 0644);
  if (lock < 0 || flock(lock, LOCK_EX) != 0) {
    *error = "cannot lock " + lockPath;
    if (lock >= 0) close(lock);
    return false;
  }
  bool ok = fs::exists(base + "/ready");
  if (!ok) {
    std::error_code ignored;
    fs::remove_all(base, ignored);
    fs::create_directories(base + "/home");
    std::string output;
    const std::string env = Environment(base + "/prefix", base + "/home");
    const int rc = RunCommand("timeout 300 xvfb-run -a " + env + kWine + " wineboot -i && " + env + "timeout 120 " +
                         kWineserver + " -w", &output);
    ok = rc == 0 && fs::exists(base + "/prefix/drive_c/windows");
    if (ok) {
      std::ofstream(base + "/ready") << "1\n";
    } else {
      *error = "wineboot failed (" + std::to_string(rc) + "): " + output;
    }
  }
  flock(lock, LOCK_UN);
  close(lock);
  return ok;
}

std::string TrimLineEnds(std::string text) {
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

// "HKLM\\X" as reg prints it: "HKEY_LOCAL_MACHINE\\X".
std::string FullKeyName(const std::string& key) {
  static const std::pair<const char*, const char*> roots[] = {{"HKLM", "HKEY_LOCAL_MACHINE"},
                                                              {"HKCU", "HKEY_CURRENT_USER"},
                                                              {"HKCR", "HKEY_CLASSES_ROOT"},
                                                              {"HKU", "HKEY_USERS"}};
  for (const auto& [shortName, longName] : roots)
    if (key == shortName || key.starts_with(std::string(shortName) + "\\")) return longName + key.substr(strlen(shortName));
  return key;
}

// The keys and values that reg query prints for key: a line with a key's full name (a key
// without values may be left out), then a line "    <name>    REG_<TYPE>    <data>" a value.
// Keys by their path below key; reg prints names in their stored letter case.
WinePrefix::RegistryTree ParseRegQuery(const std::string& output, const std::string& key) {
  WinePrefix::RegistryTree tree;
  const std::string top = platform::ToLower(FullKeyName(key));
  std::string current;
  size_t lineStart = 0;
  while (lineStart < output.size()) {
    size_t lineEnd = output.find('\n', lineStart);
    if (lineEnd == std::string::npos) lineEnd = output.size();
    const std::string line = TrimLineEnds(output.substr(lineStart, lineEnd - lineStart));
    lineStart = lineEnd + 1;
    if (line.starts_with("HKEY_")) {
      const std::string lower = platform::ToLower(line);
      current = lower.size() > top.size() && lower.starts_with(top + "\\") ? line.substr(top.size() + 1) : "";
      tree[current];
      continue;
    }
    const size_t type = line.find("    REG_");
    if (!line.starts_with("    ") || type == std::string::npos) continue;
    const std::string name = line.substr(4, type - 4);
    RegistryValue value;
    const size_t typeEnd = line.find("    ", type + 4);
    value.type = line.substr(type + 4, typeEnd == std::string::npos ? std::string::npos : typeEnd - type - 4);
    if (typeEnd != std::string::npos) value.data = line.substr(typeEnd + 4);
    tree[current][name == "(Default)" ? "" : name] = value;
  }
  return tree;
}

}  // namespace

std::unique_ptr<WinePrefix> WinePrefix::Create(std::string* error) {
  if (access(kWine, X_OK) != 0) {
    *error = std::string(kWine) + " is not installed";
    return nullptr;
  }
  if (!EnsureBasePrefix(error)) return nullptr;
  std::string pattern = (fs::temp_directory_path() / "fernclip-wine-XXXXXX").string();
  if (!mkdtemp(pattern.data())) {
    *error = "mkdtemp failed";
    return nullptr;
  }
  std::unique_ptr<WinePrefix> prefix(new WinePrefix);
  prefix->folder_ = pattern;
  prefix->prefix_ = pattern + "/prefix";
  std::string output;
  if (RunCommand("cp -a " + ShellQuote(BasePrefixFolder() + "/prefix") + " " + ShellQuote(prefix->prefix_) + " && cp -a " +
                ShellQuote(BasePrefixFolder() + "/home") + " " + ShellQuote(pattern + "/home"),
            &output) != 0) {
    *error = "cannot copy the base prefix: " + output;
    return nullptr;
  }
  RelinkHome(prefix->prefix_, BasePrefixFolder() + "/home", pattern + "/home");
  return prefix;
}

WinePrefix::~WinePrefix() {
  RunCommand(Environment(prefix_, folder_ + "/home") + "timeout 60 " + kWineserver + " -k", nullptr);
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

int WinePrefix::Run(const std::vector<std::string>& arguments, std::string* output, int timeoutSeconds) {
  return RunProgram(arguments, output, timeoutSeconds, /*standardOutputOnly=*/false);
}

int WinePrefix::RunProgram(const std::vector<std::string>& arguments, std::string* output, int timeoutSeconds,
                           bool standardOutputOnly) {
  const std::string env = Environment(prefix_, folder_ + "/home");
  std::string command = env + "timeout " + std::to_string(timeoutSeconds) + " " + kWine;
  for (const std::string& argument : arguments) command += " " + ShellQuote(argument);
  // Wine's own background processes (the desktop's explorer among them) share the program's
  // error stream and may write into the middle of a line of its output.
  if (standardOutputOnly) command = "( " + command + " 2>/dev/null )";
  const int rc = RunCommand(command, output);
  RunCommand(env + "timeout 120 " + kWineserver + " -w", nullptr);
  return rc == 124 ? -1 : rc;
}

int WinePrefix::Install(const std::string& hostPackage, const std::vector<std::string>& extra) {
  std::vector<std::string> arguments = {"msiexec", "/i", WindowsPathOf(hostPackage), "/qn"};
  arguments.insert(arguments.end(), extra.begin(), extra.end());
  return Run(arguments);
}

int WinePrefix::Uninstall(const std::string& hostPackage) {
  return Run({"msiexec", "/x", WindowsPathOf(hostPackage), "/qn"});
}

std::optional<std::map<std::string, RegistryValue>> WinePrefix::QueryKey(const std::string& key, bool view32) {
  auto tree = QueryTree(key, view32);
  if (!tree) return std::nullopt;
  return (*tree)[""];
}

std::optional<WinePrefix::RegistryTree> WinePrefix::QueryTree(const std::string& key, bool view32) {
  std::vector<std::string> arguments = {"reg", "query", key, "/s"};
  if (view32) arguments.push_back("/reg:32");
  // A key that exists was once reported missing while other tests kept the machine busy: a
  // failed query is asked once more before the key counts as missing.
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::string output;
    if (RunProgram(arguments, &output, 300, /*standardOutputOnly=*/true) == 0) return ParseRegQuery(output, key);
  }
  return std::nullopt;
}

std::string WinePrefix::HostPath(const std::string& windowsPath) const {
  std::string rest = windowsPath;
  if (rest.size() >= 2 && (rest[0] == 'C' || rest[0] == 'c') && rest[1] == ':') rest = rest.substr(2);
  for (char& c : rest)
    if (c == '\\') c = '/';
  return prefix_ + "/drive_c" + rest;
}

std::string WinePrefix::WindowsPathOf(const std::string& hostPath) {
  std::string path = "Z:" + fs::absolute(hostPath).string();
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

}  // namespace winetest
