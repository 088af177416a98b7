#include "merge_modules.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <set>

#include "module_cabinet.h"
#include "module_configuration.h"
#include "module_sequences.h"
#include "module_tables.h"
#include "msi_file.h"
#include "qv/project_tables.h"

namespace builder {
namespace {

using qv::engine::Cell;
using qv::engine::CellText;
using qv::engine::Database;
using qv::engine::Row;
using qv::engine::RowId;
using qv::engine::Table;
using qv::engine::TextCell;

// Tables that steer the merge and stay behind.
const std::set<std::string> kMergeOnlyTables = {"ModuleConfiguration", "ModuleSubstitution", "ModuleIgnoreTable",
                                                "_Validation"};

struct Signature {
  std::string id;
  int32_t language = 0;
  std::string version;
  std::string source;  // the module file's name, or "the package"
};

struct Module {
  std::string name;  // as the project names it (the module file's name)
  std::string path;
  std::vector<std::string> features;
  std::unique_ptr<Database> tables;
  std::vector<Signature> signatures;
  std::map<std::string, std::string> unpacked;  // cabinet name (File key) -> host path
};

int32_t IntegerOf(const Cell& cell) {
  if (const std::optional<int32_t> number = cell.Number()) return *number;
  return int32_t(std::strtol(std::string(CellText(cell)).c_str(), nullptr, 10));
}

// -1, 0 or 1 as dotted version a is lower than, equal to or higher than b.
int CompareVersions(const std::string& a, const std::string& b) {
  size_t i = 0, j = 0;
  while (i < a.size() || j < b.size()) {
    unsigned long x = 0, y = 0;
    while (i < a.size() && a[i] != '.') x = x * 10 + unsigned(a[i++] - '0');
    while (j < b.size() && b[j] != '.') y = y * 10 + unsigned(b[j++] - '0');
    if (x != y) return x < y ? -1 : 1;
    ++i, ++j;
  }
  return 0;
}

// A language column of ModuleDependency or ModuleExclusion: 0 any language, a negative number
// any but that one.
bool LanguageMatches(int32_t wanted, int32_t language) {
  if (wanted == 0) return true;
  return wanted > 0 ? language == wanted : language != -wanted;
}

// The rows of a table as (column name -> cell) look-ups; an empty list when the table is absent.
class NamedRows {
 public:
  NamedRows(const Database& database, const char* name) : table_(database.FindTable(name)) {}
  template <typename Visit>
  void ForEach(Visit visit) const {
    if (!table_) return;
    for (const auto& [key, id] : table_->KeyOrder()) {
      const Row& row = *table_->Get(id);
      visit([&](const char* column) -> Cell {
        const int index = table_->ColumnIndex(column);
        return index < 0 ? Cell{} : row[size_t(index)];
      });
    }
  }

