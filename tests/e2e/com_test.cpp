// A capture of an application that ships real COM servers (Wine's builtin scripting runtime,
// VBScript engine and iexplore.exe, with their real registrations) converted as a user converts
// it: the registrations become the advertising tables, what they consume leaves the Registry
// table, and what cannot be advertised stays there with a warning.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "support/captures.h"
#include "support/msi_dump.h"
#include "support/test_env.h"

namespace {

using test_support::CopyCapture;
using test_support::DumpTable;
using test_support::Rows;
using test_support::RunFernclip;

constexpr const char* kFeature = "FernclipCOMNewFeature";
constexpr const char* kFso = "{0D43FE01-F093-11CF-8940-00A0C9054228}";
constexpr const char* kIeApplication = "{0002DF01-0000-0000-C000-000000000046}";
constexpr const char* kIeManager = "{DF4FCC34-067A-4E0A-8352-4A1A5095346E}";
constexpr const char* kShellApplication = "{13709620-C279-11CE-A49E-444553540000}";
constexpr const char* kScriptingLibrary = "{420B2830-E718-11CF-893D-00A0C9054228}";
constexpr const char* kRegExpLibrary = "{3F4DACA7-160D-11D2-A8E9-00104B365C9F}";

Rows Sorted(Rows rows) {
  std::sort(rows.begin(), rows.end());
  return rows;
}

// The first columns of every row.
Rows Columns(const Rows& rows, size_t count) {
  Rows result;
  for (const auto& row : rows) result.emplace_back(row.begin(), row.begin() + std::min(count, row.size()));
  return Sorted(result);
}

// Registry rows by "key path|name" -> component.
std::map<std::string, std::string> RegistryRows(const std::string& project) {
  std::map<std::string, std::string> rows;
  for (const auto& row : DumpTable(project, "Registry")) rows[row[2] + "|" + row[3]] = row[5];
  return rows;
}

std::vector<std::string> Warnings(const test_support::FernclipRun& run) {
  std::vector<std::string> warnings;
  for (const std::string& line : run.Lines())
    if (line.starts_with("Warning: ")) warnings.push_back(line.substr(9));
  return warnings;
}

TEST(ComCapture, RegistrationsBecomeTheAdvertisingTablesAndLeaveTheRegistryTable) {
  testenv::TempDir temp;
  const std::string script = CopyCapture("e2e/com", temp / "com");
  const auto run = RunFernclip({script, "/vpxonly"}, temp / "registry.reg");
  ASSERT_EQ(run.exitCode, 0) << run.out;
  const std::string project = temp / "com/com.vpx";

  // Every server whose file is captured, in the installer's spelling of its context; a
  // LocalServer32 command line gives its arguments; the class's icon is an Icon row.
  EXPECT_EQ(Columns(DumpTable(project, "Class"), 12),
            Sorted({
                {kIeApplication, "LocalServer32", "iexplore.exe", "InternetExplorer.Application.1",
                 "Internet Explorer(Ver 1.0)", "", "", "Icon_iexplore.exe", "0", "", "", kFeature},
                {kFso, "InprocServer32", "scrrun.dll", "Scripting.FileSystemObject", "FileSystem Object", "", "", "",
                 "", "", "", kFeature},
                {"{32DA2B15-CFED-11D1-B747-00C04FC2B085}", "InprocServer32", "scrrun.dll", "Scripting.Encoder",
                 "Script Encoder Object", "", "", "", "", "", "", kFeature},
                {"{3F4DACA4-160D-11D2-A8E9-00104B365C9F}", "InprocServer32", "vbscript.dll", "VBScript.RegExp",
                 "VBScript Regular Expression", "", "", "", "", "", "", kFeature},
                {"{B54F3741-5B07-11CF-A4B0-00AA004A55E8}", "InprocServer32", "vbscript.dll", "VBScript",
                 "VB Script Language", "", "", "", "", "", "", kFeature},
                {"{B54F3742-5B07-11CF-A4B0-00AA004A55E8}", "InprocServer32", "vbscript.dll", "VBScript Author",
                 "VB Script Language Authoring", "", "", "", "", "", "", kFeature},
                {"{B54F3743-5B07-11CF-A4B0-00AA004A55E8}", "InprocServer32", "vbscript.dll", "VBScript.Encode",
                 "VB Script Language Encoding", "", "", "", "", "", "", kFeature},
                {kIeManager, "LocalServer32", "iexplore.exe", "", "InternetExplorerManager", kIeManager, "", "", "",
                 "", "-startmanager", kFeature},
                {"{EE09B103-97E0-11CF-978F-00A02463E06F}", "InprocServer32", "scrrun.dll", "Scripting.Dictionary",
                 "Scripting.Dictionary", "", "", "", "", "", "", kFeature},
            }));
  const Rows icons = DumpTable(project, "Icon");
  ASSERT_EQ(icons.size(), 1u);
  EXPECT_EQ(icons[0][0], "Icon_iexplore.exe");

  // The version-independent ProgID with its versioned parent; a ProgID of a file association
  // without a class (VBSFile).
  EXPECT_EQ(Columns(DumpTable(project, "ProgId"), 4),
            Sorted({
                {"InternetExplorer.Application.1", "", kIeApplication, "Internet Explorer(Ver 1.0)"},
                {"InternetExplorer.Application", "InternetExplorer.Application.1", "", "Internet Explorer(Ver 1.0)"},
                {"Scripting.FileSystemObject", "", kFso, "FileSystem Object"},
                {"Scripting.Encoder", "", "{32DA2B15-CFED-11D1-B747-00C04FC2B085}", "Script Encoder Object"},
                {"Scripting.Dictionary", "", "{EE09B103-97E0-11CF-978F-00A02463E06F}", "Scripting.Dictionary"},
                {"VBScript.RegExp", "", "{3F4DACA4-160D-11D2-A8E9-00104B365C9F}", "VBScript Regular Expression"},
                {"VBScript", "", "{B54F3741-5B07-11CF-A4B0-00AA004A55E8}", "VB Script Language"},
                {"VBS", "", "{B54F3741-5B07-11CF-A4B0-00AA004A55E8}", "VB Script Language"},
                {"VBScript Author", "", "{B54F3742-5B07-11CF-A4B0-00AA004A55E8}", "VB Script Language Authoring"},
                {"VBS Author", "", "{B54F3742-5B07-11CF-A4B0-00AA004A55E8}", "VB Script Language Authoring"},
                {"VBScript.Encode", "", "{B54F3743-5B07-11CF-A4B0-00AA004A55E8}", "VB Script Language Encoding"},
                {"VBSFile", "", "", "VBScript Script File"},
            }));
  // .vbs names VBSFile, which has no version-independent form: the extension takes VBSFile's
  // component, that of the program its verb runs.
  EXPECT_EQ(DumpTable(project, "Extension"), (Rows{{"vbs", "wscript.exe", "VBSFile", "text/vbscript", kFeature}}));
  EXPECT_EQ(DumpTable(project, "Verb"), (Rows{{"vbs", "Open", "0", "Open", "\"%1\" %*"}}));
  EXPECT_EQ(DumpTable(project, "MIME"), (Rows{{"text/vbscript", "vbs", ""}}));
  EXPECT_EQ(DumpTable(project, "AppId"), (Rows{{kIeManager, "", "", "", "", "", "1"}}));
  // Libraries checked against the files' own type information; of the two versions of the
  // regular expression library in vbscript.dll (resources 2 and 3) the newer one.
  EXPECT_EQ(Sorted(DumpTable(project, "TypeLib")),
            Sorted({{kRegExpLibrary, "0", "vbscript.dll", "1285", "Microsoft VBScript Regular Expressions 5.5", "",
                     kFeature, "0"},
                    {kScriptingLibrary, "0", "scrrun.dll", "256", "Scripting", "", kFeature, "0"}}));

  // What the tables carry is gone from the Registry table; the rest of a class's registration
  // moved into its server's component; what could not be mapped stays in the HKCR component.
  const auto registry = RegistryRows(project);
  const std::string fso = std::string("CLSID\\") + kFso;
  for (const std::string& consumed :
       {fso + "|", fso + "\\InprocServer32|", fso + "\\ProgId|", std::string("Scripting.FileSystemObject|"),
        std::string("Scripting.FileSystemObject\\CLSID|"), "CLSID\\" + std::string(kIeApplication) + "\\DefaultIcon|",
        "CLSID\\" + std::string(kIeApplication) + "\\VersionIndependentProgId|",
        std::string("InternetExplorer.Application\\CurVer|"), "CLSID\\" + std::string(kIeManager) + "|AppID",
        "AppID\\" + std::string(kIeManager) + "|RunAs", std::string(".vbs|"), std::string(".vbs|Content Type"),
        std::string("VBSFile\\Shell\\Open\\Command|"), std::string("MIME\\Database\\Content Type\\text/vbscript|Extension"),
        "Typelib\\" + std::string(kScriptingLibrary) + "\\1.0\\0\\win32|", "Typelib\\" + std::string(kScriptingLibrary) + "\\1.0|",
        "Typelib\\" + std::string(kScriptingLibrary) + "\\1.0\\FLAGS|", "Typelib\\" + std::string(kRegExpLibrary) + "\\5.5\\0\\win32|",
        std::string("Interface\\{42C642C1-97E1-11CF-978F-00A02463E06F}\\TypeLib|")})
    EXPECT_EQ(registry.count(consumed), 0u) << consumed;
  const std::map<std::string, std::string> kept = {
      {fso + "\\InprocServer32|ThreadingModel", "scrrun.dll"},
      {"CLSID\\{B54F3741-5B07-11CF-A4B0-00AA004A55E8}\\OLEScript|", "vbscript.dll"},
      {"VBScript\\OLEScript|", "vbscript.dll"},
      {"VBSFile\\Shell\\Edit\\Command|", "wscript.exe"},
      {"AppID\\iexplore.exe|AppID", "iexplore.exe"},
      {"AppID\\" + std::string(kIeManager) + "|", "iexplore.exe"},
      {"CLSID\\" + std::string(kShellApplication) + "\\InprocServer32|", "RegistryData_HKCR"},
      {"Shell.Application\\CurVer|", "RegistryData_HKCR"},
      {"AppID\\{69AD4AEE-51BE-439B-A92C-86AE490E8B30}|LocalService", "RegistryData_HKCR"},
      {"Interface\\{42C642C1-97E1-11CF-978F-00A02463E06F}|", "scrrun.dll"},
      {"Interface\\{42C642C1-97E1-11CF-978F-00A02463E06F}\\TypeLib|Version", "scrrun.dll"},
      {"Typelib\\" + std::string(kRegExpLibrary) + "\\1.0\\0\\win32|", "RegistryData_HKCR"},
      {"Typelib\\{EAB22AC0-30C1-11CF-A7EB-0000C05BAE0B}\\1.1\\0\\win32|", "RegistryData_HKCR"},
  };
  for (const auto& [value, component] : kept) EXPECT_EQ(registry.count(value) ? registry.at(value) : "<gone>", component) << value;

  // A class whose server is not captured, its ProgIDs, an AppID that no class names, verbs
  // whose programs are not captured and libraries that cannot be checked: warnings, and their
  // data stays.
  const std::string shell32 = "C:\\windows\\system32\\shell32.dll";
  const std::set<std::string> warnings = [&] {
    const auto lines = Warnings(run);
    return std::set<std::string>(lines.begin(), lines.end());
  }();
  for (const std::string& expected :
       {"Undefined CLSID '" + std::string(kShellApplication) + "':  no component exists for file '" + shell32 +
            "'.  COM registry entries for CLSID '" + kShellApplication + "' will remain in the Registry table because file '" +
            shell32 + "' was not listed in the .inc file list.  This may result in ICE33 warnings.",
        "Undefined ProgID 'Shell.Application.1': the CLSID '" + std::string(kShellApplication) +
            "' is undefined.  This may result in ICE33 warnings.",
        std::string("Undefined AppID '{69AD4AEE-51BE-439B-A92C-86AE490E8B30}':  no associated CLSID could be found.  "
                    "This may result in ICE33 warnings."),
        std::string("Registry entries for shell extension verb 'Edit' for progid 'VBSFile' will remain in the Registry "
                    "table because no matching component exists for file 'C:\\windows\\system32\\notepad.exe'"),
        // A library whose file is not captured, one registered against a file that does not hold it, and
        // the older of two versions in one component.
        std::string("Undefined typelib '{50A7E9B0-70EF-11D1-B75A-00A0C90564FE}':  no component exists for file "
                    "'C:\\windows\\system32\\shell32.dll'.  This may result in ICE33 warnings."),
        std::string("Undefined typelib '{EAB22AC0-30C1-11CF-A7EB-0000C05BAE0B}': the captured data does not match the "
                    "type information.  This may result in ICE33 warnings."),
        "Registry entries for version 1.0 of typelib '" + std::string(kRegExpLibrary) +
            "' will remain in the Registry table because version 5.5 of it is installed by the same component for "
            "the same language."})
    EXPECT_EQ(warnings.count(expected), 1u) << expected << "\n" << run.out;
}

TEST(ComCapture, WithComMappingOffNothingIsMappedAndNothingIsReported) {
  testenv::TempDir temp;
  const std::string script = CopyCapture("e2e/com", temp / "com");
  test_support::SetGeneralOption(temp / "com/options.ini", "COMMapping", "N");
  const auto run = RunFernclip({script, "/vpxonly"}, temp / "registry.reg");
  ASSERT_EQ(run.exitCode, 0) << run.out;
  const std::string project = temp / "com/com.vpx";
  for (const char* table : {"Class", "ProgId", "Extension", "Verb", "MIME", "TypeLib", "AppId", "Icon"})
    EXPECT_TRUE(DumpTable(project, table).empty()) << table;
  for (const std::string& warning : Warnings(run)) EXPECT_EQ(warning.find("Registry table"), std::string::npos) << warning;
  EXPECT_FALSE(run.HasLine("Mapping registry information to the Advertising tables")) << run.out;

  // Every value stays; the keys of a captured class and of an extension still move into the
  // component of their file.
  const auto registry = RegistryRows(project);
  const std::string fso = std::string("CLSID\\") + kFso;
  EXPECT_EQ(registry.at(fso + "\\InprocServer32|"), "scrrun.dll");
  EXPECT_EQ(registry.at(fso + "|"), "scrrun.dll");
  EXPECT_EQ(registry.at("Scripting.FileSystemObject\\CLSID|"), "scrrun.dll");
  EXPECT_EQ(registry.at(".vbs|"), "wscript.exe");
}

}  // namespace
