#include "directory_tree.h"

#include <cctype>

#include "qv/installer_properties.h"
#include "short_names.h"

namespace qv::engine {

namespace {
constexpr size_t kKeyLength = 72;

std::string ParentOf(const Row& row) { return std::string(CellText(row[1])); }
std::string DefaultDirOf(const Row& row) { return std::string(CellText(row[2])); }

std::vector<std::string> SplitFolders(const std::string& path) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start <= path.size()) {
    size_t cut = path.find('\\', start);
    std::string name = path.substr(start, cut == std::string::npos ? std::string::npos : cut - start);
    if (!name.empty() && name != ".") names.push_back(name);
    if (cut == std::string::npos) break;
    start = cut + 1;
  }
  return names;
}
}  // namespace

std::string KeyFromName(const std::string& name, size_t maxLength) {
  std::string key;
  for (unsigned char c : name)
    if (std::isalnum(c) || c == '_' || c == '.') key += static_cast<char>(c);
  if (key.empty() || !(std::isalpha(static_cast<unsigned char>(key[0])) || key[0] == '_')) key = "_" + key;
  if (key.size() > maxLength) key.resize(maxLength);
  return key;
}

Table* DirectoryTree::Refresh(Database& db) {
  Table* table = db.FindTable("Directory");
  if (!table || table->Columns().size() < 3) return nullptr;
  if (table == table_ && table->Version() == version_) return table;
  children_.clear();
  shortNames_.clear();
  shortCounters_.clear();
  for (const auto& [key, id] : table->KeyOrder()) {
    const Row& row = *table->Get(id);
    Remember(std::string(CellText(row[0])), ParentOf(row), DefaultDirOf(row));
  }
  // INSTALLDIR answers for its folder even when another row names the same folder.
  RowId installDir;
  if (table->Find({TextCell(kInstallDir)}, &installDir)) {
    const Row& row = *table->Get(installDir);
    std::string shortName, longName;
    SplitShortLong(DefaultDirOf(row), &shortName, &longName);
    children_[{ParentOf(row), AsciiLower(longName)}] = kInstallDir;
  }
  table_ = table;
  version_ = table->Version();
  return table;
}

void DirectoryTree::Remember(const std::string& key, const std::string& parent, const std::string& defaultDir) {
  std::string shortName, longName;
  SplitShortLong(defaultDir, &shortName, &longName);
  children_.emplace(std::make_pair(parent, AsciiLower(longName)), key);
  ++shortNames_[{parent, AsciiUpper(shortName)}];
}

void DirectoryTree::Forget(const std::string& key, const std::string& parent, const std::string& defaultDir) {
  std::string shortName, longName;
  SplitShortLong(defaultDir, &shortName, &longName);
  auto child = children_.find({parent, AsciiLower(longName)});
  if (child != children_.end() && child->second == key) children_.erase(child);
  auto used = shortNames_.find({parent, AsciiUpper(shortName)});
  if (used != shortNames_.end() && --used->second == 0) shortNames_.erase(used);
}

std::string DirectoryTree::ChildKey(const std::string& parent, const std::string& longName) const {
  auto it = children_.find({parent, AsciiLower(longName)});
  return it == children_.end() ? std::string() : it->second;
}

bool IsPropertyName(Database& db, const std::string& name) {
  if (IsInstallerProperty(name)) return true;
  const Table* properties = db.FindTable("Property");
  return properties && properties->Find({TextCell(name)}, nullptr);
}

std::string DirectoryTree::NewKey(Database& db, const Table& table, const std::string& folderName) {
  // A Directory key is also a property: it must not be one the installer or the package sets.
  auto taken = [&](const std::string& key) { return table.Find({TextCell(key)}, nullptr) || IsPropertyName(db, key); };
  std::string base = KeyFromName(folderName, kKeyLength - 8);
  if (!taken(base)) return base;
  int& next = keyCounters_[base];
  for (;;) {
    std::string key = base + std::to_string(++next);
    if (!taken(key)) return key;
  }
}

std::string DirectoryTree::NewDefaultDir(const std::string& parent, const std::string& longName) {
  int& next = shortCounters_[{parent, ShortNameStem(longName)}];
  std::string shortName = MakeShortName(
      longName,
      [&](const std::string& candidate) {
        auto it = shortNames_.find({parent, candidate});
        return it != shortNames_.end() && it->second > 0;
      },
      &next);
  return ShortLongName(shortName, longName);
}

