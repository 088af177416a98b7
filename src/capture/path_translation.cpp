#include "capture/path_translation.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <vector>

#include "capture/capture_script.h"
#include "capture/formatted_text.h"
#include "capture/text_edit.h"
#include "core/messages.h"
#include "options/project_options.h"
#include "platform/codepage.h"
#include "platform/host_paths.h"
#include "project/custom_actions.h"
#include "project/vpx_writer.h"

namespace capture {
namespace {

constexpr int kSetDirectoryAction = 35;

struct InstallDirState {
  std::string path;
  bool enabled = true;
};

InstallDirState& InstallDir() {
  static InstallDirState state;
  return state;
}

project::VpxWriter* OpenProjectWriter() {
  project::VpxWriter* writer = project::CurrentProjectWriter();
  return writer != nullptr && writer->IsOpen() ? writer : nullptr;
}

const std::map<std::string, std::string>* CurrentVariables() {
  const CaptureScript* script = CurrentCaptureScript();
  return script ? &script->ScriptVariables() : nullptr;
}

std::string CurrentScriptFolder() {
  const CaptureScript* script = CurrentCaptureScript();
  return script ? script->ScriptFolder() : std::string();
}

// "\\server\share...": at least three characters and a further '\' after position 2 that is not
// the last character.
bool IsNetworkPath(const std::string& path) {
  if (path.size() < 3 || path.compare(0, 2, "\\\\") != 0) return false;
  const size_t separator = path.find('\\', 3);
  return separator != std::string::npos && separator != path.size() - 1;
}

void AddTrailingBackslash(std::string& text) {
  if (text.empty() || text.back() != '\\') text += '\\';
}

// The name of a leading "%NAME%" or "[NAME]" reference, and where it closes.
bool LeadingReference(const std::string& text, std::string& name, size_t& close) {
  if (text.empty() || (text.front() != '%' && text.front() != '[')) return false;
  close = text.find(text.front() == '%' ? '%' : ']', 1);
  if (close == std::string::npos) return false;
  name = text.substr(1, close - 1);
  return true;
}

// A captured folder in the form it has inside captured file names: a leading script variable
// by its name, percent folders plain, a '\' at both ends, lower case.
std::string FolderCompareForm(const std::string& folder) {
  std::string form = folder;
  std::string name;
  size_t close = 0;
  const auto* variables = CurrentVariables();
  if (variables != nullptr && LeadingReference(form, name, close) && variables->count(name) != 0) {
    if (!name.empty() && name.front() == '_') name.erase(0, 1);
    form.replace(0, close + 1, name);
  }
  AddTrailingBackslash(form);
  NormalizePercentFolders(form);
  PercentFolderToPlain(form);
  return platform::ToLower("\\" + form);
}

// A lower-case, backslash-normalised copy of a captured file name, for finding its folder in it,
// and a way back from a position in the copy to the same place in the file name: the folder
// rules may have made the text before it longer or shorter ("\\windir\\" is "\\WindowsFolder\\").
class FileNameCompareForm {
 public:
  explicit FileNameCompareForm(const std::string& fileName) : text_(fileName) {
    for (const auto& [captured, replacement] : BackslashFolderRules()) {
      const size_t hit = platform::FindNoCase(text_, captured);
      if (hit == std::string::npos) continue;
      text_.replace(hit, captured.size(), replacement);
      edits_.push_back({hit, captured.size(), replacement.size()});
    }
    text_ = platform::ToLower(text_);
  }
  const std::string& Text() const { return text_; }
  size_t OriginalPosition(size_t position) const {
    for (auto edit = edits_.rbegin(); edit != edits_.rend(); ++edit) {
      if (position >= edit->at + edit->newLength)
        position = position - edit->newLength + edit->oldLength;
      else if (position > edit->at)
        position = edit->at;
    }
    return position;
  }

