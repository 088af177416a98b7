// The folder notations of captured paths and the basic text operations on them. Every operation
// works in place on single-byte text and returns whether it changed it.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/text.h"

namespace capture {

using FolderRule = std::pair<std::string, std::string>;  // captured text, replacement

// The installer's standard folder properties, compared without regard to case.
const std::set<std::string, platform::LessNoCase>& KnownFolders();
// The folders of the user's profile (desktop, Start menu, application data, documents, ...):
// what the installer puts there is per user, and the folders it creates there must be removed
// again on uninstall. Folder property names, compared without regard to case.
bool IsUserProfileFolder(const std::string& folderProperty);
// "%windir%" and its kind: rewrites in order, each replacing its first occurrence (any case).
const std::vector<FolderRule>& PercentFolderRules();
// "\windir\" and its kind.
const std::vector<FolderRule>& BackslashFolderRules();
// Shortcut folder words by lower-case word ("programs" gives "[ProgramMenuFolder]").
const std::map<std::string, std::string>& ShortcutFolderWords();

// Replaces the first occurrence of find (any case) in text by replace.
bool ReplaceFirstNoCase(const std::string& find, const std::string& replace, std::string& text);

// Applies PercentFolderRules (on the text with a trailing '\'), then ApplyWindowsVolume in
// bracket form. Returns whether a rule hit.
bool NormalizePercentFolders(std::string& text);
bool NormalizeBackslashFolders(std::string& text);

// Only for scripts older than version 3.5 (or with no current script): the first "C:\" becomes
// "[WindowsVolume]" (bracketForm) or "windowsvolume\"; a text "C:" counts as "C:\".
bool ApplyWindowsVolume(std::string& text, bool bracketForm);

// Deletes the first "_Short(" and the first ')' after it.
bool StripShortMarker(std::string& text);

// "%NAME%" becomes "[Key]" when NAME names a folder property (FolderPropertyKey).
bool PercentPairToBracket(std::string& text);
// The folder property that a name between percent signs stands for, spelt as the installer
// needs it (its property names are case-sensitive): a standard folder in any letter case gives
// its own spelling ("programfilesfolder" gives "ProgramFilesFolder"); another directory of the
// open project counts only in the letter case of its key, so that an environment variable
// such as %TEMP% is not taken for a captured folder that happens to be keyed "Temp". Empty
// when the name is no folder property.
std::string FolderPropertyKey(const std::string& name);
// "%NAME%rest" becomes "NAME\rest".
bool PercentFolderToPlain(std::string& text);
// "[Folder]\App" becomes "[Folder]App".
bool DropBackslashAfterBracket(std::string& text);
// "[NAME]..." where NAME is a directory of the open project (without one: a known folder).
bool IsFolderReference(const std::string& text);

// Plain splitting at the last '\' (no '\': empty folder, the whole path is the file).
std::string FolderOfPath(const std::string& path);
void SplitPath(const std::string& path, std::string& folder, std::string& file);

}  // namespace capture
