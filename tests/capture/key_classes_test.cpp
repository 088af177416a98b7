#include "capture/key_classes.h"

#include <gtest/gtest.h>

using namespace capture;

namespace {

int ClassOf(const std::string& key) {
  const KeyClass* keyClass = ClassifyKey(key);
  return keyClass ? keyClass->id : 0;
}

}  // namespace

TEST(KeyClasses, ComClassKeysByDepthAndName) {
  EXPECT_EQ(ClassOf("HKEY_CLASSES_ROOT\\CLSID\\{X}"), kClsid);
  // Exact depth: a deeper key is no class key and falls through to the root's class.
  EXPECT_EQ(ClassOf("HKEY_CLASSES_ROOT\\CLSID\\{X}\\Implemented Categories"), kClassesRootKey);
  EXPECT_EQ(ClassOf("HKEY_CLASSES_ROOT\\CLSID\\{X}\\InProcServer32"), kClsidInProcServer32);
  EXPECT_EQ(ClassOf("hkey_classes_root\\clsid\\{X}\\inprocserver32\\Sub"), kClsidInProcServer32);
  EXPECT_EQ(ClassOf("HKEY_CLASSES_ROOT\\CLSID\\{X}\\InProcServer"), kClsidInProcServer);
  EXPECT_EQ(ClassOf("HKEY_CLASSES_ROOT\\CLSID\\{X}\\LocalServer32"), kClsidLocalServer32);
  EXPECT_EQ(ClassOf("HKEY_CLASSES_ROOT\\CLSID\\{X}\\ProgID"), kClsidProgId);
  EXPECT_EQ(ClassOf("HKEY_CLASSES_ROOT\\CLSID\\{X}\\InProcHandler32"), kClsidInProcHandler32);
  EXPECT_EQ(ClassOf("HKEY_CLASSES_ROOT\\CLSID\\{X}\\InProcHandler"), kClsidInProcHandler);
  EXPECT_EQ(ClassOf("HKEY_CLASSES_ROOT\\CLSID\\{X}\\VersionIndependentProgID"),
            kClsidVersionIndependentProgId);
  EXPECT_EQ(ClassOf("HKEY_CLASSES_ROOT\\CLSID"), kClassesRootKey);
}

TEST(KeyClasses, TypeLibrariesInterfacesProgIdsAndExtensions) {
  EXPECT_EQ(ClassOf("HKEY_CLASSES_ROOT\\TypeLib\\{T}\\1.0\\0\\win32"), kTypeLibWin32);
  EXPECT_EQ(ClassOf("HKEY_CLASSES_ROOT\\TypeLib\\{T}\\1.0\\0\\win16"), kTypeLib);
  EXPECT_EQ(ClassOf("HKEY_CLASSES_ROOT\\TypeLib\\{T}"), kTypeLib);
  EXPECT_EQ(ClassOf("HKEY_CLASSES_ROOT\\TypeLib"), kClassesRootKey);
  EXPECT_EQ(ClassOf("HKEY_CLASSES_ROOT\\Interface\\{I}\\TypeLib"), kInterfaceTypeLib);
  EXPECT_EQ(ClassOf("HKEY_CLASSES_ROOT\\Interface\\{I}\\ProxyStubClsid32"), kInterfaceProxyStub);
  EXPECT_EQ(ClassOf("HKEY_CLASSES_ROOT\\Interface\\{I}"), kInterface);
  EXPECT_EQ(ClassOf("HKEY_CLASSES_ROOT\\AppID\\{A}"), kAppId);
  EXPECT_EQ(ClassOf("HKEY_CLASSES_ROOT\\App.Doc.1\\CurVer"), kProgIdCurVer);
  EXPECT_EQ(ClassOf("HKEY_CLASSES_ROOT\\App.Doc.1\\CLSID"), kProgIdClsid);
  EXPECT_EQ(ClassOf("HKEY_CLASSES_ROOT\\App.Doc.1\\DefaultIcon"), kProgIdDefaultIcon);
  EXPECT_EQ(ClassOf("HKEY_CLASSES_ROOT\\.txt"), kFileExtension);
  EXPECT_EQ(ClassOf("HKEY_CLASSES_ROOT\\.txt\\ShellNew"), kFileExtension);
  EXPECT_EQ(ClassOf("HKEY_CLASSES_ROOT\\MIME\\Database\\Content Type\\text/x-app"), kMimeContentType);
  EXPECT_EQ(ClassOf("HKEY_CLASSES_ROOT\\txtfile\\shell\\open\\command"), kShellCommand);
  EXPECT_EQ(ClassOf("HKEY_CLASSES_ROOT\\txtfile\\shell\\open"), kClassesRootKey);
}

TEST(KeyClasses, MachineAndUserKeys) {
  EXPECT_EQ(ClassOf("HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\MySvc"), kService);
  EXPECT_EQ(ClassOf("HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\MySvc\\Parameters"), 0);
  EXPECT_EQ(ClassOf("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\a.exe"),
            kAppPaths);
  EXPECT_EQ(ClassOf("HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Session Manager\\Environment"),
            kSystemEnvironment);
  EXPECT_EQ(ClassOf("HKEY_CURRENT_USER\\Environment"), kUserEnvironment);
  EXPECT_EQ(ClassOf("HKEY_INIFILES\\win.ini|Settings"), kIniFile);
  EXPECT_EQ(ClassOf("HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBCINST.INI\\ODBC Drivers"), kOdbcDrivers);
  EXPECT_EQ(ClassOf("HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBCINST.INI\\My Driver"), kOdbcInst);
  // The earlier entry wins over the prefix that also matches.
  EXPECT_EQ(ClassOf("HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBC.INI\\ODBC Data Sources"), kOdbcDataSources);
  EXPECT_EQ(ClassOf("HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBC.INI\\ODBC Data Source"), kOdbcDataSource);
  EXPECT_EQ(ClassOf("HKEY_CURRENT_USER\\SOFTWARE\\ODBC\\ODBC.INI\\MyDsn"), kUserOdbcIni);
  EXPECT_EQ(ClassOf("HKEY_LOCAL_MACHINE\\Software\\Vendor"), 0);
  EXPECT_EQ(KeyClassTable().size(), 35u);
}
