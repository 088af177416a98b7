// Install conditions: the operating-system mask and the language of a capture's file list
// ("InstallFileList('folder'|mask|language|extra)") as an installer condition built from the
// properties Version9X, VersionNT and UserLanguageID.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace capture {

// Mask bit to condition term, in increasing bit order. The terms are finer when the option
// "OSGranular" is on; the table is refilled whenever that option changes.
const std::map<uint32_t, std::string>& OsConditionTable();

// The condition of an InstallFileList line (empty when it has none). The file list's extra text
// (its third '|' field) is stored in fileListExtra; a line without any '|' leaves it alone.
std::string BuildInstallCondition(const std::string& line, std::string& fileListExtra);

}  // namespace capture
