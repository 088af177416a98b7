// Which captured shortcuts count, and the files they point to. The component writer gives each
// shortcut target a component of its own (an advertised shortcut launches its component's key
// file); merge module selection keeps the modules whose files shortcuts point to.
#pragma once

#include <string>
#include <vector>

namespace capture {

struct ShortcutEntry;

// A shortcut's command line split into the target (up to and including the first ".exe") and
// the arguments; without ".exe" the whole command line is the target.
struct ShortcutCommand {
  std::string target;
  std::string arguments;
};
ShortcutCommand SplitShortcutCommandLine(const std::string& commandLine);

// True when the shortcut gives no row: no target, a target listed in the options' section
// "IgnoreShortcuts", an uninstall link, or a shortcut the capture filters exclude.
bool IsSkippedShortcut(const ShortcutEntry& shortcut);

// True when the installer-form path is the target of a captured shortcut (case ignored).
bool IsShortcutTarget(const std::string& installerPath);
// The shortcut targets in installer form ("[SystemFolder]app.exe"), in capture order: the keys
// under which the knowledge base holds the targets' components.
std::vector<std::string> ShortcutTargetPaths();
// The file names of the shortcut targets (the part after the last backslash or folder
// property).
std::vector<std::string> ShortcutTargetFileNames();

// Forgets the target list and the ignore list (at the end of a conversion).
void ResetShortcutTargets();

}  // namespace capture
