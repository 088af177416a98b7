// Rules about what goes into a user's profile, which the installer treats per user.
//
// ICE38: a component installed into a profile folder (or below one) has a registry value under
// HKCU as its key path: a file in a profile cannot tell whether the component is installed for
// another user.
// ICE43: a non-advertised shortcut in a profile folder belongs to a component whose key path is
// a registry value under HKCU.
// ICE57: a component does not mix per-user and per-machine data. Files and a folder key path
// are per-user in a profile folder, per-machine elsewhere; registry values under HKCU are
// per-user, under HKLM and HKU per-machine, and under -1 (HKCU or HKLM by ALLUSERS) either.
// Non-advertised shortcuts count by their folder. The published rule does not say how HKCR
// counts: as per-machine here, as the classes a per-machine component registers beside its
// files are its own; only an HKCU registry key path makes mixed data a warning rather than an
// error.
// ICE64: every folder that the package creates below a profile folder is removed on uninstall:
// a RemoveFile row with the folder as DirProperty and no file name. The standard profile folders
// themselves are not the rule's concern.
// ICE91: a file, INI file or shortcut installed into a folder that stays per-user whatever
// ALLUSERS says (AppDataFolder, PersonalFolder, ...) is a warning: a per-machine install puts it
// into one user's profile only.
#include "rules.h"

