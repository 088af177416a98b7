// The COM capture (tests/data/e2e/com: Wine's builtin scripting runtime, VBScript engine and
// iexplore.exe with their real registrations) converted and installed by a real Windows
// Installer under Wine, which registers what the advertising tables hold and removes it again.
// For a 32-bit package Wine writes the classes into its 32-bit registry view and the ProgIDs,
// extensions, MIME types, AppIDs and type libraries into its 64-bit view; advertising itself it
// cannot show (the conversion tests check the tables).
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "installed_capture.h"
#include "support/captures.h"
#include "support/msi_dump.h"
#include "support/run_program.h"
#include "support/test_env.h"
#include "wine_prefix.h"

namespace {

using winetest::RegistryValue;
using winetest::WinePrefix;

const std::string kApp = "C:\\Program Files (x86)\\Fernclip COM\\";
const std::string kFso = "{0D43FE01-F093-11CF-8940-00A0C9054228}";
const std::string kIeApplication = "{0002DF01-0000-0000-C000-000000000046}";
const std::string kIeManager = "{DF4FCC34-067A-4E0A-8352-4A1A5095346E}";
const std::string kScriptingLibrary = "TypeLib\\{420B2830-E718-11CF-893D-00A0C9054228}";

// The data of one value of a key below HKCR in a view; "<none>" when the key or value is missing.
std::string ValueOf(WinePrefix& wine, const std::string& key, const std::string& name, bool view32) {
  const auto values = wine.QueryKey("HKCR\\" + key, view32);
  if (!values || !values->count(name)) return "<none>";
  return values->at(name).data;
}

TEST(ComInstall, ClassesProgIdsExtensionsAndLibrariesAreRegisteredAndRemoved) {
  testenv::TempDir temp;
  const std::string script = test_support::CopyCapture("e2e/com", temp / "com");
  const auto run = test_support::RunFernclip({script}, temp / "registry.reg");
  ASSERT_EQ(run.exitCode, 0) << run.out;
  EXPECT_TRUE(run.ValidatedWithoutErrors()) << run.out;
  const std::string package = temp / "com/Fernclip COM.msi";
  // Registration data left in the Registry table (ICE33) is only that of registrations the
  // conversion warned it could not map: the mapped ones are wholly in their tables.
  const auto validated = testenv::RunProgram(std::string(FERNCLIP_BUILD_DIR) + "/fernclip-validate", {package}, {});
  EXPECT_EQ(validated.exitCode, 0) << validated.out;
  const std::regex finding(".*: warning ICE33: Registry row '[^']*' writes '([^']*)'.*");
  for (const std::string& line : test_support::SplitLines(validated.out)) {
    std::smatch match;
    if (!std::regex_match(line, match, finding)) continue;
    std::vector<std::string> parts;
    std::stringstream key(match[1].str());
    for (std::string part; std::getline(key, part, '\\');) parts.push_back(part);
    const bool byGuid = parts.size() > 1 && parts[1].starts_with('{');
    const std::string registration = byGuid ? parts[1] : parts[0];
    bool warned = false;
    for (const std::string& conversionLine : run.Lines())
      warned |= conversionLine.starts_with("Warning: ") && conversionLine.find(registration) != std::string::npos;
    EXPECT_TRUE(warned) << line << "\n" << run.out;
  }

  std::string error;
  auto wine = WinePrefix::Create(&error);
  ASSERT_TRUE(wine) << error;
  // Wine registers the same servers for itself: a clean machine has none of these names.
  for (const char* key : {"Scripting.FileSystemObject", "InternetExplorer.Application", "InternetExplorer.Application.1",
                          "VBSFile", ".vbs", "TypeLib\\{420B2830-E718-11CF-893D-00A0C9054228}",
                          "MIME\\Database\\Content Type\\text/vbscript"})
    wine->Run({"reg", "delete", std::string("HKCR\\") + key, "/f"});
  ASSERT_EQ(ValueOf(*wine, "Scripting.FileSystemObject\\CLSID", "", false), "<none>");

  ASSERT_EQ(wine->Install(package), 0);
  winetest::ExpectCapturedFiles(*wine, test_support::CapturedFiles(script), true);
  // Classes, with what the Class table gives them (server, ProgID, icon, AppID, arguments) and
  // what the Registry table adds in the server's component (ThreadingModel).
  EXPECT_EQ(ValueOf(*wine, "CLSID\\" + kFso, "", true), "FileSystem Object");
  EXPECT_EQ(ValueOf(*wine, "CLSID\\" + kFso + "\\InprocServer32", "", true), kApp + "scrrun.dll");
  EXPECT_EQ(ValueOf(*wine, "CLSID\\" + kFso + "\\InprocServer32", "ThreadingModel", true), "Both");
  EXPECT_EQ(ValueOf(*wine, "CLSID\\" + kFso + "\\ProgID", "", true), "Scripting.FileSystemObject");
  EXPECT_EQ(ValueOf(*wine, "CLSID\\" + kIeApplication + "\\VersionIndependentProgID", "", true),
            "InternetExplorer.Application");
  EXPECT_NE(ValueOf(*wine, "CLSID\\" + kIeApplication + "\\DefaultIcon", "", true).find("Icon_iexplore.exe,0"),
            std::string::npos);
  EXPECT_EQ(ValueOf(*wine, "CLSID\\" + kIeManager, "AppID", true), kIeManager);
  EXPECT_EQ(ValueOf(*wine, "CLSID\\" + kIeManager + "\\LocalServer32", "", true), kApp + "iexplore.exe -startmanager");
  // ProgIDs, the extension with its verb and content type, the MIME type, the AppID and the
  // type library.
  EXPECT_EQ(ValueOf(*wine, "Scripting.FileSystemObject\\CLSID", "", false), kFso);
  EXPECT_EQ(ValueOf(*wine, "InternetExplorer.Application\\CurVer", "", false), "InternetExplorer.Application.1");
  EXPECT_EQ(ValueOf(*wine, ".vbs", "", false), "VBSFile");
  EXPECT_EQ(ValueOf(*wine, ".vbs", "Content Type", false), "text/vbscript");
  EXPECT_EQ(ValueOf(*wine, "VBSFile\\shell\\Open\\command", "", false), "\"" + kApp + "wscript.exe\" \"%1\" %*");
  EXPECT_EQ(ValueOf(*wine, "MIME\\Database\\Content Type\\text/vbscript", "Extension", false), ".vbs");
  EXPECT_EQ(ValueOf(*wine, "AppID\\" + kIeManager, "RunAs", false), "Interactive User");
  // The installer registers a library under the system kind the library declares: Wine's
  // builtin scrrun.dll holds a 64-bit one.
  EXPECT_EQ(ValueOf(*wine, kScriptingLibrary + "\\1.0\\0\\win64", "", false), kApp + "scrrun.dll");

  ASSERT_EQ(wine->Uninstall(package), 0);
  winetest::ExpectCapturedFiles(*wine, test_support::CapturedFiles(script), false);
  EXPECT_EQ(ValueOf(*wine, "CLSID\\" + kFso + "\\InprocServer32", "", true), "<none>");
  EXPECT_EQ(ValueOf(*wine, "CLSID\\" + kIeManager, "AppID", true), "<none>");
  for (const std::string key : {"Scripting.FileSystemObject\\CLSID", "InternetExplorer.Application\\CurVer", ".vbs",
                                "VBSFile\\shell\\Open\\command"})
    EXPECT_EQ(ValueOf(*wine, key, "", false), "<none>") << key;
  EXPECT_EQ(ValueOf(*wine, "MIME\\Database\\Content Type\\text/vbscript", "Extension", false), "<none>");
  EXPECT_EQ(ValueOf(*wine, "AppID\\" + kIeManager, "RunAs", false), "<none>");
  EXPECT_EQ(ValueOf(*wine, kScriptingLibrary + "\\1.0\\0\\win64", "", false), "<none>");
}

}  // namespace
