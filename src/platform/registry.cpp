#include "platform/registry.h"

#include <cstdlib>
#include <map>
#include <memory>
#include <vector>

#include "platform/host_paths.h"
#include "platform/text.h"
#include "platform/text_file.h"

namespace platform {

namespace {

constexpr const char* kHeader = "REGEDIT4";

struct RegistryValue {
  std::string name;       // empty with isDefault for the key's default value ("@")
  bool isDefault = false;
  bool isString = true;
  std::string data;       // the text of a string value; the data as written for other types
  size_t firstLine = 0;   // the lines that hold it (more than one for continued hex data)
  size_t lastLine = 0;
};

struct RegistryKey {
  std::string path;  // "HKEY_LOCAL_MACHINE\Software\..."
  std::vector<RegistryValue> values;
  size_t lastLine = 0;  // the last line of its block: where a new value goes

  RegistryValue* FindValue(const std::string& name) {
    for (RegistryValue& value : values)
      if (!value.isDefault && EqualsNoCase(value.name, name)) return &value;
    return nullptr;
  }
};

// The registry file as written (its lines and line ends, kept for writing it back with only the
// changed value different) and what it says: its keys in file order, indexed by path without
// regard to case, and the lines that are not REGEDIT4.
struct RegistryDocument {
  TextEncoding encoding = TextEncoding::kAnsi;
  std::vector<std::string> lines;    // without line ends
  std::vector<std::string> endings;  // the line end of each line ("" for a last line without one)
  std::vector<RegistryFileProblem> problems;
  std::vector<RegistryKey> keys;
  std::map<std::string, size_t, LessNoCase> byPath;

  RegistryKey* FindKey(const std::string& path) {
    auto found = byPath.find(path);
    return found == byPath.end() ? nullptr : &keys[found->second];
  }
  RegistryKey& AddKey(const std::string& path) {
    byPath.emplace(path, keys.size());
    keys.push_back(RegistryKey{path, {}, 0});
    return keys.back();
  }
  // A key exists when it is written or when a key below it is (parents exist implicitly).
  bool KeyExists(const std::string& path) const {
    if (byPath.count(path)) return true;
    const std::string prefix = path + "\\";
    auto below = byPath.lower_bound(prefix);
    return below != byPath.end() && StartsWithNoCase(below->first, prefix);
  }
  std::string LineEnding() const {
    for (const std::string& ending : endings)
      if (!ending.empty()) return ending;
    return "\r\n";
  }
  std::string Text() const {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) text += lines[i] + endings[i];
    return text;
  }
};

std::string RootName(RegistryRoot) { return "HKEY_LOCAL_MACHINE"; }

// Root and key joined, with doubled and trailing backslashes removed.
std::string FullKeyPath(RegistryRoot root, const std::string& key) {
  std::string path = RootName(root) + "\\";
  for (char c : key) {
    if (c == '\\' && path.back() == '\\') continue;
    path += c;
  }
  if (path.back() == '\\') path.pop_back();
  return path;
}

// Reads a quoted text starting at line[*pos] == '"'; unescapes \\ and \". False when the
// closing quote is missing.
bool ReadQuoted(const std::string& line, size_t* pos, std::string* text) {
  text->clear();
  for (size_t i = *pos + 1; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '\\' && i + 1 < line.size() && (line[i + 1] == '\\' || line[i + 1] == '"')) {
      *text += line[++i];
    } else if (c == '"') {
      *pos = i + 1;
      return true;
    } else {
      *text += c;
    }
  }
  return false;
}

std::string Quote(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

std::string ValueLine(const RegistryValue& value) {
  return (value.isDefault ? std::string("@") : Quote(value.name)) + "=" + (value.isString ? Quote(value.data) : value.data);
}

void SplitLines(const std::string& text, RegistryDocument* document) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    const bool lastWithoutEnd = end == std::string::npos;
    if (lastWithoutEnd) end = text.size();
    const bool crlf = !lastWithoutEnd && end > start && text[end - 1] == '\r';
    document->lines.push_back(text.substr(start, (crlf ? end - 1 : end) - start));
    document->endings.emplace_back(lastWithoutEnd ? "" : crlf ? "\r\n" : "\n");
    start = end + 1;
  }
}

