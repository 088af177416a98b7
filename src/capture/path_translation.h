// Translation of captured paths into the installer's forms: "[FolderProperty]rest" (a formatted
// path), a directory reference for the Directory table, or the source path of a captured file.
// Captured paths come as "%windir%\x", "\windir\x", "%SystemRoot%", drive letters,
// "[ProgramFilesFolder]", variables of the script's Set lines, "_Short(...)" markers, shortcut
// folder words ("Programs") and absolute paths below the install directory.
//
// The operations work in place on single-byte text. Those that look at variables read the current
// capture script; those that need directories ask the current project writer.
#pragma once

#include <string>

#include "capture/folder_rules.h"

namespace capture {

// The install directory that the options name, kept in translated form with a trailing '\'.
void SetInstallDirPath(const std::string& path);
const std::string& InstallDirPath();
// Whether paths below the install directory become "[INSTALLDIR]..." (on from program start).
void SetInstallDirEnabled(bool enabled);

// "%NAME%rest" or "[NAME]rest" where NAME is a variable of the capture script: the reference is
// replaced by the variable's value, or (directory mode, plainMode false, with an absolute value)
// by the project directory for that value.
bool ApplyScriptVariable(std::string& text, bool plainMode);
// A path below the install directory becomes "[INSTALLDIR]rest".
bool ApplyInstallDir(std::string& text);
// "[NAME]" of an upper-case environment variable: "[%NAME]" in value mode; in directory mode a
// directory property "QvNAME" set from the variable by a custom action.
bool ApplyEnvironmentFolder(std::string& text, bool directoryMode);

// The main conversion to "[FolderProperty]rest". Returns whether the text changed.
bool ToInstallerPath(std::string& text, bool directoryMode, bool plainVariables);
// ToInstallerPath with a trailing '\'.
bool ToInstallerFolder(std::string& text, bool directoryMode, bool plainVariables);
// Converts the folder references inside a longer text, such as a command line.
bool ConvertEmbeddedPaths(std::string& text, bool directoryMode, bool plainVariables);
// A path in formatted text, or the text with its brackets escaped.
void ToFormattedText(std::string& text);
// For paths inside registry-derived values.
void ConvertValuePath(std::string& text);
// path becomes the translated folder, fileName the part after the last '\' (no '\': the folder is
// "[WindowsFolder]").
void SplitFolderAndFile(std::string& path, std::string& fileName);
// "Programs\App\Tool.lnk" becomes "[ProgramMenuFolder]App\Tool.lnk".
void MapShortcutFolder(std::string& text);
// Splits a command value into its executable and its arguments.
void SplitCommandLine(const std::string& command, std::string& executable, std::string& arguments);

// The source path of a captured file: the part of fileName from its captured folder on, below
// the source root ("<SOURCEFILEPATH>\" with the option EnablePathVariables, else the script's
// folder). When the folder is empty or not found in fileName, a relative fileName is taken from
// the source root and an absolute one is returned as it is.
std::string MakeSourcePath(const std::string& fileName, const std::string& folder);
// The part of path from its captured folder on, below the script's folder (path unchanged when
// the folder is not found in it). Returns whether it changed.
bool MakeScriptRelative(std::string& path, const std::string& folder);
// A target path in the form MakeSourcePath gives, for comparing the two.
void NormalizeForCompare(std::string& text, bool useScriptFolder);
// The folder part normalised (percent folders, script variables), the file name kept.
void NormalizeFolderAndFile(std::string& path);

// The warning for a path of the capturing machine that the package carries as it is.
void WarnMachineSpecificPath(const std::string& path);
// Whether text holds an absolute path with a drive letter ("C:\Program Files\Demo").
bool HoldsDrivePath(const std::string& text);

// "<SOURCEFILEPATH>\" or the current script's folder.
std::string SourceRoot();

}  // namespace capture