HResult DirectoryTree::Parse(Database& db, const std::string& folder, std::string* start, std::vector<std::string>* names) {
  Table* table = Refresh(db);
  if (!table) return kNotFound;
  if (folder.empty()) return kInvalidArg;
  std::string rest;
  if (folder[0] == '[') {
    size_t close = folder.find(']');
    if (close == std::string::npos || close == 1) return kInvalidArg;
    *start = folder.substr(1, close - 1);
    rest = folder.substr(close + 1);
  } else if (folder.size() >= 2 && std::isalpha(static_cast<unsigned char>(folder[0])) && folder[1] == ':') {
    *start = kTargetDir;
    rest = folder.substr(2);
  } else if (folder[0] == '\\') {
    *start = kTargetDir;
    rest = folder;
  } else if (folder.find('\\') == std::string::npos && table->Find({TextCell(folder)}, nullptr)) {
    *start = folder;
  } else if (folder.find('\\') == std::string::npos) {
    return kNotFound;
  } else {
    return kInvalidArg;
  }
  if (!table->Find({TextCell(*start)}, nullptr)) return kNotFound;
  *names = SplitFolders(rest);
  for (const std::string& name : *names)
    if (name != ".." && !IsValidLongName(name)) return kBadValue;
  return kOk;
}

HResult DirectoryTree::Descend(Database& db, Table& table, std::string key, const std::vector<std::string>& names, std::string* result) {
  for (const std::string& name : names) {
    if (name == "..") {
      RowId id;
      table.Find({TextCell(key)}, &id);
      std::string parent = ParentOf(*table.Get(id));
      if (parent.empty() || parent == key) return kInvalidArg;
      key = parent;
      continue;
    }
    std::string child = ChildKey(key, name);
    if (child.empty()) {
      child = NewKey(db, table, name);
      std::string defaultDir = NewDefaultDir(key, name);
      HResult hr = table.Insert({TextCell(child), TextCell(key), TextCell(defaultDir)});
      if (Failed(hr)) return hr;
      Remember(child, key, defaultDir);
      version_ = table.Version();
    }
    key = child;
  }
  *result = key;
  return kOk;
}

HResult DirectoryTree::KeyForPath(Database& db, const std::string& folder, std::string* key) {
  std::string start;
  std::vector<std::string> names;
  HResult hr = Parse(db, folder, &start, &names);
  if (Failed(hr)) return hr;
  return Descend(db, *db.FindTable("Directory"), start, names, key);
}

bool DirectoryTree::IsInside(const Table& table, const std::string& key, const std::string& ancestor) const {
  std::string current = key;
  for (size_t steps = 0; steps <= table.RowCount() && !current.empty(); ++steps) {
    if (current == ancestor) return true;
    RowId id;
    if (!table.Find({TextCell(current)}, &id)) return false;
    std::string parent = ParentOf(*table.Get(id));
    if (parent == current) return false;
    current = parent;
  }
  return false;
}

HResult DirectoryTree::PlaceInstallDir(Database& db, const std::string& folder) {
  std::string start;
  std::vector<std::string> names;
  HResult hr = Parse(db, folder, &start, &names);
  if (Failed(hr)) return hr;
  Table& table = *db.FindTable("Directory");
  std::string name = ".";
  if (!names.empty() && names.back() != "..") {
    name = names.back();
    names.pop_back();
  }
  std::string parent;
  hr = Descend(db, table, start, names, &parent);
  if (Failed(hr)) return hr;
  if (IsInside(table, parent, kInstallDir)) return kInvalidArg;

  RowId id;
  if (!table.Find({TextCell(kInstallDir)}, &id)) {
    std::string defaultDir = name == "." ? "." : NewDefaultDir(parent, name);
    hr = table.Insert({TextCell(kInstallDir), TextCell(parent), TextCell(defaultDir)});
    if (Succeeded(hr)) Remember(kInstallDir, parent, defaultDir);
  } else {
    const Row& row = *table.Get(id);
    Forget(kInstallDir, ParentOf(row), DefaultDirOf(row));
    std::string defaultDir = name == "." ? "." : NewDefaultDir(parent, name);
    hr = table.Update(id, {TextCell(kInstallDir), TextCell(parent), TextCell(defaultDir)});
    Remember(kInstallDir, parent, defaultDir);
  }
  if (Failed(hr)) return hr;
  children_[{parent, AsciiLower(name)}] = kInstallDir;
  version_ = table.Version();
  return kOk;
}

}  // namespace qv::engine