// One value line (and its continuation lines, *i moves to the last) into value. False when the
// line is not a REGEDIT4 value.
bool ParseValue(const std::vector<std::string>& lines, size_t* i, RegistryValue* value) {
  const std::string line = Trim(lines[*i]);
  size_t pos = 0;
  if (line[0] == '@') {
    value->isDefault = true;
    pos = 1;
  } else if (line[0] != '"' || !ReadQuoted(line, &pos, &value->name)) {
    return false;
  }
  if (pos >= line.size() || line[pos] != '=') return false;
  ++pos;
  if (pos < line.size() && line[pos] == '"') return ReadQuoted(line, &pos, &value->data) && Trim(line.substr(pos)).empty();
  // dword:, hex: and the like: kept as written, with their continuation lines.
  value->isString = false;
  value->data = line.substr(pos);
  size_t last = *i;
  while (!value->data.empty() && value->data.back() == '\\') {
    if (++last == lines.size()) return false;
    value->data += "\r\n" + lines[last];
  }
  if (value->data.empty() || value->data[0] == ' ' || value->data.find(':') == std::string::npos) return false;
  *i = last;
  return true;
}

// Reads every REGEDIT4 line of the text; each other line is a problem and is skipped (a value
// line after a broken key line belongs to no key and is skipped too).
void Parse(const std::string& text, RegistryDocument* document) {
  SplitLines(text, document);
  const std::vector<std::string>& lines = document->lines;
  auto bad = [document](size_t index) { document->problems.push_back({index + 1, document->lines[index]}); };
  RegistryKey* current = nullptr;
  bool headerSeen = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string line = Trim(lines[i]);
    if (line.empty() || line[0] == ';') continue;
    if (!headerSeen) {
      headerSeen = true;
      if (line == kHeader) continue;
      bad(i);  // another header, or none: the lines that follow are still read
      if (line[0] != '[') continue;
    }
    if (line[0] == '[') {
      current = nullptr;
      if (line.back() != ']' || line.size() < 3) {
        bad(i);
        continue;
      }
      const std::string path = line.substr(1, line.size() - 2);
      current = document->FindKey(path);
      if (!current) current = &document->AddKey(path);
      current->lastLine = i;
      continue;
    }
    RegistryValue value;
    value.firstLine = i;
    if (!current || !ParseValue(lines, &i, &value)) {
      bad(i);
      continue;
    }
    value.lastLine = i;
    current->lastLine = i;
    current->values.push_back(std::move(value));
  }
}

enum class LoadResult { kLoaded, kMissing, kUnusable };

LoadResult Load(const std::string& hostPath, RegistryDocument* document) {
  FileIdentity identity;
  if (!IdentifyFile(hostPath, &identity)) return LoadResult::kMissing;
  std::string bytes;
  DecodedText decoded;
  if (!ReadFile(hostPath, &bytes) || !DecodeTextFile(bytes, &decoded)) {
    *document = RegistryDocument();
    document->problems.push_back({0, std::string()});
    return LoadResult::kUnusable;
  }
  document->encoding = decoded.encoding;
  Parse(decoded.text, document);
  return LoadResult::kLoaded;
}

// The parsed file, reused while it is unchanged on disk. A missing or unreadable file reads as
// an empty registry.
std::shared_ptr<RegistryDocument> Current() {
  static std::string cachedPath;
  static FileIdentity cachedIdentity;
  static std::shared_ptr<RegistryDocument> cached;
  const std::string host = ResolveHostPath(RegistryFilePath());
  FileIdentity identity;
  if (!IdentifyFile(host, &identity)) return std::make_shared<RegistryDocument>();
  if (cached && cachedPath == host && cachedIdentity == identity) return cached;
  auto document = std::make_shared<RegistryDocument>();
  Load(host, document.get());
  cached = document;
  cachedPath = host;
  cachedIdentity = identity;
  return document;
}

// Loads the file for a change, applies change to its lines and writes the file back atomically.
// A file with lines that are not REGEDIT4, or that cannot be read, is never rewritten: what the
// user wrote there stays as it was.
template <class Change>
bool Modify(Change change) {
  const std::string host = ResolveHostPath(RegistryFilePath());
  RegistryDocument document;
  const LoadResult loaded = Load(host, &document);
  if (!document.problems.empty()) return false;
  if (Trim(document.Text()).empty()) {  // missing or empty
    document.lines = {kHeader, ""};
    document.endings = {"\r\n", "\r\n"};
  }
  if (!change(document)) return false;
  const size_t separator = LastSeparator(host);
  if (loaded == LoadResult::kMissing && separator != std::string::npos && separator > 0 &&
      !CreateDirectories(host.substr(0, separator))) {
    return false;
  }
  return WriteFileAtomically(host, EncodeTextFile(document.encoding, document.Text()));
}