 private:
  struct Edit {
    size_t at, oldLength, newLength;
  };
  std::string text_;
  std::vector<Edit> edits_;
};

// The next '%' from position on that may begin a folder reference: the '%' of an environment
// reference already in installer form ("[%USERPROFILE]") begins none.
size_t NextPathReference(const std::string& text, size_t position) {
  size_t at = text.find('%', position);
  while (at != std::string::npos && at > 0 && text[at - 1] == '[') at = text.find('%', at + 1);
  return at;
}

std::string TailFrom(const std::string& text, size_t position) {
  return position < text.size() ? text.substr(position) : std::string();
}

}  // namespace

void SetInstallDirPath(const std::string& path) {
  std::string dir = path;
  if (!dir.empty()) {
    NormalizePercentFolders(dir);
    // A variable may name another; a cycle of variables must not loop for ever.
    const auto* variables = CurrentVariables();
    const size_t maxExpansions = variables ? variables->size() + 1 : 0;
    for (size_t i = 0; i < maxExpansions && ApplyScriptVariable(dir, true); ++i) {
    }
    PercentPairToBracket(dir);
    DropBackslashAfterBracket(dir);
    AddTrailingBackslash(dir);
  }
  InstallDir().path = dir;
}

const std::string& InstallDirPath() { return InstallDir().path; }

void SetInstallDirEnabled(bool enabled) { InstallDir().enabled = enabled; }

bool ApplyScriptVariable(std::string& text, bool plainMode) {
  const auto* variables = CurrentVariables();
  std::string name;
  size_t close = 0;
  if (variables == nullptr || !LeadingReference(text, name, close)) return false;
  const auto found = variables->find(name);
  if (found == variables->end()) return false;

  std::string rest = text.substr(close + 1);
  std::string value = found->second;
  ApplyWindowsVolume(value, true);
  if (!plainMode && !IsNetworkPath(value) && value.find(':') != std::string::npos) {
    if (project::VpxWriter* writer = OpenProjectWriter()) {
      const std::string directory = writer->DirectoryForPath(value, name);
      if (!directory.empty()) {
        text = "[" + directory + "]" + rest;
        return true;
      }
    }
  }
  if (!value.empty()) {
    AddTrailingBackslash(value);
    if (!rest.empty() && rest.front() == '\\') rest.erase(0, 1);
  }
  text = value + rest;
  return true;
}

bool ApplyInstallDir(std::string& text) {
  const InstallDirState& installDir = InstallDir();
  if (text.empty() || installDir.path.empty() || !installDir.enabled) return false;
  const bool quoted = text.front() == '"';
  std::string work = quoted ? text.substr(1) : text;
  const bool addedBackslash = work.empty() || work.back() != '\\';
  if (addedBackslash) work += '\\';

  bool replaced = false;
  if (platform::StartsWithNoCase(work, installDir.path)) {
    work = "[INSTALLDIR]" + work.substr(installDir.path.size());
    replaced = true;
  } else {
    std::string copy = work;
    if (ApplyScriptVariable(copy, true)) {
      ApplyWindowsVolume(copy, true);
      AddTrailingBackslash(copy);
      if (platform::StartsWithNoCase(copy, installDir.path)) {
        work = "[INSTALLDIR]" + copy.substr(installDir.path.size());
        replaced = true;
      }
    }
  }
  if (addedBackslash && !work.empty() && work.back() == '\\') work.pop_back();
  text = quoted ? "\"" + work : work;
  return replaced;
}

bool ApplyEnvironmentFolder(std::string& text, bool directoryMode) {
  project::VpxWriter* writer = OpenProjectWriter();
  if (writer == nullptr || text.size() < 2 || text.front() != '[' || text[1] == '\\') return false;
  const size_t close = text.find(']', 1);
  if (close == std::string::npos) return false;
  const std::string name = text.substr(1, close - 1);
  if (name.empty() || name != platform::ToUpper(name) || name == "USERNAME" ||
      name.find_first_of("! ()~") != std::string::npos)
    return false;

  if (!directoryMode) {
    // An environment value does not end with a separator as a folder property does: the one
    // that the folder rules took away comes back.
    if (close + 1 < text.size() && text[close + 1] != '\\') text.insert(close + 1, "\\");
    text.insert(1, "%");
    return true;
  }
  // The folder comes from the environment at install time: a directory property set by a
  // custom action after costing.
  const std::string property = "Qv" + name.substr(0, name.find('\''));
  project::AddCustomAction(property, "CostFinalize", kSetDirectoryAction, property, "[%" + name + "]",
                           "");
  if (!writer->IsKnownDirectory(property)) writer->AddDirectory(property, "TARGETDIR", ".");
  text.replace(1, close - 1, property);
  return true;
}

namespace {

// A folder that begins with an environment variable ("%SystemRoot%\Fonts", "%TEMP%\Sub", as
// version-4 scripts write "[TEMP]Sub"): a variable that names a standard folder becomes that
// folder; another upper-case one becomes "[NAME]", which the environment folders take.
bool EnvironmentVariableToBracket(std::string& text) {
  static const std::map<std::string, std::string, platform::LessNoCase> standardFolders = {
      {"SystemRoot", "WindowsFolder"},        {"ProgramFiles", "ProgramFilesFolder"},
      {"CommonProgramFiles", "CommonFilesFolder"}, {"ProgramData", "CommonAppDataFolder"},
      {"APPDATA", "AppDataFolder"},           {"LOCALAPPDATA", "LocalAppDataFolder"}};
  if (text.size() < 3 || text.front() != '%') return false;
  const size_t close = text.find('%', 1);
  if (close == std::string::npos || close < 2) return false;
  const std::string name = text.substr(1, close - 1);
  if (const auto standard = standardFolders.find(name); standard != standardFolders.end()) {
    text.replace(0, close + 1, "[" + standard->second + "]");
    return true;
  }
  if (name != platform::ToUpper(name)) return false;
  text.replace(0, close + 1, "[" + name + "]");
  return true;
}

}  // namespace

bool ToInstallerPath(std::string& text, bool directoryMode, bool plainVariables) {
  if (text.empty()) return false;
  const std::string original = text;
  bool changed = ApplyScriptVariable(text, plainVariables);
  changed |= NormalizePercentFolders(text);
  changed |= PercentPairToBracket(text);
  changed |= DropBackslashAfterBracket(text);
  changed |= text != original;
  if (ApplyInstallDir(text)) return true;
  if (IsFolderReference(text)) return changed;
  if (ApplyEnvironmentFolder(text, directoryMode)) return true;
  return changed;
}

bool ToInstallerFolder(std::string& text, bool directoryMode, bool plainVariables) {
  bool changed = ToInstallerPath(text, directoryMode, plainVariables);
  // A folder (unlike a value, which the target machine expands) named by an environment
  // variable that nothing above knew.
  if (directoryMode && EnvironmentVariableToBracket(text)) {
    ToInstallerPath(text, directoryMode, plainVariables);
    changed = true;
  }
  AddTrailingBackslash(text);
  DropBackslashAfterBracket(text);
  return changed;
}

namespace {

// The references of one stretch of a longer text: a "%NAME%" reference and what follows it up to
// the next reference. atEnd: the stretch ends the text.
void ConvertStretch(std::string& stretch, bool atEnd, bool directoryMode, bool plainVariables, size_t& passes,
                    size_t maxPasses) {
  size_t position = 0;
  while (position != std::string::npos && passes++ < maxPasses) {
    const std::string before = stretch;
    std::string rest = stretch.substr(position);
    ToInstallerPath(rest, directoryMode, plainVariables);
    if (atEnd) AddTrailingBackslash(rest);
    stretch.replace(position, std::string::npos, rest);
    const bool changed = !platform::EqualsNoCase(stretch, before);
    StripShortMarker(stretch);
    if (!changed) break;
    // A variable may have expanded into further references.
    position = NextPathReference(stretch, position + 2);
  }
}

// Where the next "%NAME%" reference at or after from begins: a '%' whose name up to the next '%'
// is not empty and holds no separator, quote or blank. Other percent signs ("50%", the escaped
// "%%", the '%' of "[%NAME]") are text.
size_t NextReference(const std::string& text, size_t from) {
  for (size_t open = text.find('%', from); open != std::string::npos; open = text.find('%', from)) {
    if (open > 0 && text[open - 1] == '[') {  // "[%NAME]": already in installer form
      from = open + 1;
      continue;
    }
    const size_t close = text.find('%', open + 1);
    if (close == std::string::npos) return std::string::npos;
    const std::string_view name = std::string_view(text).substr(open + 1, close - open - 1);
    if (!name.empty() && name.find_first_of("\\/;\"', \t") == std::string_view::npos) return open;
    from = close == open + 1 ? close + 1 : close;
  }
  return std::string::npos;
}

}  // namespace

bool ConvertEmbeddedPaths(std::string& text, bool directoryMode, bool plainVariables) {
  if (text.empty()) return false;
  const std::string original = text;
  const bool endedWithBackslash = text.back() == '\\';
  StripShortMarker(text);
  // The text is converted stretch by stretch, each from one '%' reference to the next, so that
  // the time grows with the text's length, not with its square. Every pass moves on by at least
  // two characters; variables that expand into further references cannot make it run for ever.
  const size_t maxPasses = text.size() + 1;
  size_t passes = 0;
  std::string result;
  result.reserve(text.size() + text.size() / 4);
  size_t copied = 0;
  for (size_t position = NextReference(text, 0); position != std::string::npos && passes < maxPasses;) {
    const size_t next = NextReference(text, text.find('%', position + 1) + 1);
    const size_t end = next == std::string::npos ? text.size() : next;
    result.append(text, copied, position - copied);
    std::string stretch = text.substr(position, end - position);
    ConvertStretch(stretch, end == text.size(), directoryMode, plainVariables, passes, maxPasses);
    result += stretch;
    copied = end;
    position = next;
  }
  text = result.append(text, copied);
  if (!endedWithBackslash && !text.empty() && text.back() == '\\') text.pop_back();
  return text != original;
}

void ToFormattedText(std::string& text) {
  if (text.find('%') != std::string::npos) {
    std::string converted = text;
    if (ToInstallerPath(converted, false, true)) {
      text = converted;
      return;
    }
  }
  text = ReplaceAll(text, "%%", "%");
  text = EscapeFormattedText(text);
}

void ConvertValuePath(std::string& text) {
  StripShortMarker(text);
  NormalizePercentFolders(text);
  ApplyScriptVariable(text, false);
  DropBackslashAfterBracket(text);
}

void SplitFolderAndFile(std::string& path, std::string& fileName) {
  const size_t separator = platform::FindLastCharacter(path, '\\');
  if (separator == std::string::npos) {
    fileName = path;
    path = "[WindowsFolder]";
    return;
  }
  fileName = path.substr(separator + 1);
  path.erase(separator);
  ToInstallerPath(path, true, false);
}

void MapShortcutFolder(std::string& text) {
  const size_t separator = text.find('\\');
  const size_t length = separator == std::string::npos ? text.size() : separator;
  const auto& words = ShortcutFolderWords();
  const auto found = words.find(platform::ToLower(text.substr(0, length)));
  if (found != words.end()) {
    text.replace(0, length, found->second);
    DropBackslashAfterBracket(text);
  }
  ToInstallerPath(text, true, false);
}

void SplitCommandLine(const std::string& command, std::string& executable, std::string& arguments) {
  executable.clear();
  arguments.clear();
  if (command.empty()) return;
  std::string line = command;
  line = ReplaceAll(line, "\\\"", "\"");
  const std::string lower = platform::ToLower(line);

  if (const size_t at = lower.find("rundll32.exe "); at != std::string::npos) {
    executable = line.substr(at);
    const size_t comma = executable.find(',');
    if (comma != std::string::npos) {
      arguments = executable.substr(comma + 1);
      executable.erase(comma);
    }
    return;
  }
  const size_t at = lower.find(".exe");
  if (at == std::string::npos) return;
  executable = line.substr(0, std::min(at + 5, line.size()));
  executable.erase(0, executable.find_first_not_of('"') == std::string::npos
                          ? executable.size()
                          : executable.find_first_not_of('"'));
  while (!executable.empty() && (executable.back() == '"' || executable.back() == ' '))
    executable.pop_back();
  ConvertValuePath(executable);
  if (line.size() > at + 5) arguments = platform::Trim(line.substr(at + 5));
}

void WarnMachineSpecificPath(const std::string& path) {
  core::LogMessage(core::kWarning,
                   "The path '" + platform::Excerpt(path) +
                           "' appears to be a machine-specific path. The repackaged installation may not "
                           "function if this path does not exist on client machines.");
}

bool HoldsDrivePath(const std::string& text) {
  for (size_t colon = text.find(":\\", 1); colon != std::string::npos; colon = text.find(":\\", colon + 1)) {
    const unsigned char drive = static_cast<unsigned char>(text[colon - 1]);
    const bool letter = (drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z');
    const bool starts = colon == 1 || !std::isalnum(static_cast<unsigned char>(text[colon - 2]));
    if (letter && starts) return true;
  }
  return false;
}

std::string SourceRoot() {
  if (options::Options().EnablePathVariables()) return "<SOURCEFILEPATH>\\";
  return CurrentScriptFolder();
}

// A captured name whose folder is not found in it: a relative name lies in the capture's folder
// (never in the program's), an absolute one stays as it is.
std::string SourceAsGiven(const std::string& fileName) {
  if (fileName.empty() || platform::IsSeparator(fileName.front())) return fileName;
  return SourceRoot() + fileName;
}

std::string MakeSourcePath(const std::string& fileName, const std::string& folder) {
  if (fileName.empty() || folder.empty()) return SourceAsGiven(fileName);
  std::string taken;
  if (platform::StartsWithNoCase(fileName, "%SCRIPTFOLDER%")) {
    taken = fileName.substr(14);
  } else {
    const std::string form = FolderCompareForm(folder);
    const FileNameCompareForm compare(fileName);
    std::string copy = compare.Text();
    size_t at = copy.find(form);
    if (at != std::string::npos) {
      taken = TailFrom(fileName, compare.OriginalPosition(at));
    } else {
      ApplyWindowsVolume(copy, false);
      at = copy.find(form);
      if (at == std::string::npos) return SourceAsGiven(fileName);
      taken = at == 0 ? "WindowsVolume" + TailFrom(fileName, 2) : TailFrom(fileName, compare.OriginalPosition(at));
    }
  }
  taken = ReplaceAll(taken, "%%", "%");
  taken.erase(0, std::min(taken.find_first_not_of('\\'), taken.size()));
  return SourceRoot() + taken;
}

bool MakeScriptRelative(std::string& path, const std::string& folder) {
  const FileNameCompareForm compare(path);
  const size_t at = compare.Text().find(FolderCompareForm(folder));
  if (at == std::string::npos) return false;
  std::string kept = TailFrom(path, compare.OriginalPosition(at));
  const std::string scriptFolder = CurrentScriptFolder();
  if (!scriptFolder.empty() && platform::IsSeparator(scriptFolder.back()) && !kept.empty() &&
      kept.front() == '\\')
    kept.erase(0, 1);
  path = scriptFolder + kept;
  return true;
}

void NormalizeForCompare(std::string& text, bool useScriptFolder) {
  StripShortMarker(text);
  NormalizeBackslashFolders(text);
  if (text.starts_with("%_")) text.erase(1, 1);
  if (PercentFolderToPlain(text)) {
    DropBackslashAfterBracket(text);
    text = (useScriptFolder ? CurrentScriptFolder() : SourceRoot()) + text;
  }
}

void NormalizeFolderAndFile(std::string& path) {
  const size_t separator = platform::FindLastCharacter(path, '\\');
  if (separator != std::string::npos) {
    const std::string fileName = path.substr(separator + 1);
    std::string folder = path.substr(0, separator + 1);
    NormalizePercentFolders(folder);
    ApplyScriptVariable(folder, false);
    AddTrailingBackslash(folder);
    path = folder + fileName;
  }
  DropBackslashAfterBracket(path);
}

}  // namespace capture
