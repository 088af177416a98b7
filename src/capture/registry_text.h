// Registry data as text: the unquoting of REGEDIT4 strings and the value text that the
// installer's Registry table expects.
#pragma once

#include <string>

#include "capture/knowledge_base.h"

namespace capture {

class RegValue;

// A text of at least two characters in double quotes loses them, then "\\" becomes '\' and
// '\"' becomes '"'. Other texts stay as they are.
std::string UnquoteRegistryText(const std::string& text);

// The value as text for the Registry table's Value column: "_Short(path)" markers become
// short-path file references "[!FileKey]", paths become installer paths, hex(7) lists get their
// leading separator, and the type's prefix ("#", "#x", "#%") is put in front.
std::string GetRegistryTableValue(const RegValue& value);

// The component of a captured file that a registry value names by its captured path
// ("%ProgramFilesFolder%\App\app.exe", or the installed form "[INSTALLDIR]app.exe"); empty
// when the file is not a captured one.
ComponentRef ComponentOfNamedFile(const std::string& path);
// The File of that captured file, or null.
qv::ComPtr<qv::IFile> CapturedFileNamed(const std::string& path);
// The File key of a file that the package installs, named by its captured path
// ("%ProgramFilesFolder%\App\app.exe") or its installed path ("[INSTALLDIR]app.exe"); empty when
// the package installs no such file.
std::string FileKeyFor(const std::string& path);

}  // namespace capture