// Replaces lines [first, last] by one line that ends as the last of them did.
void ReplaceLines(RegistryDocument& document, size_t first, size_t last, const std::string& line) {
  const std::string ending = document.endings[last];
  document.lines.erase(document.lines.begin() + first + 1, document.lines.begin() + last + 1);
  document.endings.erase(document.endings.begin() + first + 1, document.endings.begin() + last + 1);
  document.lines[first] = line;
  document.endings[first] = ending;
}

void InsertLine(RegistryDocument& document, size_t at, const std::string& line) {
  const std::string eol = document.LineEnding();
  if (at > 0 && document.endings[at - 1].empty()) document.endings[at - 1] = eol;
  document.lines.insert(document.lines.begin() + at, line);
  document.endings.insert(document.endings.begin() + at, eol);
}

}  // namespace

std::string RegistryFilePath() {
  std::string setting;
  const char* explicitPath = std::getenv("FERNCLIP_REGISTRY");
  if (explicitPath && *explicitPath) {
    setting = explicitPath;
  } else {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    setting = (xdg && *xdg ? std::string(xdg) : std::string(home && *home ? home : ".") + "/.config") +
              "/fernclip/registry.reg";
  }
  // A relative path is taken from the folder where it was first asked for (the program asks at
  // its start, before it moves into its own folder), and stays that file.
  static std::string lastSetting, resolved;
  if (setting != lastSetting || resolved.empty()) {
    lastSetting = setting;
    resolved = FullPath(setting);
  }
  return resolved;
}

std::vector<RegistryFileProblem> RegistryFileProblems() { return Current()->problems; }

bool RegistryKeyExists(RegistryRoot root, const std::string& key) {
  return Current()->KeyExists(FullKeyPath(root, key));
}

std::optional<std::string> ReadRegistryString(RegistryRoot root, const std::string& key,
                                              const std::string& name) {
  RegistryKey* found = Current()->FindKey(FullKeyPath(root, key));
  if (!found) return std::nullopt;
  const RegistryValue* value = found->FindValue(name);
  if (!value || !value->isString) return std::nullopt;
  return value->data;
}

bool WriteRegistryString(RegistryRoot root, const std::string& key, const std::string& name,
                         const std::string& value) {
  // REGEDIT4 holds a string value on one line.
  if (value.find_first_of("\r\n") != std::string::npos ||
      name.find_first_of("\r\n") != std::string::npos ||
      key.find_first_of("\r\n[]") != std::string::npos) {
    return false;
  }
  return Modify([&](RegistryDocument& document) {
    const std::string path = FullKeyPath(root, key);
    RegistryKey* target = document.FindKey(path);
    if (RegistryValue* existing = target ? target->FindValue(name) : nullptr) {
      // The name keeps its spelling in the file.
      ReplaceLines(document, existing->firstLine, existing->lastLine,
                   ValueLine(RegistryValue{existing->name, false, true, value}));
    } else if (target) {
      InsertLine(document, target->lastLine + 1, ValueLine(RegistryValue{name, false, true, value}));
    } else {
      if (!Trim(document.lines.back()).empty()) InsertLine(document, document.lines.size(), "");
      InsertLine(document, document.lines.size(), "[" + path + "]");
      InsertLine(document, document.lines.size(), ValueLine(RegistryValue{name, false, true, value}));
      InsertLine(document, document.lines.size(), "");
    }
    return true;
  });
}

bool DeleteRegistryValue(RegistryRoot root, const std::string& key, const std::string& name) {
  return Modify([&](RegistryDocument& document) {
    RegistryKey* target = document.FindKey(FullKeyPath(root, key));
    RegistryValue* value = target ? target->FindValue(name) : nullptr;
    if (!value) return false;
    document.lines.erase(document.lines.begin() + value->firstLine, document.lines.begin() + value->lastLine + 1);
    document.endings.erase(document.endings.begin() + value->firstLine, document.endings.begin() + value->lastLine + 1);
    return true;
  });
}

}  // namespace platform
