#include "package_compiler.h"

#include <sys/stat.h>

#include <cctype>
#include <map>

#include "binary_actions.h"
#include "platform/codepage.h"
#include "platform/host_paths.h"
#include "platform/text.h"
#include "qv/project_tables.h"
#include "source_files.h"
#include "source_image.h"
#include "wrapper_actions.h"

namespace builder {
namespace {

using qv::engine::Cell;
using qv::engine::CellText;
using qv::engine::Database;
using qv::engine::Row;
using qv::engine::RowId;
using qv::engine::Table;
using qv::engine::TextCell;

constexpr int32_t kAttributeNoncompressed = 0x2000;
constexpr int32_t kAttributeCompressed = 0x4000;
constexpr int32_t kComponent64Bit = 0x100;
constexpr int32_t kRegistryRootLocalMachine = 2;

int32_t IntegerOf(const Cell& cell, int32_t fallback = 0) {
  if (const std::optional<int32_t> number = cell.Number()) return *number;
  const std::string text(CellText(cell));
  if (text.empty()) return fallback;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  return end && *end == '\0' ? int32_t(value) : fallback;
}

// A column of a table by name; -1 (and an error) when the table lacks it.
int Column(const Table& table, const char* name, BuildMessages& messages) {
  const int index = table.ColumnIndex(name);
  if (index < 0) messages.Error("Table '" + table.Name() + "' has no column '" + name + "'.");
  return index;
}

std::string Where(const std::string& table, const std::string& key, const std::string& column) {
  return "Table '" + table + "', row '" + key + "', column '" + column + "'";
}

// Column 1 -> column 2 of a two-column table (Property, QvFileSource).
std::map<std::string, std::string> ReadPairs(const Database& db, const char* tableName) {
  std::map<std::string, std::string> pairs;
  if (const Table* table = db.FindTable(tableName); table && table->Columns().size() >= 2)
    for (const auto& [key, id] : table->KeyOrder()) {
      const Row& row = *table->Get(id);
      pairs[std::string(CellText(row[0]))] = std::string(CellText(row[1]));
    }
  return pairs;
}

void EraseByKey(Table* table, const std::string& key) {
  RowId id = 0;
  if (table && table->Find({TextCell(key)}, &id)) table->Erase(id);
}

// Drops the engine's own tables and their validation rows: a package carries installer tables only.
void DropProjectTables(Database& db) {
  std::vector<std::string> projectTables;
  for (const Table* table : db.Tables())
    if (table->Name().rfind(qv::kProjectTablePrefix, 0) == 0) projectTables.push_back(table->Name());
  Table* validation = db.FindTable("_Validation");
  for (const std::string& name : projectTables) {
    db.DropTable(name);
    if (!validation) continue;
    std::vector<RowId> rows = validation->RowsWhere(0, TextCell(name));
    for (RowId id : rows) validation->Erase(id);
  }
}

struct ComponentInfo {
  std::string directory;
  int32_t attributes = 0;
};

// The App Paths key of each application path, in the component that owns the executable.
void WriteAppPaths(Database& db, const std::map<std::string, ComponentInfo>& components,
                   const std::multimap<std::string, std::pair<std::string, std::string>>& filesByComponent,
                   BuildMessages& messages) {
  const Table* appPaths = db.FindTable(qv::kAppPathTable);
  if (!appPaths || appPaths->RowCount() == 0) return;
  Table* registry = db.FindTable("Registry");
  if (!registry || registry->Columns().size() < 6) {
    messages.Error("The project has application paths but no Registry table.");
    return;
  }
  for (const auto& [key, id] : appPaths->KeyOrder()) {
    const Row& row = *appPaths->Get(id);
    const std::string component(CellText(row[0])), executable(CellText(row[1]));
    const std::string searchPath(row.size() > 2 ? CellText(row[2]) : "");
    auto owner = components.find(component);
    if (owner == components.end()) {
      messages.Error(Where(qv::kAppPathTable, component + ";" + executable, "Component_") + ": '" + component +
                     "' refers to no row of table 'Component'.");
      continue;
    }
    // The executable's file in that component, by its long name; else the component's folder.
    std::string target = "[" + owner->second.directory + "]" + executable;
    auto [first, last] = filesByComponent.equal_range(component);
    for (auto it = first; it != last; ++it) {
      const std::string& fileName = it->second.second;
      const size_t bar = fileName.find('|');
      const std::string longName = bar == std::string::npos ? fileName : fileName.substr(bar + 1);
      if (platform::EqualsNoCase(longName, executable)) target = "[#" + it->second.first + "]";
    }
    const std::string registryKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + executable;
    const std::string rowKey = ("AppPath_" + component + "_" + executable).substr(0, 66);
    Row defaultValue(registry->Columns().size());
    defaultValue[0] = TextCell(rowKey);
    defaultValue[1] = Cell{kRegistryRootLocalMachine};
    defaultValue[2] = TextCell(registryKey);
    defaultValue[4] = TextCell(target);
    defaultValue[5] = TextCell(component);
    registry->Insert(defaultValue);
    if (!searchPath.empty()) {
      Row pathValue = defaultValue;
      pathValue[0] = TextCell(rowKey + "_Path");
      pathValue[3] = TextCell("Path");
      pathValue[4] = TextCell(searchPath);
      registry->Insert(pathValue);
    }
  }
}

// Root folders of their own in the source image (source_image.h), so that no two files of the
// package share a source path.
void SeparateRootSourceFolders(Database& db) {
  Table* table = db.FindTable("Directory");
  if (!table || table->Columns().size() < 3) return;
  std::vector<DirectoryEntry> directories;
  for (const auto& [key, id] : table->KeyOrder()) {
    const Row& row = *table->Get(id);
    directories.push_back({std::string(CellText(row[0])), std::string(CellText(row[1])), std::string(CellText(row[2]))});
  }
  for (const auto& [key, defaultDir] : OwnRootSourceFolders(directories)) {
    RowId id = 0;
    if (table->Find({TextCell(key)}, &id)) table->SetCell(id, 2, TextCell(defaultDir));
  }
}

void WriteMediaRows(Database& db, const CompiledPackage& package, bool compressed, BuildMessages& messages) {
  Table* media = db.FindTable("Media");
  if (!media || media->Columns().size() < 4) {
    messages.Error("The project has no Media table.");
    return;
  }
  std::vector<RowId> old;
  for (const auto& [key, id] : media->KeyOrder()) old.push_back(id);
  for (RowId id : old) media->Erase(id);
  auto add = [&](int32_t disk, int32_t lastSequence, const std::string& cabinet) {
    Row row(media->Columns().size());
    row[0] = Cell{disk};
    row[1] = Cell{lastSequence};
    row[3] = TextCell(cabinet);
    media->Insert(row);
  };
  if (!compressed || package.files.empty()) {
    add(1, int32_t(package.files.size()), "");
    return;
  }
  for (size_t i = 0; i < package.cabinetEnds.size(); ++i)
    add(int32_t(i + 1), int32_t(package.cabinetEnds[i]), "#" + CabinetStreamName(i + 1));
}

}  // namespace

std::string CabinetStreamName(size_t number) { return "Data" + std::to_string(number) + ".cab"; }

void CompilePackage(Database& db, const CompileSettings& settings, BuildMessages& messages, CompiledPackage* package) {
  const auto properties = ReadPairs(db, "Property");
  auto property = [&](const char* name) {
    auto it = properties.find(name);
    return it == properties.end() ? std::string() : it->second;
  };
  package->productName = property("ProductName");
  package->manufacturer = property("Manufacturer");
  package->language = IntegerOf(TextCell(property("ProductLanguage")), 1033);
  const std::string sourceFilePath = property("SOURCEFILEPATH");
  const auto sources = ReadPairs(db, qv::kFileSourceTable);

  std::map<std::string, ComponentInfo> components;
  if (const Table* table = db.FindTable("Component")) {
    const int directory = Column(*table, "Directory_", messages), attributes = Column(*table, "Attributes", messages);
    if (directory < 0 || attributes < 0) return;
    for (const auto& [key, id] : table->KeyOrder()) {
      const Row& row = *table->Get(id);
      ComponentInfo& info = components[std::string(CellText(row[0]))];
      info.directory = CellText(row[size_t(directory)]);
      info.attributes = IntegerOf(row[size_t(attributes)]);
      if (info.attributes & kComponent64Bit) package->is64Bit = true;
    }
  }

  SeparateRootSourceFolders(db);
  CompileBinaryActions(db, sourceFilePath, messages);
  CompileWrapperActions(db, {settings.engineFolder, sourceFilePath, package->is64Bit}, messages);

  // Files: sequence in key order and size; their version or hash come from reading them (RecordFileFacts).
  Table* files = db.FindTable("File");
  std::multimap<std::string, std::pair<std::string, std::string>> filesByComponent;
  if (files) {
    const int componentColumn = Column(*files, "Component_", messages), nameColumn = Column(*files, "FileName", messages),
              sizeColumn = Column(*files, "FileSize", messages), attributesColumn = Column(*files, "Attributes", messages),
              sequenceColumn = Column(*files, "Sequence", messages);
    if (componentColumn < 0 || nameColumn < 0 || sizeColumn < 0 || attributesColumn < 0 || sequenceColumn < 0)
      return;
    // Ids first: the rows change while they are visited. The files of merge modules follow the
    // project's own.
    std::map<std::string, std::string> moduleSources;
    for (const ModuleFile& file : settings.moduleFiles) moduleSources[file.key] = file.hostPath;
    std::vector<std::pair<RowId, std::string>> ids;  // with the host path of a module's file
    for (const auto& [key, id] : files->KeyOrder())
      if (!moduleSources.count(std::string(CellText(key[0])))) ids.emplace_back(id, std::string());
    for (const ModuleFile& file : settings.moduleFiles)
      if (RowId id = 0; files->Find({TextCell(file.key)}, &id)) ids.emplace_back(id, file.hostPath);
    for (const auto& [id, moduleHostPath] : ids) {
      if (messages.Cancelled()) return;  // one check per file of a large capture
      Row row = *files->Get(id);
      PackageFile file;
      file.key = CellText(row[0]);
      const std::string component(CellText(row[size_t(componentColumn)]));
      file.fileName = CellText(row[size_t(nameColumn)]);
      filesByComponent.emplace(component, std::make_pair(file.key, file.fileName));
      if (auto owner = components.find(component); owner != components.end()) file.directory = owner->second.directory;

      std::string sourcePath = moduleHostPath;  // as the project names it
      if (!moduleHostPath.empty()) {
        file.hostPath = moduleHostPath;
      } else {
        auto source = sources.find(file.key);
        if (source == sources.end() || source->second.empty()) {
          messages.Error(Where("File", file.key, "FileName") + ": the project names no source file for '" +
                         file.fileName + "'.");
          continue;
        }
        sourcePath = source->second;
        file.hostPath = HostPathOfSource(sourcePath, sourceFilePath);
        if (const std::string refusal = SourceRefusal(source->second, file.hostPath, sourceFilePath);
            !refusal.empty()) {
          messages.Error(Where("File", file.key, "FileName") + ": the source file '" + source->second + "' " +
                         refusal + ".");
          continue;
        }
      }
      struct stat info {};
      if (stat(file.hostPath.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        messages.Error(Where("File", file.key, "FileName") + ": the source file '" + sourcePath +
                       "' was not found (looked for " + file.hostPath + ").");
        continue;
      }
      file.size = uint64_t(info.st_size);
      if (file.size > uint64_t(INT32_MAX) || (settings.compressed && file.size > settings.cabinetLimits.maxBytes)) {
        messages.Error(Where("File", file.key, "FileSize") + ": the file '" + file.hostPath +
                       "' is too large for a package.");
        continue;
      }

      file.row = id;
      package->files.push_back(file);
      row[size_t(sizeColumn)] = Cell{int32_t(file.size)};
      row[size_t(attributesColumn)] =
          Cell{IntegerOf(row[size_t(attributesColumn)]) & ~(kAttributeCompressed | kAttributeNoncompressed)};
      row[size_t(sequenceColumn)] = Cell{int32_t(package->files.size())};
      files->Update(id, row);
    }
  }

  std::vector<CabinetFile> cabinetFiles;
  for (const PackageFile& f : package->files) cabinetFiles.push_back({f.key, f.hostPath, f.size});
  if (settings.compressed) package->cabinetEnds = SplitIntoCabinets(cabinetFiles, settings.cabinetLimits);
  WriteMediaRows(db, *package, settings.compressed, messages);
  WriteAppPaths(db, components, filesByComponent, messages);
  DropProjectTables(db);
}

void RecordFileFacts(Database& db, const CompiledPackage& package, const std::vector<FileFacts>& facts,
                     BuildMessages& messages) {
  Table* files = db.FindTable("File");
  Table* hashes = db.FindTable("MsiFileHash");
  if (!files || facts.size() != package.files.size()) return;
  const int versionColumn = Column(*files, "Version", messages), languageColumn = Column(*files, "Language", messages);
  if (versionColumn < 0 || languageColumn < 0) return;
  bool reportedMissingHashTable = false;
  for (size_t i = 0; i < facts.size(); ++i) {
    const PackageFile& file = package.files[i];
    const FileFacts& fact = facts[i];
    const Row* stored = files->Get(file.row);
    if (!stored) continue;
    Row row = *stored;
    if (fact.versionStatus == platform::VersionStatus::kFound) {
      row[size_t(versionColumn)] = TextCell(fact.version.VersionText());
      row[size_t(languageColumn)] = fact.version.language ? TextCell(std::to_string(*fact.version.language)) : Cell{};
      EraseByKey(hashes, file.key);
    } else {
      if (fact.versionStatus == platform::VersionStatus::kNotLoadable)
        messages.Warning("The version resource of '" + file.hostPath +
                         "' is damaged; the file is treated as unversioned.");
      // A companion file keeps the File key in its Version column.
      const std::string existing(CellText(row[size_t(versionColumn)]));
      if (existing.empty() || std::isdigit(static_cast<unsigned char>(existing[0]))) {
        row[size_t(versionColumn)] = Cell{};
        row[size_t(languageColumn)] = Cell{};
      }
      if (!hashes || hashes->Columns().size() < 6) {
        if (!reportedMissingHashTable)
          messages.Error("The project has no MsiFileHash table for the hashes of its unversioned files.");
        reportedMissingHashTable = true;
      } else {
        EraseByKey(hashes, file.key);
        const FileHashParts& parts = fact.hash;
        hashes->Insert({TextCell(file.key), Cell{0}, Cell{parts[0]}, Cell{parts[1]}, Cell{parts[2]}, Cell{parts[3]}});
      }
    }
    files->Update(file.row, row);
  }
}

}  // namespace builder
