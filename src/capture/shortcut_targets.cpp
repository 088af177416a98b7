// The shortcuts of the capture and their targets.
#include "capture/shortcut_targets.h"

#include <memory>
#include <set>

#include "capture/capture_filter.h"
#include "capture/capture_script.h"
#include "capture/path_translation.h"
#include "options/project_options.h"
#include "platform/codepage.h"
#include "platform/text.h"

namespace capture {

namespace {

using TargetSet = std::set<std::string, platform::LessNoCase>;

struct ShortcutLists {
  bool ignoreListRead = false;
  std::vector<std::string> ignoredTargets;
  std::unique_ptr<TargetSet> targets;  // built on first use
  std::vector<std::string> targetOrder;
};

ShortcutLists& Lists() {
  static ShortcutLists lists;
  return lists;
}

std::string TrimBlanksAndQuotes(const std::string& text) {
  const size_t first = text.find_first_not_of(" \"");
  if (first == std::string::npos) return std::string();
  const size_t last = text.find_last_not_of(" \"");
  return text.substr(first, last - first + 1);
}

const std::vector<std::string>& IgnoredTargets() {
  ShortcutLists& lists = Lists();
  if (!lists.ignoreListRead) {
    lists.ignoredTargets = options::ReadSectionList("IgnoreShortcuts");
    lists.ignoreListRead = true;
  }
  return lists.ignoredTargets;
}

// The folder the capture filters are asked about: the shortcut's folder with its leading
// folder word expanded.
std::string ExpandedFolder(const std::string& folder) {
  std::string expanded = folder;
  MapShortcutFolder(expanded);
  return expanded;
}

const TargetSet& Targets() {
  ShortcutLists& lists = Lists();
  if (!lists.targets) {
    lists.targets = std::make_unique<TargetSet>();
    if (const CaptureScript* script = CurrentCaptureScript()) {
      for (const ShortcutEntry& shortcut : script->Shortcuts()) {
        if (IsSkippedShortcut(shortcut)) continue;
        std::string target = SplitShortcutCommandLine(shortcut.commandLine).target;
        ToInstallerPath(target, true, false);
        if (lists.targets->insert(target).second) lists.targetOrder.push_back(target);
      }
    }
  }
  return *lists.targets;
}

}  // namespace

// The position of ".exe" is taken in the command line without its surrounding blanks and
// quotes, and the target is cut from that same text, so that a quoted path keeps its first
// character; the arguments follow the closing quote.
ShortcutCommand SplitShortcutCommandLine(const std::string& commandLine) {
  ShortcutCommand command;
  const std::string trimmed = TrimBlanksAndQuotes(commandLine);
  const size_t exe = platform::ToLower(trimmed).find(".exe");
  if (exe == std::string::npos) {
    command.target = trimmed;
    return command;
  }
  command.target = trimmed.substr(0, exe + 4);
  const size_t start = commandLine.find_first_not_of(" \"");
  std::string rest = commandLine.substr(start + exe + 4);
  if (!rest.empty() && rest.front() == '"') rest.erase(0, 1);
  command.arguments = platform::TrimLeft(rest);
  return command;
}

bool IsSkippedShortcut(const ShortcutEntry& shortcut) {
  const std::string target = SplitShortcutCommandLine(shortcut.commandLine).target;
  if (target.empty()) return true;
  for (const std::string& ignored : IgnoredTargets())
    if (platform::EqualsNoCase(target, ignored)) return true;
  if (platform::ToLower(shortcut.linkName).find("uninstall") != std::string::npos) return true;
  return CurrentCaptureFilter().IsShortcutExcluded(ExpandedFolder(shortcut.folder),
                                                            shortcut.linkName);
}

bool IsShortcutTarget(const std::string& installerPath) {
  return Targets().count(installerPath) != 0;
}

std::vector<std::string> ShortcutTargetPaths() {
  Targets();
  return Lists().targetOrder;
}

std::vector<std::string> ShortcutTargetFileNames() {
  std::vector<std::string> names;
  for (const std::string& target : ShortcutTargetPaths()) {
    // "[INSTALLDIR]app.exe" names app.exe.
    const size_t separator = platform::FindLastOfCharacters(target, "\\]");
    names.push_back(separator == std::string::npos ? target : target.substr(separator + 1));
  }
  return names;
}

void ResetShortcutTargets() { Lists() = ShortcutLists(); }

}  // namespace capture
