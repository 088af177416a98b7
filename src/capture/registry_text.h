// Registry data as text: the unquoting of REGEDIT4 strings and the value text that the
// installer's Registry table expects.
#pragma once

#include <string>

namespace capture {

class RegValue;

// A text of at least two characters in double quotes loses them, then "\\" becomes '\' and
// '\"' becomes '"'. Other texts stay as they are.
std::string UnquoteRegistryText(const std::string& text);

// The value as text for the Registry table's Value column: "_Short(path)" markers become
// short-path file references "[!FileKey]", paths become installer paths, hex(7) lists get their
// leading separator, and the type's prefix ("#", "#x", "#%") is put in front.
std::string GetRegistryTableValue(const RegValue& value);

}  // namespace capture
