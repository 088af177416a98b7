// Custom actions and their places in the sequence tables, the conversion of the capture
// script's program and DLL calls into custom actions, and the Icon rows.
#pragma once

#include <cstdint>
#include <string>

namespace content {

// Writes the CustomAction row unless one of that name exists, then inserts the action after the
// anchor into InstallExecuteSequence, InstallUISequence and AdvtExecuteSequence.
void AddCustomAction(const std::string& name, const std::string& anchor, int32_t type,
                     const std::string& source, const std::string& target,
                     const std::string& condition);

// Inserts action after anchor (the first free number after it; 700 when the anchor is missing).
void InsertIntoSequence(const std::string& table, const std::string& action,
                        const std::string& anchor, const std::string& condition);

// A custom action of the capture script: the CustomAction row (unless one of that name
// exists), its place after the anchor in InstallExecuteSequence and, with inUiSequence, in
// InstallUISequence.
void AddScriptCustomAction(const std::string& name, const std::string& anchor, bool inUiSequence,
                           int32_t type, const std::string& source, const std::string& target,
                           const std::string& condition);

// The conversion step for the script's calls: the actions that set the all-users profile
// folder, one action per EXE and DLL call of the script, and the DLL wrapper of the project.
void ConvertScriptCalls();

// The key of the Icon row for an icon file and index, writing the row the first time. The key
// takes the target file's extension when the target is given and its extension differs, so an
// icon of app.ico for a shortcut to app.exe is "Icon_app.exe". Empty, after an error naming
// it, for an icon file outside the capture's folder or one that is no regular file.
std::string GetIconKey(const std::string& iconFile, int32_t iconIndex, const std::string& targetFile);

// Forgets the in-memory sequence lists (at the end of a conversion).
void ResetSequenceLists();
// Forgets the icon keys handed out (at the end of a conversion).
void ResetIconKeys();

}  // namespace content