 private:
  const Table* table_;
};

std::vector<Signature> SignaturesOf(const Database& database, const std::string& source) {
  std::vector<Signature> signatures;
  NamedRows(database, "ModuleSignature").ForEach([&](auto cell) {
    signatures.push_back({std::string(CellText(cell("ModuleID"))), IntegerOf(cell("Language")), std::string(CellText(cell("Version"))), source});
  });
  return signatures;
}

// The project's rows grouped by module, in name order; errors for rows that cannot be merged.
std::vector<Module> ReadRequests(const Database& package, BuildMessages& messages) {
  std::map<std::string, Module> byName;
  NamedRows(package, qv::kMergeModuleTable).ForEach([&](auto cell) {
    const std::string name(CellText(cell("Name"))), path(CellText(cell("Path"))), feature(CellText(cell("Feature")));
    Module& module = byName[name];
    if (module.name.empty()) module.name = name, module.path = path;
    if (module.path != path)
      messages.Error(ModuleLabel(name) + ": the project names it at two paths, " + module.path + " and " + path + ".");
    if (!feature.empty()) module.features.push_back(feature);
  });
  std::vector<Module> modules;
  for (auto& [name, module] : byName) modules.push_back(std::move(module));
  return modules;
}

// Reads one module: its tables, its configuration at the defaults, its unpacked files.
bool LoadModule(Module& module, const std::string& unpackFolder, BuildMessages& messages) {
  const std::string label = ModuleLabel(module.name);
  struct stat info {};
  if (module.path.empty() || stat(module.path.c_str(), &info) != 0) {
    messages.Error(label + ": the module file '" + module.path + "' was not found.");
    return false;
  }
  if (!S_ISREG(info.st_mode) || qv::Failed(qv::engine::LoadDatabase(module.path, &module.tables))) {
    messages.Error(label + ": the module file '" + module.path + "' cannot be read as a merge module.");
    return false;
  }
  module.signatures = SignaturesOf(*module.tables, module.name);
  if (module.signatures.empty()) {
    messages.Error(label + ": the file '" + module.path + "' has no ModuleSignature row; it is no merge module.");
    return false;
  }
  // The build's own project tables steer what it reads from the build machine: a module never
  // carries them.
  for (const Table* table : module.tables->Tables())
    if (table->Name().starts_with(qv::kProjectTablePrefix)) {
      messages.Error(label + ": it holds table '" + table->Name() + "', which is no table of a merge module.");
      return false;
    }
  if (std::string error; !ApplyModuleConfiguration(*module.tables, &error)) {
    messages.Error(label + ": " + error + ".");
    return false;
  }
  const Table* files = module.tables->FindTable("File");
  if (!files || files->RowCount() == 0) return true;
  std::error_code failure;
  std::filesystem::create_directories(unpackFolder, failure);
  if (std::string error; failure || !UnpackModuleCabinet(module.path, unpackFolder, &module.unpacked, &error)) {
    messages.Error(label + ": " + (error.empty() ? "its files cannot be unpacked" : error) + ".");
    return false;
  }
  bool complete = true;
  for (const auto& [key, id] : files->KeyOrder())
    if (!module.unpacked.count(std::string(CellText(key[0])))) {
      messages.Error(label + ": its file '" + std::string(CellText(key[0])) + "' is not in its cabinet.");
      complete = false;
    }
  return complete;
}

// The dependencies of every module against what the package will hold, and the exclusions of
// the modules and of the package against one another.
bool CheckDependenciesAndExclusions(const Database& package, const std::vector<Module>& modules,
                                    BuildMessages& messages) {
  std::vector<Signature> present = SignaturesOf(package, "the package");
  for (const Module& module : modules) present.insert(present.end(), module.signatures.begin(), module.signatures.end());
  bool ok = true;
  auto checkExclusions = [&](const Database& tables, const std::string& owner, const std::string& label) {
    NamedRows(tables, "ModuleExclusion").ForEach([&](auto cell) {
      const std::string excluded(CellText(cell("ExcludedID"))), low(CellText(cell("ExcludedMinVersion"))),
                        high(CellText(cell("ExcludedMaxVersion")));
      const int32_t language = IntegerOf(cell("ExcludedLanguage"));
      for (const Signature& other : present) {
        if (other.source == owner || other.id != excluded || !LanguageMatches(language, other.language)) continue;
        if ((!low.empty() && CompareVersions(other.version, low) < 0) ||
            (!high.empty() && CompareVersions(other.version, high) > 0))
          continue;
        messages.Error(label + " excludes module " + other.id + " (language " + std::to_string(other.language) +
                       ", version " + other.version + "), which " +
                       (other.source == "the package" ? std::string("the package holds")
                                                      : "merge module '" + other.source + "' brings") + ".");
        ok = false;
      }
    });
  };
  for (const Module& module : modules) {
    const std::string label = ModuleLabel(module.name);
    NamedRows(*module.tables, "ModuleDependency").ForEach([&](auto cell) {
      const std::string required(CellText(cell("RequiredID"))), version(CellText(cell("RequiredVersion")));
      const int32_t language = IntegerOf(cell("RequiredLanguage"));
      const bool satisfied = std::any_of(present.begin(), present.end(), [&](const Signature& s) {
        return s.id == required && LanguageMatches(language, s.language) &&
               (version.empty() || CompareVersions(s.version, version) >= 0);
      });
      if (!satisfied) {
        messages.Error(label + " requires module " + required + " (language " + std::to_string(language) +
                       (version.empty() ? std::string() : ", version " + version + " or later") +
                       "), which neither the package nor another merge module of the project provides.");
        ok = false;
      }
    });
    checkExclusions(*module.tables, module.name, label);
  }
  // What the package excludes, against the modules only (the package's own rows agree already).
  std::vector<Signature> merged;
  for (const Module& module : modules) merged.insert(merged.end(), module.signatures.begin(), module.signatures.end());
  std::swap(present, merged);
  checkExclusions(package, "the package", "The package");
  return ok;
}

// The module's components join each feature that the project names for it.
void AddToFeatures(Database& package, const Module& module, BuildMessages& messages) {
  const Table* components = module.tables->FindTable("Component");
  if (!components) return;
  Table* features = package.FindTable("Feature");
  Table* featureComponents = package.FindTable("FeatureComponents");
  if (!features || !featureComponents || featureComponents->Columns().size() != 2) {
    messages.Error(ModuleLabel(module.name) + ": the package has no Feature and FeatureComponents tables.");
    return;
  }
  for (const std::string& feature : module.features) {
    RowId id = 0;
    if (!features->Find({TextCell(feature)}, &id)) {
      messages.Error(ModuleLabel(module.name) + ": its feature '" + feature + "' is not in the package.");
      continue;
    }
    for (const auto& [key, componentId] : components->KeyOrder())
      if (Row row{TextCell(feature), key[0]}; !featureComponents->Find(row, &id)) featureComponents->Insert(row);
  }
}

// Every table of the module into the package.
void MergeTables(Database& package, const Module& module, BuildMessages& messages) {
  std::set<std::string> ignored = kMergeOnlyTables;
  NamedRows(*module.tables, "ModuleIgnoreTable").ForEach([&](auto cell) { ignored.insert(std::string(CellText(cell("Table")))); });
  for (const Table* table : module.tables->Tables()) {
    if (ignored.count(table->Name())) continue;
    if (!PackageSequenceOf(table->Name()).empty()) {
      MergeModuleSequence(package, *table, module.name, messages);
    } else if (table->Name() == "Directory") {
      // The module's root is the package's TARGETDIR.
      MergeModuleTable(package, *table, module.name, false,
                       [](const Row& row) { return CellText(row[0]) != "TARGETDIR"; }, messages);
    } else {
      MergeModuleTable(package, *table, module.name, false, nullptr, messages);
    }
  }
  // Validation rows of the columns the package does not describe yet.
  if (const Table* validation = module.tables->FindTable("_Validation"))
    MergeModuleTable(package, *validation, module.name, true, nullptr, messages);
}

// The module's files in the order of their sequence numbers in the module.
void AppendFiles(const Module& module, std::vector<ModuleFile>* files) {
  const Table* table = module.tables->FindTable("File");
  if (!table) return;
  const int sequence = table->ColumnIndex("Sequence");
  std::vector<std::pair<int32_t, std::string>> ordered;
  for (const auto& [key, id] : table->KeyOrder())
    ordered.emplace_back(sequence < 0 ? 0 : IntegerOf((*table->Get(id))[size_t(sequence)]), CellText(key[0]));
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [number, key] : ordered) files->push_back({key, module.unpacked.at(key)});
}

}  // namespace

bool MergeProjectModules(Database& package, const std::string& unpackFolder, BuildMessages& messages,
                         std::vector<ModuleFile>* files) {
  const int32_t errorsBefore = messages.ErrorCount();
  std::vector<Module> modules = ReadRequests(package, messages);
  for (size_t i = 0; i < modules.size(); ++i)
    LoadModule(modules[i], unpackFolder + "/" + std::to_string(i + 1), messages);
  if (messages.ErrorCount() > errorsBefore) return false;
  if (!CheckDependenciesAndExclusions(package, modules, messages)) return false;
  for (const Module& module : modules) {
    if (messages.Cancelled()) return false;
    MergeTables(package, module, messages);
    AddToFeatures(package, module, messages);
    AppendFiles(module, files);
  }
  return messages.ErrorCount() == errorsBefore;
}

}  // namespace builder
