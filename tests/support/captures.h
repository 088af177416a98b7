// Captures for the end-to-end tests and the program run on them as a user runs it: a copy of a
// capture in a folder of the test's own, an option changed in its options file, fernclip run on
// its script, and the captured files that the package must carry.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace test_support {

// Copies a capture of tests/data (for example "e2e/rich") or of the source tree's examples
// ("examples/demo") into destination. The rich capture also gets its programs, which the build
// makes (tests/data/pe/marker.c): ProgramFilesFolder\Rich\App\rich.exe and Setup\postinst.exe;
// the COM capture ("e2e/com") its servers, Wine's builtin scrrun.dll, vbscript.dll, wscript.exe
// and iexplore.exe;
// the calls capture its programs and its DLL (tests/data/pe/call_target.c); the services capture
// its service (tests/data/pe/service.c), its ODBC driver (tests/data/pe/odbc_setup.c) and two
// programs; the links capture its program with an icon (tests/data/pe/icon_only.rc); the merge
// modules capture ("e2e/merge_modules") the files of the test merge module fernrt,
// SystemFolder\fernrt.dll and SystemFolder\fernrt.txt.
// Returns the path of the capture script.
std::string CopyCapture(const std::string& capture, const std::string& destination);

// Makes a copy of the rich capture in destination converted through a repackager project file
// (rich.wrp) with capture filters: a settings file (filters.ini beside the copy) that excludes
// the class registrations below HKEY_LOCAL_MACHINE\Software\Classes, three values of the App
// key, the value Theme under every key, the Old key, the *.txt files of the program folder and
// user.cfg, the removal of *.tmp files and of the value Obsolete; the project file's own lists
// include notes.txt and the value Count back. Returns the path of rich.wrp.
std::string CopyFilteredRichCapture(const std::string& destination);

// Sets key=value in section [General] of an options file (added when missing).
void SetGeneralOption(const std::string& optionsFile, const std::string& key, const std::string& value);

struct FernclipRun {
  int exitCode = -1;
  std::string out;  // standard output, then standard error
  std::vector<std::string> Lines() const;
  bool HasLine(const std::string& line) const;
  // The build checked its package against the installer's rules and found no error.
  bool ValidatedWithoutErrors() const;
};

// Runs the built fernclip with these arguments as a user runs it, with FERNCLIP_REGISTRY
// pointing at registryFile.
FernclipRun RunFernclip(const std::vector<std::string>& arguments, const std::string& registryFile);

// The files that a capture script lists for installation (its "%SCRIPTFOLDER%..." entries):
// path relative to the script's folder, with '/' -> bytes.
std::map<std::string, std::string> CapturedFiles(const std::string& script);

// Every file below a folder: path relative to it -> bytes.
std::map<std::string, std::string> FilesBelow(const std::string& folder);

}  // namespace test_support
