// Rules about components, their key paths and the files they install.
//
// ICE02: a component's key path names a row that belongs to that component: the File row (or
// the Registry row with the registry key path bit, the ODBCDataSource row with the ODBC bit)
// must name the component in its Component_ column.
// ICE08: no two components share a ComponentId (compared without regard to case, as the
// installer reads GUIDs).
// ICE09: a component installed straight into SystemFolder or System64Folder is permanent; a
// warning, as published. Subfolders of the system folder are not the rule's concern.
// ICE18: a component whose key path is its folder (KeyPath null) and that puts no file into that
// folder (File, or RemoveFile/DuplicateFile/MoveFile rows for that folder) lists the folder in
// CreateFolder; and the folder is not SystemFolder, which exists on every machine.
// ICE21: every component belongs to a feature (FeatureComponents).
// ICE30: no two components install a file of the same long name into the same folder. Folders
// are compared by where they resolve below the installer's standard folders; folders whose
// place is only known at install time (set by properties) are compared by key, so that a clash
// through a property is not found. The published rule reports conditioned components too.
#include <cctype>

#include "rules.h"

namespace validation {

void Ice02(const PackageIndex& package, Report& report) {
  struct KeyPathTable {
    const char* table;
    int32_t bit;
  };
  for (const auto& [key, component] : package.Components()) {
    if (component.keyPath.empty()) continue;
    const char* tableName = (component.attributes & kComponentRegistryKeyPath) ? "Registry"
                            : (component.attributes & kComponentOdbcKeyPath)   ? "ODBCDataSource"
                                                                               : "File";
    const TableView table = package.View(tableName);
    const Row* row = table.Find(component.keyPath);
    if (!row) continue;  // a key path that names nothing is ICE03's finding
    const std::string owner = TableView::Text(*row, table.Column("Component_"));
    if (owner != key)
      report.Error("ICE02", "Component", key,
                   "Component " + Quote(key) + " has the key path " + Quote(component.keyPath) + " of table " +
                       Quote(tableName) + ", which belongs to component " + Quote(owner) + ".");
  }
}

void Ice08(const PackageIndex& package, Report& report) {
  std::map<std::string, std::string> firstWithId;
  for (const auto& [key, component] : package.Components()) {
    if (component.componentId.empty()) continue;
    std::string id = component.componentId;
    for (char& c : id) c = char(std::toupper(static_cast<unsigned char>(c)));
    auto [first, added] = firstWithId.emplace(id, key);
    if (!added)
      report.Error("ICE08", "Component", key,
                   "Component " + Quote(key) + " has the same ComponentId " + component.componentId + " as component " +
                       Quote(first->second) + ".");
  }
}

void Ice09(const PackageIndex& package, Report& report) {
  for (const auto& [key, component] : package.Components())
    if ((component.directory == "SystemFolder" || component.directory == "System64Folder") &&
        !(component.attributes & kComponentPermanent))
      report.Warning("ICE09", "Component", key,
                     "Component " + Quote(key) + " installs into " + component.directory +
                         " but is not permanent (attribute 16).");
}

void Ice18(const PackageIndex& package, Report& report) {
  std::set<std::string> withFiles;                         // components that install a file
  std::set<std::pair<std::string, std::string>> inFolder;  // (component, folder) with a file there
  const TableView files = package.View("File");
  const int fileComponent = files.Column("Component_");
  files.ForEach([&](const Row& row) { withFiles.insert(TableView::Text(row, fileComponent)); });
  constexpr std::pair<const char*, const char*> kFolderColumns[] = {
      {"RemoveFile", "DirProperty"}, {"DuplicateFile", "DestFolder"}, {"MoveFile", "DestFolder"}};
  for (const auto& [tableName, folderColumn] : kFolderColumns) {
    const TableView table = package.View(tableName);
    const int component = table.Column("Component_"), folder = table.Column(folderColumn);
    table.ForEach([&](const Row& row) { inFolder.insert({TableView::Text(row, component), TableView::Text(row, folder)}); });
  }
  std::set<std::pair<std::string, std::string>> created;
  const TableView createFolder = package.View("CreateFolder");
  const int createDirectory = createFolder.Column("Directory_"), createComponent = createFolder.Column("Component_");
  createFolder.ForEach([&](const Row& row) {
    created.insert({TableView::Text(row, createComponent), TableView::Text(row, createDirectory)});
  });

  for (const auto& [key, component] : package.Components()) {
    if (!component.keyPath.empty() || withFiles.count(key) || inFolder.count({key, component.directory})) continue;
    if (component.directory == "SystemFolder")
      report.Error("ICE18", "Component", key,
                   "Component " + Quote(key) + " has SystemFolder as its key path; it exists on every machine, so the "
                   "component would always seem installed.");
    else if (!created.count({key, component.directory}))
      report.Error("ICE18", "Component", key,
                   "Component " + Quote(key) + " has its folder " + Quote(component.directory) +
                       " as key path, but the folder is not in the CreateFolder table for it.");
  }
}

void Ice21(const PackageIndex& package, Report& report) {
  for (const auto& [key, component] : package.Components())
    if (package.FeaturesOf(key).empty())
      report.Error("ICE21", "Component", key, "Component " + Quote(key) + " belongs to no feature.");
}

void Ice30(const PackageIndex& package, Report& report) {
  const TableView files = package.View("File");
  const int component = files.Column("Component_"), fileName = files.Column("FileName");
  std::map<std::string, std::pair<std::string, std::string>> firstAtPlace;  // place -> (file, component)
  files.ForEach([&](const Row& row) {
    const std::string owner = TableView::Text(row, component);
    const ComponentInfo* info = package.Component(owner);
    if (!info) return;
    const DirectoryInfo* folder = package.Directory(info->directory);
    std::string name = TableView::Text(row, fileName);
    if (const size_t bar = name.find('|'); bar != std::string::npos) name = name.substr(bar + 1);
    const std::string place = (folder ? folder->path : "[" + Lower(info->directory) + "]") + "\\" + Lower(name);
    const std::string key = TableView::Text(row, 0);
    auto [first, added] = firstAtPlace.emplace(place, std::pair{key, owner});
    if (!added && first->second.second != owner)
      report.Error("ICE30", "File", key,
                   "The file " + Quote(name) + " is installed into " + Quote(place.substr(0, place.rfind('\\'))) +
                       " by two components, " + Quote(first->second.second) + " (file " + Quote(first->second.first) +
                       ") and " + Quote(owner) + " (file " + Quote(key) + ").");
  });
}

}  // namespace validation
