#include "capture/folder_rules.h"

#include "capture/capture_script.h"
#include "platform/codepage.h"
#include "project/vpx_writer.h"

namespace capture {

const std::set<std::string, platform::LessNoCase>& KnownFolders() {
  static const std::set<std::string, platform::LessNoCase> folders = {
      "WindowsVolume",     "WindowsFolder",      "SystemFolder",        "System16Folder",
      "TempFolder",        "ProgramFilesFolder", "CommonFilesFolder",   "System64Folder",
      "CommonFiles64Folder", "StartMenuFolder",  "StartupFolder",       "NetHoodFolder",
      "PersonalFolder",    "SendToFolder",       "DesktopFolder",       "ProgramMenuFolder",
      "TemplateFolder",    "FontsFolder",        "FavoritesFolder",     "RecentFolder",
      "AppDataFolder",     "PrintHoodFolder",    "AdminToolsFolder",    "CommonAppDataFolder",
      "LocalAppDataFolder", "MyPicturesFolder",
  };
  return folders;
}

bool IsUserProfileFolder(const std::string& folderProperty) {
  static const std::set<std::string, platform::LessNoCase> folders = {
      "DesktopFolder",   "StartMenuFolder", "StartupFolder",  "ProgramMenuFolder", "SendToFolder",
      "TemplateFolder",  "FavoritesFolder", "PersonalFolder", "MyPicturesFolder",  "NetHoodFolder",
      "PrintHoodFolder", "RecentFolder",    "AppDataFolder",  "LocalAppDataFolder"};
  return folders.count(folderProperty) != 0;
}

const std::vector<FolderRule>& PercentFolderRules() {
  static const std::vector<FolderRule> rules = {
      {"%winsysdir%\\", "%SystemFolder%\\"},
      {"%windir%\\system32\\", "%SystemFolder%\\"},
      {"%programfilesdir%", "%ProgramFilesFolder%"},
      {"%commonfilesdir%", "%CommonFilesFolder%"},
      {"%windir%", "%WindowsFolder%"},
      {"%SystemRoot%\\system32\\", "%SystemFolder%\\"},
      {"\\SystemRoot\\system32\\", "%SystemFolder%\\"},
      {"\\SystemRoot\\", "%WindowsFolder%\\"},
  };
  return rules;
}

const std::vector<FolderRule>& BackslashFolderRules() {
  static const std::vector<FolderRule> rules = {
      {"\\winsysdir\\", "\\SystemFolder\\"},
      {"\\windir\\system32\\", "\\SystemFolder\\"},
      {"\\windir\\", "\\WindowsFolder\\"},
      {"\\programfilesdir\\", "\\ProgramFilesFolder\\"},
      {"\\commonfilesdir\\", "\\CommonFilesFolder\\"},
  };
  return rules;
}

const std::map<std::string, std::string>& ShortcutFolderWords() {
  static const std::map<std::string, std::string> words = {
      {"desktop", "[DesktopFolder]"},   {"programs", "[ProgramMenuFolder]"},
      {"start menu", "[StartMenuFolder]"}, {"sendto", "[SendToFolder]"},
      {"startup", "[StartupFolder]"},   {"appdata", "[AppDataFolder]"},
      {"personal", "[PersonalFolder]"}, {"recent", "[RecentFolder]"},
  };
  return words;
}

bool ReplaceFirstNoCase(const std::string& find, const std::string& replace, std::string& text) {
  if (find.empty()) return false;
  const size_t hit = platform::FindNoCase(text, find);
  if (hit == std::string::npos) return false;
  text.replace(hit, find.size(), replace);
  return true;
}

bool NormalizePercentFolders(std::string& text) {
  if (text.empty()) return false;
  const bool endedWithBackslash = text.back() == '\\';
  if (!endedWithBackslash) text += '\\';
  bool hit = false;
  for (const auto& [captured, replacement] : PercentFolderRules())
    hit |= ReplaceFirstNoCase(captured, replacement, text);
  ApplyWindowsVolume(text, true);
  if (!endedWithBackslash && !text.empty() && text.back() == '\\') text.pop_back();
  return hit;
}

bool NormalizeBackslashFolders(std::string& text) {
  bool hit = false;
  for (const auto& [captured, replacement] : BackslashFolderRules())
    hit |= ReplaceFirstNoCase(captured, replacement, text);
  return hit;
}

bool ApplyWindowsVolume(std::string& text, bool bracketForm) {
  const CaptureScript* script = CurrentCaptureScript();
  const float version = script ? script->ScriptVersionNumber() : 0.0f;
  if (version >= 3.5f) return false;
  if (platform::EqualsNoCase(text, "C:")) text += '\\';
  return ReplaceFirstNoCase("c:\\", bracketForm ? "[WindowsVolume]" : "windowsvolume\\", text);
}

bool StripShortMarker(std::string& text) {
  const size_t marker = text.find("_Short(");
  if (marker == std::string::npos) return false;
  text.erase(marker, 7);
  const size_t close = text.find(')', marker);
  if (close != std::string::npos) text.erase(close, 1);
  return true;
}

bool PercentPairToBracket(std::string& text) {
  const size_t open = text.find('%');
  if (open == std::string::npos) return false;
  const size_t close = text.find('%', open + 2);
  if (close == std::string::npos) return false;
  const std::string key = FolderPropertyKey(text.substr(open + 1, close - open - 1));
  if (key.empty()) return false;
  text.replace(open, close + 1 - open, "[" + key + "]");
  return true;
}

std::string FolderPropertyKey(const std::string& name) {
  if (name.empty() || !IsFolderReference("[" + name + "]")) return {};
  if (const auto standard = KnownFolders().find(name); standard != KnownFolders().end()) return *standard;
  const project::VpxWriter* writer = project::CurrentProjectWriter();
  if (writer == nullptr || !writer->IsOpen()) return {};
  return writer->KnownDirectoryKey(name) == name ? name : std::string();
}

bool PercentFolderToPlain(std::string& text) {
  if (text.empty() || text.front() != '%') return false;
  const size_t close = text.find('%', 1);
  if (close == std::string::npos || close < 2) return false;
  if (close + 1 < text.size() && text[close + 1] != '\\') text.insert(close + 1, "\\");
  text.erase(close, 1);
  text.erase(0, 1);
  return true;
}

bool DropBackslashAfterBracket(std::string& text) {
  const size_t hit = text.find("]\\", 1);
  if (hit == std::string::npos) return false;
  // After an environment reference ("[%USERPROFILE]\Documents") or an escaped character
  // ("[\]]\") the separator is part of the text: neither ends with one.
  const size_t open = text.rfind('[', hit);
  if (open != std::string::npos && open + 1 < hit && (text[open + 1] == '%' || text[open + 1] == '\\')) return false;
  text.erase(hit + 1, 1);
  return true;
}

bool IsFolderReference(const std::string& text) {
  if (text.empty() || text.front() != '[') return false;
  const size_t close = text.find(']', 1);
  if (close == std::string::npos) return false;
  const std::string name = text.substr(1, close - 1);
  if (name.empty()) return false;
  const project::VpxWriter* writer = project::CurrentProjectWriter();
  if (writer != nullptr && writer->IsOpen()) return writer->IsKnownDirectory(name);
  return KnownFolders().count(name) != 0;
}

std::string FolderOfPath(const std::string& path) {
  const size_t separator = platform::FindLastCharacter(path, '\\');
  return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

void SplitPath(const std::string& path, std::string& folder, std::string& file) {
  const size_t separator = platform::FindLastCharacter(path, '\\');
  if (separator == std::string::npos) {
    folder.clear();
    file = path;
  } else {
    folder = path.substr(0, separator);
    file = path.substr(separator + 1);
  }
}

}  // namespace capture
