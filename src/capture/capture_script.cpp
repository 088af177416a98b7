#include "capture/capture_script.h"

#include <string_view>

#include "capture/install_condition.h"
#include "capture/path_translation.h"
#include "capture/registry_model.h"
#include "capture/text_edit.h"
#include "capture/text_lines.h"
#include "core/cancellation.h"
#include "core/messages.h"
#include "core/repackager_exception.h"
#include "platform/codepage.h"
#include "platform/host_paths.h"

namespace capture {
namespace {

constexpr int kUnrecognizedLine = 22004;

CaptureScript* currentScript = nullptr;

[[noreturn]] void Unrecognized() { core::ThrowMessage(kUnrecognizedLine); }

bool StartsWith(const std::string& line, std::string_view word) { return line.starts_with(word); }

// Where "('" first stands (or '(' for the calls), compared with the position a command needs.
bool FirstAt(const std::string& line, std::string_view what, size_t position) {
  return line.find(what) == position;
}

// The first "')" of the line stands at its last two characters.
bool EndsWithQuoteParen(const std::string& line) {
  const size_t at = line.find("')");
  return at != std::string::npos && at + 2 == line.size();
}

// The text from position from, less the last dropLast characters (empty when nothing is left).
std::string Middle(const std::string& line, size_t from, size_t dropLast) {
  if (from + dropLast >= line.size()) return {};
  return line.substr(from, line.size() - from - dropLast);
}

int32_t ToInt32(const std::string& text) {
  const long value = platform::Atol(text);
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

// From script version 4.0 on, "[Folder]" is written "%Folder%\" in these commands' lines.
bool TakesBracketFolderForm(const std::string& line) {
  for (std::string_view word : {"AddIni", "InstallFileList", "Feature", "MakeDir", "CreateLink",
                                "DeleteFileList"})
    if (line.starts_with(word)) return true;
  return false;
}

std::string BracketFolderForm(const std::string& line) {
  std::string result;
  result.reserve(line.size() + 8);
  for (size_t i = 0; i < line.size();) {
    const size_t length = platform::CharacterLength(line, i);  // a trail byte may look like '['
    if (length == 1 && line[i] == '[') result += '%';
    else if (length == 1 && line[i] == ']') result += "%\\";
    else result.append(line, i, length);
    i += length;
  }
  return result;
}

// A trailing ",<n>" of a shortcut's icon argument: the icon index.
bool CutIconIndex(std::string& iconFile, int32_t& iconIndex) {
  const size_t comma = iconFile.rfind(',');
  if (comma == std::string::npos) return false;
  const std::string number = platform::Trim(iconFile.substr(comma + 1));
  size_t digits = (!number.empty() && (number[0] == '-' || number[0] == '+')) ? 1 : 0;
  if (digits == number.size()) return false;
  for (size_t i = digits; i < number.size(); ++i)
    if (number[i] < '0' || number[i] > '9') return false;
  iconIndex = ToInt32(number);
  iconFile.erase(comma);
  return true;
}

}  // namespace

CaptureScript* CurrentCaptureScript() { return currentScript; }
void SetCurrentCaptureScript(CaptureScript* script) { currentScript = script; }

CaptureScript::CaptureScript(std::string scriptPath) : scriptPath_(std::move(scriptPath)) {}

CaptureScript::~CaptureScript() {
  if (currentScript == this) currentScript = nullptr;
}

void CaptureScript::SetScriptFolder() {
  const std::string fullPath = platform::FullPath(scriptPath_);
  const size_t separator = platform::LastSeparator(fullPath);
  scriptFolder_ = separator == std::string::npos ? std::string() : fullPath.substr(0, separator + 1);
}

void CaptureScript::ReadScript() {
  SetScriptFolder();
  if (!platform::FileExists(scriptPath_)) return;
  ReadScriptText(ReadCapturedFile(scriptPath_));
}

void CaptureScript::ReadScriptText(std::string contents) {
  TextLines lines(std::move(contents), scriptPath_);
  std::string_view line;
  while (lines.Next(line)) {
    core::TestCancel();
    currentLine_ = lines.LineNumber();
    try {
      HandleScriptLine(std::string(line));
    } catch (const core::repackager_exception&) {
      core::LogTrace(core::kTraceGeneral, "%s(%zu): this line ends the reading",
                     scriptPath_.c_str(), lines.LineNumber());
      throw;
    }
  }
  if (registry_ != nullptr) registry_->FinishValue();  // an AddIni block left open
}

void CaptureScript::HandleScriptLine(const std::string& rawLine) {
  const std::string line = platform::Trim(rawLine);
  if (line.empty()) return;
  sourcePathIndex_.reset();
  try {
    HandleCommand(line);
  } catch (const core::repackager_exception&) {
    core::LogMessage(core::kWarning, "Unrecognized script command: '" + platform::Excerpt(line) + "'");
    throw;
  }
}

void CaptureScript::HandleCommand(const std::string& line) {
  if (line.front() == '!') {
    if (line.compare(0, 25, "!************************") == 0) captureMethod_ = kSnapshot;
    else if (line.compare(0, 25, "!========================") == 0) captureMethod_ = kInstallMonitor;
    return;
  }
  if (HandleLeadingCommand(line) || HandleBlockLine(line)) return;
  const std::string rewritten =
      scriptVersionNumber_ >= 4.0f && TakesBracketFolderForm(line) ? BracketFolderForm(line) : line;
  if (HandleOtherCommand(rewritten)) return;
  ReadFileEntry(line);
}

bool CaptureScript::HandleLeadingCommand(const std::string& line) {
  if (StartsWith(line, "CreatedBy")) {
    ReadCreatedBy(line);
  } else if (StartsWith(line, "OSInfo")) {
    ReadOsInfo(line);
  } else if (StartsWith(line, "ModifyOemEx")) {
    inModifyOemEx_ = true;
    ReadModifyOemEx(line);
  } else if (StartsWith(line, "OrigSetup(")) {
    // Nothing to convert.
  } else if (StartsWith(line, "EndProc")) {
    CloseBlock();
  } else {
    return false;
  }
  return true;
}

bool CaptureScript::HandleBlockLine(const std::string& line) {
  if (inDeleteFileList_) {
    FileEntry entry;
    entry.name = line;
    entry.scriptLine = currentLine_;
    deletedFiles_[currentFolder_].push_back(std::move(entry));
  } else if (inFeature_) {
    if (!currentFeature_.blockText.empty()) currentFeature_.blockText += '\t';
    currentFeature_.blockText += line;
  } else if (inDll_) {
    if (!currentDllCall_.blockText.empty()) currentDllCall_.blockText += '\t';
    currentDllCall_.blockText += line;
  } else if (inAddIni_) {
    ReadIniLine(line);
  } else if (inModifyOemEx_) {
    oemEdits_[currentOemBlock_].push_back(line);
  } else {
    return false;
  }
  return true;
}

bool CaptureScript::HandleOtherCommand(const std::string& line) {
  if (StartsWith(line, "AddIni")) ReadAddIni(line);
  else if (StartsWith(line, "ScriptVersion")) ReadScriptVersion(line);
  else if (StartsWith(line, "Set")) ReadSet(line);
  else if (StartsWith(line, "InstallFileList")) ReadInstallFileList(line);
  else if (StartsWith(line, "Feature")) ReadFeature(line);
  else if (StartsWith(line, "DLL")) ReadDll(line);
  else if (StartsWith(line, "EXE")) ReadExe(line);
  else if (StartsWith(line, "MakeDir")) ReadMakeDir(line);
  else if (StartsWith(line, "RegLoad")) {
    registryLoadFile_ = ReadRegistryFileName(line, 7);
    registryLoadLine_ = currentLine_;
  }
  else if (StartsWith(line, "CreateLink")) ReadCreateLink(line);
  else if (StartsWith(line, "AppendPath")) ReadAppendPath(line);
  else if (StartsWith(line, "RegDelete")) {
    registryDeleteFile_ = ReadRegistryFileName(line, 9);
    registryDeleteLine_ = currentLine_;
  }
  else if (StartsWith(line, "DeleteFileList")) ReadDeleteFileList(line);
  else if (StartsWith(line, "InstallTTF")) {
    // Fonts arrive as ordinary files.
  } else {
    return false;
  }
  return true;
}

void CaptureScript::ReadCreatedBy(const std::string& line) {
  if (!StartsWith(line, "CreatedBy(")) return;
  switch (platform::Atol(Middle(line, 10, 1))) {
    case 0: captureMethod_ = kInstallMonitor; break;
    case 1: captureMethod_ = kSnapshot; break;
    case 3: captureMethod_ = kLoggingCapture; break;
    default: captureMethod_ = kUnknownCaptureMethod; break;
  }
}

void CaptureScript::ReadOsInfo(const std::string& line) {
  if (!FirstAt(line, "('", 6) && !EndsWithQuoteParen(line)) return;
  // OSInfo('a','b','c','language'): skip three quoted arguments.
  std::string rest = line.size() > 8 ? line.substr(8) : std::string();
  for (int skipped = 0; skipped < 3; ++skipped) {
    const size_t quote = rest.find('\'');
    if (quote == std::string::npos) return;
    rest.erase(0, std::min(quote + 3, rest.size()));
  }
  const size_t end = rest.find('\'');
  if (end == std::string::npos) return;
  captureLanguage_ = rest.substr(0, end);
}

void CaptureScript::ReadModifyOemEx(const std::string& line) {
  if (line.compare(11, 2, "('") != 0) Unrecognized();
  const size_t end = line.find('\'', 13);
  currentOemBlock_ = line.substr(13, end == std::string::npos ? std::string::npos : end - 13);
}

void CaptureScript::CloseBlock() {
  if (inAddIni_) {
    inAddIni_ = false;
    if (registry_ != nullptr) registry_->FinishValue();
  } else if (inDeleteFileList_) {
    inDeleteFileList_ = false;
  } else if (inFeature_) {
    inFeature_ = false;
    features_.push_back(currentFeature_);
  } else if (inDll_) {
    inDll_ = false;
    dllCalls_.push_back(currentDllCall_);
  } else if (inModifyOemEx_) {
    inModifyOemEx_ = false;
  }
}

void CaptureScript::ReadAddIni(const std::string& line) {
  inAddIni_ = true;
  if (registry_ == nullptr) return;
  currentIniFile_ = Middle(line, 8, 2);
}

void CaptureScript::ReadIniLine(const std::string& line) {
  if (registry_ == nullptr || line.front() == ';') return;
  if (currentIniFile_.empty()) Unrecognized();
  if (line.front() != '[') {
    registry_->ReadRegistryLine(line, true);
    return;
  }
  // "[Section]" becomes the key "[HKEY_INIFILES\file|Section]". A one-letter section ("[a]",
  // its ']' at position 2) is a section like any other.
  const size_t close = line.find(']');
  const std::string section = close != std::string::npos && close >= 2 ? line.substr(1, close) : line;
  registry_->ReadRegistryLine("[HKEY_INIFILES\\" + currentIniFile_ + "|" + section, true);
}

void CaptureScript::ReadScriptVersion(const std::string& line) {
  scriptVersion_ = Middle(line, 15, 2);
  scriptVersionNumber_ = static_cast<float>(platform::Atof(scriptVersion_));
}

void CaptureScript::ReadSet(const std::string& line) {
  if (!FirstAt(line, "('", 3) && !EndsWithQuoteParen(line)) Unrecognized();
  const size_t separator = line.find("','");
  if (separator == std::string::npos) Unrecognized();
  const std::string name = platform::Trim(separator > 5 ? line.substr(5, separator - 5) : "");
  std::string value = platform::Trim(Middle(line, separator + 3, 2));
  value = ReplaceAll(value, "''", "'");
  scriptVariables_[name] = value;
}

void CaptureScript::ReadInstallFileList(const std::string& line) {
  if (!FirstAt(line, "('", 15)) Unrecognized();
  const size_t lastQuote = line.rfind('\'');
  std::string folder = lastQuote != std::string::npos && lastQuote > 17 ? line.substr(17, lastQuote - 17) : "";
  folder = ReplaceAll(folder, "''", "'");
  while (!folder.empty() && (folder.back() == '\\' || folder.back() == ' ' || folder.back() == '\t'))
    folder.pop_back();
  folder = ReplaceAll(folder, "''", "'");
  currentFolder_ = folder;
  currentCondition_ = BuildInstallCondition(line, fileListExtra_);
}

void CaptureScript::ReadDeleteFileList(const std::string& line) {
  if (!FirstAt(line, "('", 14)) Unrecognized();
  const size_t end = line.find('\'', 16);
  currentFolder_ = end != std::string::npos ? line.substr(16, end - 16) : Middle(line, 16, 1);
  inDeleteFileList_ = true;
}

void CaptureScript::ReadFeature(const std::string& line) {
  inFeature_ = true;
  if (!FirstAt(line, "('", 7)) return;
  std::string arguments = Middle(line, 9, 2);
  arguments = ReplaceAll(arguments, "','", "\t");
  const std::vector<std::string> parts = Split(arguments, '\t');
  if (parts.size() < 4) return;
  currentFeature_ = FeatureEntry{parts[0], parts[1], parts[2], parts[3], ""};
}

void CaptureScript::ReadDll(const std::string& line) {
  inDll_ = true;
  if (!FirstAt(line, "(", 3)) return;
  const std::vector<std::string> parts = Split(Middle(line, 4, 1), '|');
  if (parts.size() < 6) return;
  currentDllCall_ = DllCallEntry{parts[0], parts[1], parts[2], parts[3], parts[4], "",
                                 platform::Atol(parts[5]) != 0, currentLine_};
}

void CaptureScript::ReadExe(const std::string& line) {
  if (!FirstAt(line, "(", 3)) return;
  const std::vector<std::string> parts = Split(Middle(line, 4, 1), '|');
  if (parts.size() < 5) return;
  exeCalls_.push_back(
      ExeCallEntry{parts[0], parts[1], parts[2], parts[3], platform::Atol(parts[4]) != 0, currentLine_});
}

void CaptureScript::ReadMakeDir(const std::string& line) {
  std::string arguments = Middle(line, 9, 2);
  std::erase(arguments, '\'');
  const std::vector<std::string> parts = Split(arguments, ',');
  folders_.push_back(FolderEntry{parts[0], parts.size() >= 4 ? parts[3] : ""});
}

std::string CaptureScript::ReadRegistryFileName(const std::string& line, size_t openAt) {
  if (!FirstAt(line, "('", openAt) || !EndsWithQuoteParen(line)) Unrecognized();
  // Only the file name counts: the registry files lie beside the script, wherever the capture
  // was made.
  const std::string path = Middle(line, openAt + 2, 2);
  const size_t separator = platform::LastSeparator(path);
  return scriptFolder_ + (separator == std::string::npos ? path : path.substr(separator + 1));
}

void CaptureScript::ReadCreateLink(const std::string& rawLine) {
  // A doubled quote inside an argument stands for one quote; "''," and a final "''" are empty
  // arguments. The character after a doubled quote is taken as it is.
  std::string line;
  line.reserve(rawLine.size());
  for (size_t from = 0; from < rawLine.size();) {
    const size_t at = rawLine.find("''", from);
    if (at == std::string::npos) {
      line.append(rawLine, from);
      break;
    }
    if (at + 2 < rawLine.size() && rawLine[at + 2] != ',') {
      line.append(rawLine, from, at + 1 - from);
      line += rawLine[at + 2];
      from = at + 3;
    } else {
      line.append(rawLine, from, at + 2 - from);
      from = at + 2;
    }
  }
  if (!FirstAt(line, "('", 10) && !EndsWithQuoteParen(line)) Unrecognized();

  const std::string rest = Middle(line, 12, 1);
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t cut = rest.find("','"); cut != std::string::npos; cut = rest.find("','", start)) {
    std::string part = platform::TrimLeft(std::string_view(rest).substr(start, cut - start));
    part.erase(0, std::min(part.find_first_not_of('\''), part.size()));
    parts.push_back(std::move(part));
    start = cut + 3;
  }
  if (start < rest.size()) parts.push_back(rest.substr(start, rest.size() - start - 1));
  if (parts.size() < 5) Unrecognized();

