// The content of a conversion installed by a real Windows Installer: the content capture
// (tests/data/content/app) is converted and built, installed under Wine and removed again.
// Its files land in their folders (long names), per-user files in the user's profile, the
// registry values of every type are written, deleted files and removed registry keys go, and
// removal takes the files, the values and the user's folders away again.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/engine_presence.h"
#include "support/msi_dump.h"
#include "support/test_env.h"
#include "wine_prefix.h"

namespace {

namespace fs = std::filesystem;
using test_support::RunCommand;
using test_support::ShellQuote;

// Every captured line but the program and DLL calls (which would run programs at install, and
// need the DLL wrapper) and the self-registration flag of the fake DLL.
void KeepInstallableLines(const fs::path& script) {
  std::ifstream in(script, std::ios::binary);
  std::string line, kept;
  bool inDllBlock = false;
  while (std::getline(in, line)) {
    if (line.starts_with("DLL(")) inDllBlock = true;
    if (inDllBlock) {
      inDllBlock = !line.starts_with("EndProc");
      continue;
    }
    if (line.starts_with("EXE(")) continue;
    const size_t flag = line.find("engine.dll|");
    if (flag != std::string::npos) line = line.substr(0, flag + 10) + "\r";
    kept += line + "\n";
  }
  testenv::WriteText(script.string(), kept);
}

// The file somewhere below folder whose name is name (empty when none).
fs::path FindFile(const fs::path& folder, const std::string& name) {
  std::error_code ignored;
  for (const auto& entry : fs::recursive_directory_iterator(folder, ignored))
    if (entry.path().filename() == name) return entry.path();
  return {};
}

TEST(ContentInstall, ConvertedContentInstallsAndIsRemoved) {
  SKIP_UNLESS_PROGRAM_IS_BUILT();
  testenv::TempDir temp;
  const fs::path capture = fs::path(temp.path()) / "app";
  fs::copy(std::string(FERNCLIP_TEST_DATA_DIR) + "/content/app", capture, fs::copy_options::recursive);
  KeepInstallableLines(capture / "app.inc");
  const std::string run = "FERNCLIP_REGISTRY=" + ShellQuote(temp / "registry.reg") + " " +
                          ShellQuote(std::string(FERNCLIP_BUILD_DIR) + "/fernclip") + " " +
                          ShellQuote((capture / "app.inc").string());
  std::string output;
  ASSERT_EQ(RunCommand(run, &output), 0) << output;
  const std::string package = (capture / "Acme App.msi").string();
  ASSERT_TRUE(fs::exists(package)) << output;

  std::string error;
  auto wine = winetest::WinePrefix::Create(&error);
  ASSERT_TRUE(wine) << error;
  // Data the setup deleted on the capture machine, present before the install.
  testenv::WriteText(wine->HostPath("C:\\windows\\Temp\\acme.tmp"), "old");
  ASSERT_EQ(wine->Run({"reg", "add", "HKLM\\Software\\Acme\\Old", "/v", "Stale", "/d", "1", "/f"}), 0);
  ASSERT_EQ(wine->Run({"reg", "add", "HKLM\\Software\\Wow6432Node\\Acme\\Old", "/v", "Stale", "/d", "1", "/f"}), 0);

  ASSERT_EQ(wine->Install(package), 0);
  const std::string app = "C:\\Program Files (x86)\\Acme\\App\\";
  EXPECT_TRUE(fs::exists(wine->HostPath(app + "ReadMe First.txt")));
  EXPECT_TRUE(fs::exists(wine->HostPath(app + "app.exe")));
  EXPECT_TRUE(fs::exists(wine->HostPath("C:\\Program Files (x86)\\Acme\\Setup\\setup.exe")));
  EXPECT_TRUE(fs::is_directory(wine->HostPath(app + "Logs")));
  const fs::path profile = FindFile(wine->HostPath("C:\\users"), "user.cfg");
  ASSERT_FALSE(profile.empty());
  EXPECT_EQ(profile.parent_path().filename(), "Settings");
  EXPECT_FALSE(fs::exists(wine->HostPath("C:\\windows\\Temp\\acme.tmp")));

  const std::string machine = "HKLM\\Software\\Wow6432Node\\Acme\\App";
  auto count = wine->QueryValue(machine, "Count");
  ASSERT_TRUE(count);
  EXPECT_EQ(count->type, "REG_DWORD");
  auto list = wine->QueryValue(machine, "List");
  ASSERT_TRUE(list);
  EXPECT_EQ(list->type, "REG_MULTI_SZ");
  auto blob = wine->QueryValue(machine, "Blob");
  ASSERT_TRUE(blob);
  EXPECT_EQ(blob->type, "REG_BINARY");
  auto window = wine->QueryValue("HKCU\\Software\\Acme\\App", "Window");
  ASSERT_TRUE(window);
  EXPECT_EQ(window->data, "max");
  EXPECT_TRUE(wine->KeyExists("HKLM\\Software\\Wow6432Node\\Acme\\Empty"));
  EXPECT_FALSE(wine->KeyExists("HKLM\\Software\\Wow6432Node\\Acme\\Old"));

  ASSERT_EQ(wine->Uninstall(package), 0);
  EXPECT_FALSE(fs::exists(wine->HostPath(app + "ReadMe First.txt")));
  EXPECT_FALSE(wine->QueryValue(machine, "Count"));
  EXPECT_FALSE(wine->QueryValue("HKCU\\Software\\Acme\\App", "Window"));
  // The per-user folders go with the component that made them.
  EXPECT_FALSE(fs::exists(profile.parent_path()));
}

}  // namespace