namespace validation {
namespace {

bool InProfile(const PackageIndex& package, const std::string& directory) {
  const DirectoryInfo* info = package.Directory(directory);
  return info && IsUserProfileFolder(info->standardFolder);
}

bool InPerUserOnlyFolder(const PackageIndex& package, const std::string& directory) {
  const DirectoryInfo* info = package.Directory(directory);
  return info && IsPerUserOnlyFolder(info->standardFolder);
}

bool HasHkcuKeyPath(const PackageIndex& package, const ComponentInfo& component) {
  const Row* registry = package.RegistryKeyPath(component);
  return registry && TableView::Integer(*registry, package.View("Registry").Column("Root")) == kRootCurrentUser;
}

bool IsAdvertisedTarget(const std::string& target) { return target.find('[') == std::string::npos; }

enum Scope { kPerMachine = 1, kPerUser = 2, kEither = 4 };

int RootScope(std::optional<int32_t> root) {
  if (root == kRootCurrentUser) return kPerUser;
  if (root == kRootUserOrMachine) return kEither;
  return kPerMachine;
}

}  // namespace

void Ice38(const PackageIndex& package, Report& report) {
  for (const auto& [key, component] : package.Components())
    if (InProfile(package, component.directory) && !HasHkcuKeyPath(package, component))
      report.Error("ICE38", "Component", key,
                   "Component " + Quote(key) + " installs into the user profile (" + component.directory +
                       "); its key path must be a registry value under HKCU, not " +
                       (component.keyPath.empty() ? std::string("its folder") : Quote(component.keyPath)) + ".");
}

void Ice43(const PackageIndex& package, Report& report) {
  const TableView shortcuts = package.View("Shortcut");
  const int directory = shortcuts.Column("Directory_"), componentColumn = shortcuts.Column("Component_"),
            target = shortcuts.Column("Target");
  shortcuts.ForEach([&](const Row& row) {
    if (IsAdvertisedTarget(TableView::Text(row, target)) || !InProfile(package, TableView::Text(row, directory))) return;
    const std::string owner = TableView::Text(row, componentColumn);
    const ComponentInfo* component = package.Component(owner);
    if (component && !HasHkcuKeyPath(package, *component))
      report.Error("ICE43", "Shortcut", shortcuts.KeyText(row),
                   "Non-advertised shortcut " + Quote(shortcuts.KeyText(row)) + " lies in the user profile (" +
                       TableView::Text(row, directory) + "); its component " + Quote(owner) +
                       " must have a registry value under HKCU as key path.");
  });
}

void Ice57(const PackageIndex& package, Report& report) {
  std::map<std::string, int> scopes;  // component -> Scope bits of its data other than the key path
  auto folderScope = [&](const std::string& directory) { return InProfile(package, directory) ? kPerUser : kPerMachine; };

  const TableView files = package.View("File");
  const int fileComponent = files.Column("Component_");
  files.ForEach([&](const Row& row) {
    const std::string owner = TableView::Text(row, fileComponent);
    if (const ComponentInfo* component = package.Component(owner)) scopes[owner] |= folderScope(component->directory);
  });
  const TableView registry = package.View("Registry");
  const int root = registry.Column("Root"), registryComponent = registry.Column("Component_");
  registry.ForEach([&](const Row& row) {
    scopes[TableView::Text(row, registryComponent)] |= RootScope(TableView::Integer(row, root));
  });
  const TableView shortcuts = package.View("Shortcut");
  const int shortcutDirectory = shortcuts.Column("Directory_"), shortcutComponent = shortcuts.Column("Component_"),
            target = shortcuts.Column("Target");
  shortcuts.ForEach([&](const Row& row) {
    if (!IsAdvertisedTarget(TableView::Text(row, target)))
      scopes[TableView::Text(row, shortcutComponent)] |= folderScope(TableView::Text(row, shortcutDirectory));
  });

  for (const auto& [key, component] : package.Components()) {
    int keyPath = folderScope(component.directory);
    bool hkcuKeyPath = false;
    if (component.attributes & kComponentRegistryKeyPath) {
      const Row* row = package.RegistryKeyPath(component);
      if (!row) continue;
      keyPath = RootScope(TableView::Integer(*row, root));
      hkcuKeyPath = keyPath == kPerUser;
    }
    const int data = scopes[key] | keyPath;
    const std::string name = "Component " + Quote(key);
    if ((data & kPerUser) && (data & kPerMachine)) {
      if (hkcuKeyPath)
        report.Warning("ICE57", "Component", key, name + " has both per-user and per-machine data with an HKCU registry key path.");
      else
        report.Error("ICE57", "Component", key,
                     name + " has both per-user and per-machine data with a " +
                         (keyPath == kPerMachine ? "per-machine" : keyPath == kPerUser ? "per-user file or folder"
                                                                                     : "per-user or per-machine") +
                         " key path.");
    } else if ((data & kEither) && keyPath == kPerMachine) {
      report.Error("ICE57", "Component", key,
                   name + " has a registry value that can be per-user or per-machine and a per-machine key path.");
    } else if ((data & kPerUser) && keyPath == kEither) {
      report.Error("ICE57", "Component", key,
                   name + " has per-user data and a key path that can be per-user or per-machine.");
    }
  }
}

void Ice64(const PackageIndex& package, Report& report) {
  std::set<std::string> removed;
  const TableView removeFile = package.View("RemoveFile");
  const int fileName = removeFile.Column("FileName"), dirProperty = removeFile.Column("DirProperty");
  removeFile.ForEach([&](const Row& row) {
    if (TableView::Text(row, fileName).empty()) removed.insert(TableView::Text(row, dirProperty));
  });
  for (const auto& [key, directory] : package.Directories())
    if (!directory.isStandardFolder && IsUserProfileFolder(directory.standardFolder) && !removed.count(key))
      report.Error("ICE64", "Directory", key,
                   "The folder " + Quote(key) + " lies in the user profile (" + directory.standardFolder +
                       ") but is not removed by a RemoveFile row.");
}

void Ice91(const PackageIndex& package, Report& report) {
  auto warn = [&](const char* table, const std::string& key, const char* what, const std::string& directory) {
    if (InPerUserOnlyFolder(package, directory))
      report.Warning("ICE91", table, key,
                     std::string(what) + " " + Quote(key) + " is installed into the per-user folder " + Quote(directory) +
                         ", which does not follow ALLUSERS: a per-machine install puts it into one user's profile only.");
  };
  const TableView files = package.View("File");
  const int fileComponent = files.Column("Component_");
  files.ForEach([&](const Row& row) {
    if (const ComponentInfo* component = package.Component(TableView::Text(row, fileComponent)))
      warn("File", TableView::Text(row, 0), "The file", component->directory);
  });
  const TableView iniFiles = package.View("IniFile");
  const int iniDirectory = iniFiles.Column("DirProperty");
  iniFiles.ForEach([&](const Row& row) { warn("IniFile", TableView::Text(row, 0), "The INI file entry", TableView::Text(row, iniDirectory)); });
  const TableView shortcuts = package.View("Shortcut");
  const int shortcutDirectory = shortcuts.Column("Directory_");
  shortcuts.ForEach([&](const Row& row) { warn("Shortcut", TableView::Text(row, 0), "The shortcut", TableView::Text(row, shortcutDirectory)); });
}

}  // namespace validation
