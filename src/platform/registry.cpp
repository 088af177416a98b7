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
};

struct RegistryKey {
  std::string path;  // "HKEY_LOCAL_MACHINE\Software\..."
  std::vector<RegistryValue> values;

  RegistryValue* FindValue(const std::string& name) {
    for (RegistryValue& value : values)
      if (!value.isDefault && EqualsNoCase(value.name, name)) return &value;
    return nullptr;
  }
};

// The registry file: its keys in file order, indexed by path without regard to case.
struct RegistryDocument {
  std::vector<RegistryKey> keys;
  std::map<std::string, size_t, LessNoCase> byPath;

  RegistryKey* FindKey(const std::string& path) {
    auto found = byPath.find(path);
    return found == byPath.end() ? nullptr : &keys[found->second];
  }
  RegistryKey& AddKey(const std::string& path) {
    byPath.emplace(path, keys.size());
    keys.push_back(RegistryKey{path, {}});
    return keys.back();
  }
  // A key exists when it is written or when a key below it is (parents exist implicitly).
  bool KeyExists(const std::string& path) const {
    if (byPath.count(path)) return true;
    const std::string prefix = path + "\\";
    auto below = byPath.lower_bound(prefix);
    return below != byPath.end() && StartsWithNoCase(below->first, prefix);
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

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

// Parses a REGEDIT4 file. False when any line is not REGEDIT4 (a broken or cut-off file).
bool Parse(const std::string& text, RegistryDocument* document) {
  const std::vector<std::string> lines = Lines(text);
  size_t i = 0;
  while (i < lines.size() && Trim(lines[i]).empty()) ++i;
  if (i == lines.size() || Trim(lines[i]) != kHeader) return false;
  RegistryKey* current = nullptr;
  for (++i; i < lines.size(); ++i) {
    const std::string line = Trim(lines[i]);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      if (line.back() != ']' || line.size() < 3) return false;
      const std::string path = line.substr(1, line.size() - 2);
      current = document->FindKey(path);
      if (!current) current = &document->AddKey(path);
      continue;
    }
    if (!current) return false;
    RegistryValue value;
    size_t pos = 0;
    if (line[0] == '@') {
      value.isDefault = true;
      pos = 1;
    } else if (line[0] != '"' || !ReadQuoted(line, &pos, &value.name)) {
      return false;
    }
    if (pos >= line.size() || line[pos] != '=') return false;
    ++pos;
    if (pos < line.size() && line[pos] == '"') {
      if (!ReadQuoted(line, &pos, &value.data) || !Trim(line.substr(pos)).empty()) return false;
    } else {
      // dword:, hex: and the like: kept as written, with their continuation lines.
      value.isString = false;
      value.data = line.substr(pos);
      while (!value.data.empty() && value.data.back() == '\\') {
        if (++i == lines.size()) return false;
        value.data += "\r\n" + lines[i];
      }
      if (value.data.empty()) return false;
    }
    current->values.push_back(std::move(value));
  }
  return true;
}

std::string Serialize(const RegistryDocument& document) {
  std::string text = std::string(kHeader) + "\r\n\r\n";
  for (const RegistryKey& key : document.keys) {
    text += "[" + key.path + "]\r\n";
    for (const RegistryValue& value : key.values) {
      text += value.isDefault ? std::string("@") : Quote(value.name);
      text += "=";
      text += value.isString ? Quote(value.data) : value.data;
      text += "\r\n";
    }
    text += "\r\n";
  }
  return text;
}

enum class LoadResult { kLoaded, kMissing, kUnusable };

LoadResult Load(const std::string& hostPath, RegistryDocument* document) {
  FileIdentity identity;
  if (!IdentifyFile(hostPath, &identity)) return LoadResult::kMissing;
  std::string bytes;
  DecodedText decoded;
  if (!ReadFile(hostPath, &bytes) || !DecodeTextFile(bytes, &decoded) ||
      !Parse(decoded.text, document)) {
    *document = RegistryDocument();
    return LoadResult::kUnusable;
  }
  return LoadResult::kLoaded;
}

// The parsed file, reused while it is unchanged on disk. A missing, unreadable or broken file
// reads as an empty registry.
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

// Loads the file for a change, applies change and writes the file back atomically. A file that
// exists but cannot be read as REGEDIT4 is never overwritten.
template <class Change>
bool Modify(Change change) {
  const std::string host = ResolveHostPath(RegistryFilePath());
  RegistryDocument document;
  const LoadResult loaded = Load(host, &document);
  if (loaded == LoadResult::kUnusable) return false;
  if (!change(document)) return false;
  const size_t separator = LastSeparator(host);
  if (loaded == LoadResult::kMissing && separator != std::string::npos && separator > 0 &&
      !CreateDirectories(host.substr(0, separator))) {
    return false;
  }
  return WriteFileAtomically(host, Serialize(document));
}

}  // namespace

std::string RegistryFilePath() {
  const char* explicitPath = std::getenv("FERNCLIP_REGISTRY");
  if (explicitPath && *explicitPath) return explicitPath;
  std::string config;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg) {
    config = xdg;
  } else {
    const char* home = std::getenv("HOME");
    config = std::string(home && *home ? home : ".") + "/.config";
  }
  return config + "/fernclip/registry.reg";
}

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
    if (!target) target = &document.AddKey(path);
    RegistryValue* existing = target->FindValue(name);
    if (existing) {
      existing->isString = true;
      existing->data = value;
    } else {
      target->values.push_back(RegistryValue{name, false, true, value});
    }
    return true;
  });
}

bool DeleteRegistryValue(RegistryRoot root, const std::string& key, const std::string& name) {
  return Modify([&](RegistryDocument& document) {
    RegistryKey* target = document.FindKey(FullKeyPath(root, key));
    if (!target) return false;
    for (auto it = target->values.begin(); it != target->values.end(); ++it) {
      if (!it->isDefault && EqualsNoCase(it->name, name)) {
        target->values.erase(it);
        return true;
      }
    }
    return false;
  });
}

}  // namespace platform
