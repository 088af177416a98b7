// A capture of a setup that installs NT services, a kernel driver, an ODBC driver with a machine
// and a user data source, application paths and environment values, converted as a user
// converts it (with ServiceControlEvents and ODBCMapping): the registrations become the
// installer's own tables, what they consume leaves the Registry table, and what the installer
// cannot express stays there with a warning.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "support/captures.h"
#include "support/msi_dump.h"
#include "support/test_env.h"

namespace {

using test_support::DumpTable;
using test_support::Rows;

Rows Sorted(Rows rows) {
  std::sort(rows.begin(), rows.end());
  return rows;
}

// Registry rows by "key path|name" -> "value|component".
std::map<std::string, std::string> RegistryRows(const std::string& package) {
  std::map<std::string, std::string> rows;
  for (const auto& row : DumpTable(package, "Registry")) rows[row[2] + "|" + row[3]] = row[4] + "|" + row[5];
  return rows;
}

TEST(ServicesCapture, ServicesOdbcAppPathsAndEnvironmentBecomeTheirTables) {
  testenv::TempDir temp;
  const std::string script = test_support::CopyCapture("e2e/services", temp / "services");
  const auto run = test_support::RunFernclip({script}, temp / "registry.reg");
  ASSERT_EQ(run.exitCode, 0) << run.out;
  EXPECT_TRUE(run.HasLine("Validation: 0 errors, 0 warnings")) << run.out;
  const std::string package = temp / "services/Fernclip Services.msi";

  // Both services of the captured program, in its component: the one that starts automatically
  // is started at install; each is stopped and deleted at removal. The display name loses its
  // quotes, LocalSystem is the default account, the load order group comes from "Group" and
  // the dependencies from "DependOnService" and "DependOnGroup" (a group with its '+').
  EXPECT_EQ(Sorted(DumpTable(package, "ServiceInstall")),
            Sorted({{"FernclipService", "FernclipService", "Fernclip Service", "16", "2", "1", "Fernclip Group",
                     "RpcSs[~][~]", "", "", "-service", "fcsvc.exe", "Runs until it is stopped."},
                    {"FernclipHelper", "FernclipHelper", "Fernclip Helper", "16", "3", "0", "",
                     "+Fernclip Group[~][~]", "NT AUTHORITY\\LocalService", "", "-helper", "fcsvc.exe", ""}}));
  EXPECT_EQ(Sorted(DumpTable(package, "ServiceControl")),
            Sorted({{"FernclipService_Event", "FernclipService", "161", "", "", "fcsvc.exe"},
                    {"FernclipHelper_Event", "FernclipHelper", "160", "", "", "fcsvc.exe"}}));

  // Each element of a machine or user value appends to its variable (an empty element is
  // skipped); the AppendPath line appends to the user's Path.
  EXPECT_EQ(Sorted(DumpTable(package, "Environment")),
            Sorted({{"EnvPath_", "*=-FERNCLIP_HOME", "[~];[INSTALLDIR]", "RegistryData_Machine"},
                    {"EnvPath_1", "*=-Path", "[~];[INSTALLDIR]bin", "RegistryData_Machine"},
                    {"EnvPath_2", "*=-Path", "[~];C:\\Fernclip Tools", "RegistryData_Machine"},
                    {"EnvPath_3", "=-FERNCLIP_USER", "[~];alpha", "RegistryData_Machine"},
                    {"EnvPath_4", "=-FERNCLIP_USER", "[~];beta", "RegistryData_Machine"},
                    {"EnvPath_5", "=-Path", "[~];[INSTALLDIR]bin", "RegistryData_Machine"}}));

  // The driver with its setup library and attributes (not its usage count); the data sources
  // in components of their own, keyed by their ODBCDataSource rows.
  EXPECT_EQ(DumpTable(package, "ODBCDriver"),
            (Rows{{"NewODBCDriver", "fcodbc.dll", "Fernclip Driver", "fcodbc.dll", "fcodbc.dll"}}));
  EXPECT_EQ(Sorted(DumpTable(package, "ODBCAttribute")),
            Sorted({{"NewODBCDriver", "APILevel", "1"}, {"NewODBCDriver", "ConnectFunctions", "YYN"}}));
  EXPECT_EQ(Sorted(DumpTable(package, "ODBCDataSource")),
            Sorted({{"NewDataSource", "ODBCSource_fernclipmachine", "Fernclip Machine", "Fernclip Driver", "0"},
                    {"NewDataSource1", "ODBCSource_fernclipuser", "Fernclip User", "Fernclip Driver", "1"}}));
  EXPECT_EQ(Sorted(DumpTable(package, "ODBCSourceAttribute")),
            Sorted({{"NewDataSource", "Database", "machine.db"},
                    {"NewDataSource", "Description", "Fernclip machine data"},
                    {"NewDataSource1", "Database", "user.db"}}));
  std::map<std::string, std::string> sourceComponents;  // name -> "attributes|key path"
  for (const auto& row : DumpTable(package, "Component"))
    if (row[0].starts_with("ODBCSource_")) sourceComponents[row[0]] = row[3] + "|" + row[5];
  EXPECT_EQ(sourceComponents, (std::map<std::string, std::string>{{"ODBCSource_fernclipmachine", "40|NewDataSource"},
                                                                  {"ODBCSource_fernclipuser", "40|NewDataSource1"}}));

  const auto registry = RegistryRows(package);
  // The application paths, as the package writes them into the program's component: the
  // program's file and its search path, or the program's folder when the capture gave none.
  const std::string appPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
  EXPECT_EQ(registry.at(appPaths + "fcapp.exe|"), "[#fcapp.exe]|fcapp.exe");
  EXPECT_EQ(registry.at(appPaths + "fcapp.exe|Path"), "[INSTALLDIR];[bin]|fcapp.exe");
  EXPECT_EQ(registry.at(appPaths + "fctool.exe|Path"), "[INSTALLDIR]|fctool.exe");

  // What the tables carry is gone from the Registry table.
  const std::string services = "System\\CurrentControlSet\\Services\\";
  for (const std::string& consumed :
       {services + "FernclipService|ImagePath", services + "FernclipService|Group",
        services + "FernclipService|DependOnService", services + "FernclipService|Description",
        services + "FernclipHelper|Tag", services + "FernclipHelper|DependOnGroup", services + "FernclipHelper|Type",
        std::string("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\fcapp.exe|"),
        std::string("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\fcapp.exe|Path"),
        std::string("System\\CurrentControlSet\\Control\\Session Manager\\Environment|Path"),
        std::string("Environment|FERNCLIP_USER"), std::string("SOFTWARE\\ODBC\\ODBCINST.INI\\Fernclip Driver|Driver"),
        std::string("SOFTWARE\\ODBC\\ODBCINST.INI\\Fernclip Driver|UsageCount"),
        std::string("SOFTWARE\\ODBC\\ODBCINST.INI\\ODBC Drivers|Fernclip Driver"),
        std::string("SOFTWARE\\ODBC\\ODBC.INI\\ODBC Data Sources|Fernclip Machine"),
        std::string("Software\\ODBC\\ODBC.INI\\Fernclip User|Database")})
    EXPECT_EQ(registry.count(consumed), 0u) << consumed;
  // A driver, services and application paths whose files are not captured, and translators,
  // stay; the rest of a service's registration moves into its program's component, and so does
  // an App Paths key named after another program than its file (the package's key would name
  // the wrong file). A key that only begins like the environment key holds no variables.
  const std::map<std::string, std::string> kept = {
      {services + "fcdrv|Type", "#1|fcdrv.sys"},
      {services + "fcdrv|ImagePath", "system32\\drivers\\fcdrv.sys|fcdrv.sys"},
      {services + "fcnative|ImagePath", "\\??\\C:\\Tools\\fcnative.exe|RegistryData_Machine"},
      {services + "fcother|ImagePath", "C:\\Tools\\fcother.exe|RegistryData_Machine"},
      {services + "FernclipService\\Parameters|Level", "#3|fcsvc.exe"},
      {"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\fcmissing.exe|", "C:\\Tools\\fcmissing.exe|RegistryData_Machine"},
      {"SOFTWARE\\ODBC\\ODBCINST.INI\\Missing Driver|Driver", "C:\\Tools\\missing.dll|RegistryData_Machine"},
      {"SOFTWARE\\ODBC\\ODBCINST.INI\\ODBC Translators|Fernclip Translator", "Installed|RegistryData_Machine"},
      {"SOFTWARE\\ODBC\\ODBC.INI\\ODBC Data Sources|Fernclip Orphan", "|RegistryData_Machine"},
      {"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\fcalias.exe|", "[INSTALLDIR]fcapp.exe|fcapp.exe"},
      {"Environment Settings|Mode", "1|RegistryData_User"},
  };
  for (const auto& [value, row] : kept) EXPECT_EQ(registry.count(value) ? registry.at(value) : "<gone>", row) << value;

  for (const std::string& warning :
       {"Warning: Undefined NT Service 'fcdrv':  service type '1' is not supported by Windows Installer 2.0.  This "
        "may result in ICE33 warnings.",
        "Warning: Registry entries for service 'fcnative' will remain in the Registry table because the path format "
        "for the ImagePath '\\??\\C:\\Tools\\fcnative.exe' is not supported by Windows Installer.",
        "Warning: Registry entries for service 'fcother' will remain in the Registry table because no component "
        "exists for ImagePath 'C:\\Tools\\fcother.exe'.",
        "Warning: Registry entry for AppPath for 'fcmissing.exe' will remain in the Registry table because "
        "'C:\\Tools\\fcmissing.exe' is not a known file.",
        "Warning: Undefined application path value for 'fcnofile.exe':  no file path was provided.  This may result "
        "in a build warning.",
        "Warning: Registry entries for ODBC driver 'Missing Driver' will remain in the Registry table because a "
        "component could not be found for the driver file 'C:\\Tools\\missing.dll'",
        "Warning: Registry entries for ODBC driver 'Empty Driver' will remain in the Registry table, because no "
        "driver file was specified.",
        "Warning: Registry entries for ODBC data source 'Fernclip Orphan' will remain in the Registry table because "
        "no driver description was specified."})
    EXPECT_TRUE(run.HasLine(warning)) << warning << "\n" << run.out;
}

}  // namespace
