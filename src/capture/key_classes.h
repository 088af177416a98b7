// The classes of captured registry keys: each key is tagged, when it is read, with the kind of
// registry data it belongs to, so that every registry mapper picks out its keys by class id.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace capture {

// Class ids of KeyClassTable.
enum KeyClassId : int {
  kTypeLibWin32 = 1000,
  kTypeLib = 1500,
  kInterfaceTypeLib = 1600,
  kClsidInProcServer32 = 2000,
  kClsidInProcServer = 2010,
  kClsidLocalServer32 = 2020,
  kClsidLocalServer = 2030,
  kClsid = 2500,
  kClsidProgId = 2510,
  kClsidInProcHandler = 2530,
  kClsidInProcHandler32 = 2535,
  kClsidDefaultIcon = 2540,
  kInterfaceProxyStub = 3000,
  kInterface = 3500,
  kAppId = 3600,
  kProgIdCurVer = 4000,
  kClsidVersionIndependentProgId = 4100,
  kProgIdClsid = 5000,
  kProgIdDefaultIcon = 5500,
  kFileExtension = 6000,
  kMimeContentType = 6500,
  kShellCommand = 7000,
  kClassesRootKey = 8000,
  kService = 10000,
  kAppPaths = 11000,
  kSystemEnvironment = 12000,
  kUserEnvironment = 12500,
  kIniFile = 13000,
  kOdbcDrivers = 14000,
  kOdbcTranslators = 14050,
  kOdbcInst = 14100,
  kOdbcDataSources = 14500,
  kOdbcDataSource = 14510,
  kUserOdbcDataSources = 14600,
  kUserOdbcIni = 14610,
};

struct KeyClass {
  std::string pattern;  // '\' separates segments; an empty segment stands for any one segment
  int id = 0;
  bool exactDepth = false;
};

// The table in matching order, built once on first use.
const std::vector<KeyClass>& KeyClassTable();

// The first entry whose pattern matches the key's full path, or null.
const KeyClass* ClassifyKey(std::string_view fullPath);

// The segments of a key path or pattern split at '\'; a trailing '\' gives no final segment.
std::vector<std::string_view> SplitSegments(std::string_view path);

// Whether one pattern matches a key path (the rule that ClassifyKey applies to each entry).
bool KeyPatternMatches(const KeyClass& keyClass, std::string_view fullPath);

}  // namespace capture
