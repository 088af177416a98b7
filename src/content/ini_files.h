// INI edits as rows of the IniFile table, so that the installer writes the entries into the
// target machine's INI files (and takes them out again on removal) instead of replacing whole
// files: captured ".ini" files whose every line the table can express, and the capture's AddIni
// blocks, which the script reader keeps as keys "HKEY_INIFILES\<file>|<section>" of the
// registry model. All rows go to one component, named by the options' naming conventions for
// INI entries ("IniFileEntries" by default).
#pragma once

#include <string>

namespace capture {
class RegistryModel;
}

namespace content {

// A captured INI file (sourcePath: where the build reads it; directory: its folder in installer
// form; capturedFolder: its folder as the capture names it, which the capture filters' folder
// keys name) becomes IniFile rows when it is a text file, not excluded by the capture filters,
// and every line is empty, a section, a "key=value" entry under a section, or a comment with the
// option IgnoreIniComments on. Returns whether it did; the file is then not installed as a file.
bool ConvertIniFile(const std::string& sourcePath, const std::string& directory, const std::string& capturedFolder);

// The AddIni edits of the capture become IniFile rows, and their keys are marked mapped so that
// the Registry table leaves them out.
void MapIniEdits(capture::RegistryModel& registry);

// Forgets the INI file names handed out and the component's name (at the end of a conversion).
void ResetIniFiles();

}  // namespace content
