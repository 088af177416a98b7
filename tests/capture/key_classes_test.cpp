#include "capture/key_classes.h"

#include <gtest/gtest.h>

using namespace capture;

TEST(KeyClasses, KeysByPatternDepthAndOrder) {
  const std::pair<const char*, int> cases[] = {
      {"HKEY_CLASSES_ROOT\\CLSID\\{X}", kClsid},
      // Exact depth: a deeper key is no class key and falls through to the root's class.
      {"HKEY_CLASSES_ROOT\\CLSID\\{X}\\Implemented Categories", kClassesRootKey},
      {"hkey_classes_root\\clsid\\{X}\\inprocserver32\\Sub", kClsidInProcServer32},
      {"HKEY_CLASSES_ROOT\\CLSID\\{X}\\InProcServer", kClsidInProcServer},
      {"HKEY_CLASSES_ROOT\\CLSID\\{X}\\LocalServer32", kClsidLocalServer32},
      {"HKEY_CLASSES_ROOT\\CLSID\\{X}\\VersionIndependentProgID", kClsidVersionIndependentProgId},
      {"HKEY_CLASSES_ROOT\\TypeLib\\{T}\\1.0\\0\\win32", kTypeLibWin32},
      {"HKEY_CLASSES_ROOT\\TypeLib\\{T}\\1.0\\0\\win16", kTypeLib},
      {"HKEY_CLASSES_ROOT\\Interface\\{I}\\ProxyStubClsid32", kInterfaceProxyStub},
      {"HKEY_CLASSES_ROOT\\App.Doc.1\\CurVer", kProgIdCurVer},
      {"HKEY_CLASSES_ROOT\\.txt\\ShellNew", kFileExtension},
      {"HKEY_CLASSES_ROOT\\MIME\\Database\\Content Type\\text/x-app", kMimeContentType},
      {"HKEY_CLASSES_ROOT\\txtfile\\shell\\open\\command", kShellCommand},
      {"HKEY_CLASSES_ROOT\\txtfile\\shell\\open", kClassesRootKey},
      {"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\MySvc", kService},
      {"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\MySvc\\Parameters", 0},
      {"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\a.exe", kAppPaths},
      {"HKEY_CURRENT_USER\\Environment", kUserEnvironment},
      {"HKEY_INIFILES\\win.ini|Settings", kIniFile},
      {"HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBCINST.INI\\My Driver", kOdbcInst},
      // The earlier entry wins over a later pattern that also matches.
      {"HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBC.INI\\ODBC Data Sources", kOdbcDataSources},
      {"HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBC.INI\\ODBC Data Source", kOdbcDataSource},
      {"HKEY_CURRENT_USER\\SOFTWARE\\ODBC\\ODBC.INI\\MyDsn", kUserOdbcIni},
      {"HKEY_LOCAL_MACHINE\\Software\\Vendor", 0},
  };
  for (const auto& [key, id] : cases) {
    const KeyClass* keyClass = ClassifyKey(key);
    EXPECT_EQ(keyClass ? keyClass->id : 0, id) << key;
  }
}