  ShortcutEntry shortcut;
  shortcut.linkName = parts[0];
  shortcut.commandLine = parts[1];
  shortcut.commandLine = ReplaceAll(shortcut.commandLine, "''", "'");
  shortcut.workingDirectory = parts[2];
  shortcut.workingDirectory.erase(
      0, std::min(shortcut.workingDirectory.find_first_not_of('"'), shortcut.workingDirectory.size()));
  while (!shortcut.workingDirectory.empty() && shortcut.workingDirectory.back() == '"')
    shortcut.workingDirectory.pop_back();
  shortcut.iconFile = parts[3];
  CutIconIndex(shortcut.iconFile, shortcut.iconIndex);
  shortcut.folder = parts[4];
  if (parts.size() >= 8) shortcut.feature = parts[7];
  shortcuts_.push_back(std::move(shortcut));
}

void CaptureScript::ReadAppendPath(const std::string& line) {
  if (!FirstAt(line, "('", 10) && !EndsWithQuoteParen(line)) Unrecognized();
  const size_t end = line.find('\'', 12);
  if (end == std::string::npos) Unrecognized();
  appendPath_ = line.substr(12, end - 12);
  appendPathTS_ = line.size() >= 5 && platform::EqualsNoCase(line.substr(line.size() - 5), "')/TS");
}

void CaptureScript::ReadFileEntry(const std::string& line) {
  FileEntry entry;
  const size_t bar = platform::FindCharacter(line, '|');
  entry.name = line.substr(0, bar);
  std::string attributes = bar == std::string::npos ? std::string() : line.substr(bar + 1);
  if (!attributes.empty()) {
    if (attributes.back() != '|') attributes += '|';
    size_t position = 0;
    // Each attribute runs up to the next '|'; when none is left it is 0 or empty.
    auto next = [&]() -> std::string {
      const size_t end = attributes.find('|', position);
      if (end == std::string::npos) return {};
      std::string field = attributes.substr(position, end - position);
      position = end + 1;
      return field;
    };
    entry.field1 = ToInt32(next());
    entry.field2 = ToInt32(next());
    entry.field3 = next();
    entry.field4 = ToInt32(next());
    next();  // field 5 is not used
    entry.field6 = ToInt32(next()) > 0;
    entry.field7 = ToInt32(next()) > 0;
    entry.field8 = next();
    entry.field9 = ToInt32(next()) != 0;
  }
  entry.condition = currentCondition_;
  entry.scriptLine = currentLine_;
  installedFiles_[currentFolder_].push_back(std::move(entry));
}

const std::set<std::string, platform::LessNoCase>& CaptureScript::SourcePathIndex() const {
  if (!sourcePathIndex_) {
    sourcePathIndex_ = std::make_unique<std::set<std::string, platform::LessNoCase>>();
    for (const auto& [folder, files] : installedFiles_)
      for (const FileEntry& file : files) sourcePathIndex_->insert(MakeSourcePath(file.name, folder));
  }
  return *sourcePathIndex_;
}

bool CaptureScript::ContainsFile(const std::string& targetPath) const {
  std::string target = targetPath;
  NormalizeForCompare(target, false);
  return SourcePathIndex().count(target) != 0;
}

}  // namespace capture
