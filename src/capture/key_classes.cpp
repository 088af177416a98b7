#include "capture/key_classes.h"

#include "platform/text.h"

namespace capture {
namespace {

bool SegmentStartsWith(std::string_view segment, std::string_view pattern) {
  return platform::StartsWithNoCase(segment, pattern);
}

}  // namespace

std::vector<std::string_view> SplitSegments(std::string_view path) {
  std::vector<std::string_view> segments;
  size_t start = 0;
  while (true) {
    const size_t separator = path.find('\\', start);
    if (separator == std::string_view::npos) {
      if (start < path.size() || segments.empty()) segments.push_back(path.substr(start));
      break;
    }
    segments.push_back(path.substr(start, separator - start));
    start = separator + 1;
  }
  return segments;
}

const std::vector<KeyClass>& KeyClassTable() {
  static const std::vector<KeyClass> table = {
      {"HKEY_CLASSES_ROOT\\TypeLib\\\\\\\\win32", kTypeLibWin32, false},
      {"HKEY_CLASSES_ROOT\\TypeLib\\\\", kTypeLib, false},
      {"HKEY_CLASSES_ROOT\\Interface\\\\TypeLib", kInterfaceTypeLib, false},
      {"HKEY_CLASSES_ROOT\\CLSID\\\\InProcServer32", kClsidInProcServer32, false},
      {"HKEY_CLASSES_ROOT\\CLSID\\\\InProcServer", kClsidInProcServer, false},
      {"HKEY_CLASSES_ROOT\\CLSID\\\\LocalServer32", kClsidLocalServer32, false},
      {"HKEY_CLASSES_ROOT\\CLSID\\\\LocalServer", kClsidLocalServer, false},
      {"HKEY_CLASSES_ROOT\\CLSID\\\\", kClsid, true},
      {"HKEY_CLASSES_ROOT\\CLSID\\\\ProgID", kClsidProgId, false},
      {"HKEY_CLASSES_ROOT\\CLSID\\\\InProcHandler", kClsidInProcHandler, false},
      {"HKEY_CLASSES_ROOT\\CLSID\\\\InProcHandler32", kClsidInProcHandler32, false},
      {"HKEY_CLASSES_ROOT\\CLSID\\\\DefaultIcon", kClsidDefaultIcon, false},
      {"HKEY_CLASSES_ROOT\\Interface\\\\ProxyStubClsid32", kInterfaceProxyStub, false},
      {"HKEY_CLASSES_ROOT\\Interface\\\\", kInterface, false},
      {"HKEY_CLASSES_ROOT\\AppID\\\\", kAppId, false},
      {"HKEY_CLASSES_ROOT\\\\CurVer", kProgIdCurVer, false},
      {"HKEY_CLASSES_ROOT\\CLSID\\\\VersionIndependentProgID", kClsidVersionIndependentProgId,
       false},
      {"HKEY_CLASSES_ROOT\\\\CLSID", kProgIdClsid, false},
      {"HKEY_CLASSES_ROOT\\\\DefaultIcon", kProgIdDefaultIcon, false},
      {"HKEY_CLASSES_ROOT\\.", kFileExtension, false},
      {"HKEY_CLASSES_ROOT\\MIME\\Database\\Content Type\\\\", kMimeContentType, false},
      {"HKEY_CLASSES_ROOT\\\\shell\\\\command", kShellCommand, false},
      {"HKEY_CLASSES_ROOT\\", kClassesRootKey, false},
      {"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\\\", kService, true},
      {"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\\\",
       kAppPaths, false},
      {"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Session Manager\\Environment",
       kSystemEnvironment, false},
      {"HKEY_CURRENT_USER\\Environment", kUserEnvironment, false},
      {"HKEY_INIFILES\\\\", kIniFile, false},
      {"HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBCINST.INI\\ODBC Drivers", kOdbcDrivers, false},
      {"HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBCINST.INI\\ODBC Translators", kOdbcTranslators,
       false},
      {"HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBCINST.INI\\", kOdbcInst, false},
      {"HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBC.INI\\ODBC Data Sources", kOdbcDataSources, false},
      {"HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBC.INI\\ODBC Data Source", kOdbcDataSource, false},
      {"HKEY_CURRENT_USER\\SOFTWARE\\ODBC\\ODBC.INI\\ODBC Data Sources", kUserOdbcDataSources,
       false},
      {"HKEY_CURRENT_USER\\SOFTWARE\\ODBC\\ODBC.INI\\", kUserOdbcIni, false},
  };
  return table;
}

namespace {

// A pattern of the table with its segments, split once: a key is classified for every key of
// a capture.
struct SplitPattern {
  const KeyClass* keyClass;
  bool hasWildcard;  // else the pattern is a plain prefix
  std::vector<std::string_view> segments;
};

SplitPattern SplitOf(const KeyClass& keyClass) {
  const std::string_view pattern = keyClass.pattern;
  return {&keyClass, pattern.find("\\\\") != std::string_view::npos, SplitSegments(pattern)};
}

bool SplitPatternMatches(const SplitPattern& pattern, std::string_view fullPath,
                         const std::vector<std::string_view>& keySegments) {
  if (!pattern.hasWildcard) return platform::StartsWithNoCase(fullPath, pattern.keyClass->pattern);
  const std::vector<std::string_view>& patternSegments = pattern.segments;
  const size_t patternSeparators = patternSegments.size() - 1;
  const size_t keySeparators = keySegments.size() - 1;
  if (pattern.keyClass->exactDepth ? keySeparators != patternSeparators : keySeparators < patternSeparators)
    return false;

  size_t keyOffset = 0;  // where the key's segment i begins in fullPath
  for (size_t i = 0; i < patternSeparators; ++i) {
    if (!patternSegments[i].empty() && !SegmentStartsWith(keySegments[i], patternSegments[i]))
      return false;
    keyOffset += keySegments[i].size() + 1;
  }
  const std::string_view last = patternSegments[patternSeparators];
  if (last.empty()) return true;
  const std::string_view rest = fullPath.substr(keyOffset);
  if (!platform::StartsWithNoCase(rest, last)) return false;
  return rest.size() == last.size() || rest[last.size()] == '\\';
}

const std::vector<SplitPattern>& SplitKeyClassTable() {
  static const std::vector<SplitPattern> table = [] {
    std::vector<SplitPattern> split;
    for (const KeyClass& keyClass : KeyClassTable()) split.push_back(SplitOf(keyClass));
    return split;
  }();
  return table;
}

}  // namespace

bool KeyPatternMatches(const KeyClass& keyClass, std::string_view fullPath) {
  return SplitPatternMatches(SplitOf(keyClass), fullPath, SplitSegments(fullPath));
}

const KeyClass* ClassifyKey(std::string_view fullPath) {
  const std::vector<std::string_view> keySegments = SplitSegments(fullPath);
  for (const SplitPattern& pattern : SplitKeyClassTable())
    if (SplitPatternMatches(pattern, fullPath, keySegments)) return pattern.keyClass;
  return nullptr;
}

}  // namespace capture
