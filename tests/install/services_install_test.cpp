// The services capture (tests/data/e2e/services) converted with ServiceControlEvents and
// ODBCMapping and installed by a real Windows Installer under Wine: the service is created and
// started (it runs with the captured arguments), its companion is created without being
// started, the environment values, the application paths and the ODBC driver arrive, and the
// removal stops and deletes the services and takes the rest away again.
#include <gtest/gtest.h>
#include <strings.h>

#include "installed_capture.h"
#include "support/captures.h"
#include "support/test_env.h"
#include "wine_prefix.h"

namespace {

using winetest::WinePrefix;

const std::string kApp = "C:\\Program Files (x86)\\Fernclip Services\\";
const std::string kServices = "HKLM\\System\\CurrentControlSet\\Services\\";
const std::string kMachineEnvironment = "HKLM\\System\\CurrentControlSet\\Control\\Session Manager\\Environment";
const std::string kAppPaths = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
const std::string kServiceTrace = "C:\\fernclip-service.txt";

// The data of a value, its name compared without regard to case (Wine spells the machine's
// Path "PATH"); "<none>" when the key or the value is missing.
std::string ValueOf(WinePrefix& wine, const std::string& key, const std::string& name, bool view32 = false) {
  const auto values = wine.QueryKey(key, view32);
  if (!values) return "<none>";
  for (const auto& [valueName, value] : *values)
    if (strcasecmp(valueName.c_str(), name.c_str()) == 0) return value.data;
  return "<none>";
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(ServicesInstall, ServicesEnvironmentAppPathsAndOdbcArriveAndGoAway) {
  testenv::TempDir temp;
  const std::string script = test_support::CopyCapture("e2e/services", temp / "services");
  const auto run = test_support::RunFernclip({script}, temp / "registry.reg");
  ASSERT_EQ(run.exitCode, 0) << run.out;
  const std::string package = temp / "services/Fernclip Services.msi";

  std::string error;
  auto wine = WinePrefix::Create(&error);
  ASSERT_TRUE(wine) << error;
  ASSERT_EQ(wine->Install(package), 0);
  winetest::ExpectCapturedFiles(*wine, test_support::CapturedFiles(script), true);

  // The automatic service was started with its arguments (Wine starts it again whenever its
  // service manager starts); the other one was only created.
  EXPECT_TRUE(testenv::ReadText(wine->HostPath(kServiceTrace)).starts_with("started -service\n"));
  EXPECT_EQ(ValueOf(*wine, kServices + "FernclipService", "ImagePath"), kApp + "fcsvc.exe -service");
  EXPECT_EQ(ValueOf(*wine, kServices + "FernclipService", "DisplayName"), "Fernclip Service");
  EXPECT_EQ(ValueOf(*wine, kServices + "FernclipService", "Group"), "Fernclip Group");
  EXPECT_EQ(ValueOf(*wine, kServices + "FernclipService", "DependOnService"), "RpcSs");
  EXPECT_EQ(ValueOf(*wine, kServices + "FernclipService\\Parameters", "Level"), "0x3");
  EXPECT_EQ(ValueOf(*wine, kServices + "FernclipHelper", "Start"), "0x3");
  EXPECT_EQ(ValueOf(*wine, kServices + "FernclipHelper", "DependOnGroup"), "Fernclip Group");
  EXPECT_EQ(ValueOf(*wine, kServices + "FernclipHelper", "ObjectName"), "NT AUTHORITY\\LocalService");
  // The driver, which the installer cannot install, is registry data of its file's component.
  EXPECT_EQ(ValueOf(*wine, kServices + "fcdrv", "ImagePath"), "system32\\drivers\\fcdrv.sys");

  // Machine and user values, appended to what the variables held.
  EXPECT_EQ(ValueOf(*wine, kMachineEnvironment, "FERNCLIP_HOME"), kApp);
  const std::string machinePath = ValueOf(*wine, kMachineEnvironment, "Path");
  EXPECT_TRUE(machinePath.starts_with("%SystemRoot%\\system32;")) << machinePath;
  EXPECT_TRUE(Contains(machinePath, ";" + kApp + "bin;C:\\Fernclip Tools")) << machinePath;
  EXPECT_EQ(ValueOf(*wine, "HKCU\\Environment", "FERNCLIP_USER"), "alpha;beta");
  EXPECT_EQ(ValueOf(*wine, "HKCU\\Environment", "Path"), kApp + "bin");

  // The application paths, where a 32-bit package writes HKLM\Software.
  EXPECT_EQ(ValueOf(*wine, kAppPaths + "fcapp.exe", "", true), kApp + "fcapp.exe");
  EXPECT_EQ(ValueOf(*wine, kAppPaths + "fcapp.exe", "Path", true), kApp + ";" + kApp + "bin\\");
  EXPECT_EQ(ValueOf(*wine, kAppPaths + "fctool.exe", "Path", true), kApp);

  // The driver, registered by the installer's ODBC action with its installed files. Wine's action
  // hands a data source only its name and adds machine data sources to the user's list too.
  const std::string driver = "HKLM\\Software\\ODBC\\ODBCINST.INI\\Fernclip Driver";
  EXPECT_EQ(ValueOf(*wine, driver, "Driver"), kApp + "fcodbc.dll");
  EXPECT_EQ(ValueOf(*wine, driver, "Setup"), kApp + "fcodbc.dll");
  EXPECT_EQ(ValueOf(*wine, "HKLM\\Software\\ODBC\\ODBCINST.INI\\ODBC Drivers", "Fernclip Driver"), "Installed");
  for (const char* source : {"Fernclip Machine", "Fernclip User"}) {
    const std::string machineList = ValueOf(*wine, "HKLM\\Software\\ODBC\\ODBC.INI\\ODBC Data Sources", source);
    const std::string userList = ValueOf(*wine, "HKCU\\Software\\ODBC\\ODBC.INI\\ODBC Data Sources", source);
    EXPECT_TRUE(machineList == "Fernclip Driver" || userList == "Fernclip Driver") << source;
  }

  ASSERT_EQ(wine->Uninstall(package), 0);
  winetest::ExpectCapturedFiles(*wine, test_support::CapturedFiles(script), false);
  EXPECT_TRUE(testenv::ReadText(wine->HostPath(kServiceTrace)).ends_with("stopped\n"));
  for (const char* service : {"FernclipService", "FernclipHelper", "fcdrv"})
    EXPECT_FALSE(wine->QueryKey(kServices + service)) << service;
  EXPECT_EQ(ValueOf(*wine, kMachineEnvironment, "FERNCLIP_HOME"), "<none>");
  EXPECT_FALSE(Contains(ValueOf(*wine, kMachineEnvironment, "Path"), "Fernclip"));
  EXPECT_EQ(ValueOf(*wine, "HKCU\\Environment", "FERNCLIP_USER"), "<none>");
  EXPECT_EQ(ValueOf(*wine, "HKCU\\Environment", "Path"), "<none>");
  EXPECT_FALSE(wine->QueryKey(kAppPaths + "fcapp.exe", true));
  EXPECT_EQ(ValueOf(*wine, driver, "Driver"), "<none>");
}

}  // namespace
