// Reading one merge module with the engine's own MSI reader.
#include <cctype>
#include <cstdio>
#include <map>
#include <memory>
#include <set>

#include "module_entry.h"
#include "msi_file.h"

namespace qv::engine {

namespace {

// The Windows Installer's standard folder properties: a module's Directory chain that reaches
// one of them installs below that folder.
const std::set<std::string, std::less<>> kStandardFolders = {
    "AdminToolsFolder",   "AppDataFolder",       "CommonAppDataFolder", "CommonFiles64Folder",
    "CommonFilesFolder",  "DesktopFolder",       "FavoritesFolder",     "FontsFolder",
    "LocalAppDataFolder", "MyPicturesFolder",    "NetHoodFolder",       "PersonalFolder",
    "PrintHoodFolder",    "ProgramFiles64Folder", "ProgramFilesFolder", "ProgramMenuFolder",
    "RecentFolder",       "SendToFolder",        "StartMenuFolder",     "StartupFolder",
    "System16Folder",     "System64Folder",      "SystemFolder",        "TempFolder",
    "TemplateFolder",     "WindowsFolder",       "WindowsVolume"};

// A module's keys carry its GUID as a suffix ("SystemFolder.8E2F6A10_4B3C_..."): the key
// without it.
std::string WithoutModuleSuffix(const std::string& key) {
  const size_t dot = key.rfind('.');
  if (dot == std::string::npos || key.size() - dot - 1 != 36) return key;
  for (size_t i = dot + 1; i < key.size(); ++i)
    if (!std::isxdigit(static_cast<unsigned char>(key[i])) && key[i] != '_') return key;
  return key.substr(0, dot);
}

// The target name of a DefaultDir value ("target:source", "short|long"); "." and empty give
// no folder of their own.
std::string TargetName(const std::string& defaultDir) {
  std::string target = defaultDir.substr(0, defaultDir.find(':'));
  const size_t bar = target.find('|');
  if (bar != std::string::npos) target = target.substr(bar + 1);
  return target == "." ? std::string() : target;
}

int Column(const Table& table, const char* name) { return table.ColumnIndex(name); }

std::string Text(const Row& row, int column) {
  if (column < 0 || static_cast<size_t>(column) >= row.size()) return {};
  if (const std::optional<int32_t> number = row[column].Number()) return std::to_string(*number);
  return std::string(CellText(row[column]));
}

// The folder of each Directory key, as ModuleFile::folder describes it.
class DirectoryFolders {
 public:
  explicit DirectoryFolders(const Table& directories)
      : table_(directories),
        parent_(Column(directories, "Directory_Parent")),
        defaultDir_(Column(directories, "DefaultDir")) {}

  std::string FolderOf(const std::string& key) {
    auto known = folders_.find(key);
    if (known != folders_.end()) return known->second;
    // Walk up to a standard folder; a chain that loops or breaks off gives no folder.
    std::vector<std::string> names;
    std::string current = key;
    std::string folder;
    for (size_t steps = 0; steps <= table_.RowCount(); ++steps) {
      const std::string plain = WithoutModuleSuffix(current);
      if (kStandardFolders.count(plain)) {
        folder = plain;
        for (auto name = names.rbegin(); name != names.rend(); ++name) folder += "\\" + *name;
        break;
      }
      RowId id;
      if (!table_.Find({TextCell(current)}, &id)) break;
      const Row& row = *table_.Get(id);
      const std::string parent = Text(row, parent_);
      if (parent.empty() || parent == current) break;
      const std::string name = TargetName(Text(row, defaultDir_));
      if (!name.empty()) names.push_back(name);
      current = parent;
    }
    return folders_[key] = folder;
  }

 private:
  const Table& table_;
  int parent_;
  int defaultDir_;
  std::map<std::string, std::string> folders_;
};

}  // namespace

std::string NormalizedVersion(const std::string& text) {
  unsigned parts[4] = {0, 0, 0, 0};
  size_t part = 0;
  size_t digits = 0;
  for (char c : text) {
    if (c == '.') {
      if (digits == 0 || ++part == 4) return {};
      digits = 0;
    } else if (c >= '0' && c <= '9') {
      if (++digits > 5) return {};
      parts[part] = parts[part] * 10 + static_cast<unsigned>(c - '0');
      if (parts[part] > 65535) return {};
    } else {
      return {};
    }
  }
  if (digits == 0) return {};
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%u.%u.%u.%u", parts[0], parts[1], parts[2], parts[3]);
  return buffer;
}

void ReadModule(const std::string& path, ModuleEntry* entry) {
  entry->files.clear();
  std::unique_ptr<Database> database;
  if (Failed(LoadDatabase(path, &database)) || !database) {
    entry->problem = "not a readable MSI database";
    return;
  }
  const Table* signature = database->FindTable("ModuleSignature");
  const Table* files = database->FindTable("File");
  const Table* components = database->FindTable("Component");
  const Table* directories = database->FindTable("Directory");
  if (!signature || signature->RowCount() == 0) {
    entry->problem = "no ModuleSignature row: not a merge module";
    return;
  }
  const Row& identity = *signature->Get(signature->KeyOrder().begin()->second);
  entry->language = Text(identity, Column(*signature, "Language"));
  entry->version = Text(identity, Column(*signature, "Version"));
  if (!files || !components || !directories) return;  // a module without files

  const int fileName = Column(*files, "FileName"), fileComponent = Column(*files, "Component_"),
            fileVersion = Column(*files, "Version"), fileLanguage = Column(*files, "Language");
  const int componentDirectory = Column(*components, "Directory_");
  DirectoryFolders folders(*directories);
  for (const auto& [key, id] : files->KeyOrder()) {
    const Row& row = *files->Get(id);
    ModuleFile file;
    file.longName = Text(row, fileName);
    file.longName = file.longName.substr(file.longName.find('|') + 1);
    if (file.longName.empty()) continue;
    file.version = NormalizedVersion(Text(row, fileVersion));
    file.language = Text(row, fileLanguage);
    RowId componentId;
    if (components->Find({TextCell(Text(row, fileComponent))}, &componentId))
      file.folder = folders.FolderOf(Text(*components->Get(componentId), componentDirectory));
    entry->files.push_back(std::move(file));
  }
}

}  // namespace qv::engine
