// Rules about advertising, registration data and references from one component to another.
//
// ICE19: what the installer advertises can be advertised: a component named by the Class,
// Extension or PublishComponent table, or by an advertised shortcut, has a ComponentId; for
// classes, extensions and advertised shortcuts its key path is a file (the installer starts
// that file); an advertised shortcut's target is a feature of the package.
// ICE33: registration data that the installer has tables for is not written as plain Registry
// rows (a warning): HKCR keys (root 0, or HKCU/HKLM/-1 below "Software\Classes") of classes
// ("CLSID\{...}"), AppIDs, type libraries, MIME types, file extensions (".ext") and ProgIDs. A
// name counts as a ProgID when the package writes its "CLSID", "CurVer", "DefaultIcon" or
// "shell" subkey; keys under "Interface" and the shell's "*", "Directory", "Folder", "Drive" have
// no table and are left alone. A row below a registration that its table already holds (a
// class of the Class table, a ProgID of the ProgId table, ...) writes what that table has no
// column for (a ThreadingModel, implemented categories, a script engine) and is not reported:
// the published text leaves open which keys it counts; it is here the keys that are not yet
// registered through a table.
// ICE67: a non-advertised shortcut whose target is a file ("[#File]") belongs to that file's
// component (a warning).
// ICE69: formatted text of a row that belongs to a component refers to that component only:
// "[$Component]" and "[#File]" of another component are a warning when both components share a
// feature and an error otherwise. The published text calls every reference to another
// component's file an error; a file is treated here like its component, as the installer
// resolves both the same way. The Verb table is left out, as published (an extension may
// belong to several components).
#include <map>

#include "rules.h"
#include "value_text.h"

namespace validation {
namespace {

bool IsAdvertisedTarget(const std::string& target) { return target.find('[') == std::string::npos; }

bool HasFileKeyPath(const PackageIndex& package, const ComponentInfo& component) {
  return !component.keyPath.empty() && !(component.attributes & (kComponentRegistryKeyPath | kComponentOdbcKeyPath)) &&
         package.ComponentOfFile(component.keyPath) == component.key;
}

std::vector<std::string> SplitKey(const std::string& key) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= key.size()) {
    const size_t slash = key.find('\\', start);
    parts.push_back(Lower(key.substr(start, slash == std::string::npos ? std::string::npos : slash - start)));
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  return parts;
}

bool LooksLikeGuid(const std::string& text) {
  std::string upper = text;
  for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
  return IsGuid(upper);
}

}  // namespace

void Ice19(const PackageIndex& package, Report& report) {
  auto check = [&](const char* tableName, bool needsFileKeyPath) {
    const TableView table = package.View(tableName);
    const int componentColumn = table.Column("Component_");
    if (componentColumn < 0) return;
    table.ForEach([&](const Row& row) {
      if (std::string(tableName) == "Shortcut" && !IsAdvertisedTarget(TableView::Text(row, table.Column("Target")))) return;
      const std::string key = table.KeyText(row), owner = TableView::Text(row, componentColumn);
      const ComponentInfo* component = package.Component(owner);
      if (!component) return;
      const std::string where = std::string(tableName) + " row " + Quote(key) + " advertises component " + Quote(owner);
      if (component->componentId.empty())
        report.Error("ICE19", tableName, key, where + ", which has no ComponentId.");
      else if (needsFileKeyPath && !HasFileKeyPath(package, *component))
        report.Error("ICE19", tableName, key, where + ", whose key path is not one of its files.");
    });
  };
  check("Class", true);
  check("Extension", true);
  check("PublishComponent", false);
  check("Shortcut", true);

  const TableView shortcuts = package.View("Shortcut");
  const TableView features = package.View("Feature");
  const int target = shortcuts.Column("Target");
  shortcuts.ForEach([&](const Row& row) {
    const std::string feature = TableView::Text(row, target);
    if (!feature.empty() && IsAdvertisedTarget(feature) && !features.Find(feature))
      report.Error("ICE19", "Shortcut", shortcuts.KeyText(row),
                   "Advertised shortcut " + Quote(shortcuts.KeyText(row)) + " names the feature " + Quote(feature) +
                       ", which the package does not have.");
  });
}

void Ice33(const PackageIndex& package, Report& report) {
  const TableView registry = package.View("Registry");
  const int root = registry.Column("Root"), keyColumn = registry.Column("Key");
  // The HKCR-relative parts of a row's key, or nothing when it lies elsewhere.
  auto classesKey = [&](const Row& row) -> std::vector<std::string> {
    std::vector<std::string> parts = SplitKey(TableView::Text(row, keyColumn));
    const auto rootValue = TableView::Integer(row, root);
    if (rootValue == kRootClasses) return parts;
    if (rootValue == kRootUsers || parts.size() < 3 || parts[0] != "software" || parts[1] != "classes") return {};
    return std::vector<std::string>(parts.begin() + 2, parts.end());
  };
  // What the dedicated tables register already: table name -> lower-case keys.
  std::map<std::string, std::set<std::string>> registered;
  auto collect = [&](const char* tableName, const char* column) {
    const TableView table = package.View(tableName);
    const int index = table.Column(column);
    if (index < 0) return;
    table.ForEach([&](const Row& row) { registered[tableName].insert(Lower(TableView::Text(row, index))); });
  };
  collect("Class", "CLSID");
  collect("AppId", "AppId");
  collect("TypeLib", "LibID");
  collect("MIME", "ContentType");
  collect("Extension", "Extension");
  collect("ProgId", "ProgId");
  const int nameColumn = registry.Column("Name");
  // Whether the row writes what its table cannot hold, for a registration that table holds.
  auto extendsRegistrationOfTable = [&](const std::string& table, const std::vector<std::string>& parts,
                                        const std::string& valueName) {
    static const std::set<std::string> kClassKeys = {
        "inprocserver32", "localserver32", "inprocserver", "localserver", "inprochandler32", "inprochandler",
        "progid", "versionindependentprogid", "defaulticon"};
    static const std::set<std::string> kAppIdValues = {
        "remoteservername", "localservice", "serviceparameters", "dllsurrogate", "activateatstorage", "runas"};
    if (table == "Class" && registered[table].count(parts[1]))
      return parts.size() > 3 || (parts.size() == 3 && (!kClassKeys.count(parts[2]) || !valueName.empty()));
    if (table == "ProgId" && registered[table].count(parts[0]))
      return parts.size() > 2 || (parts.size() == 2 && parts[1] != "clsid" && parts[1] != "curver" &&
                                  parts[1] != "defaulticon");
    if (table == "AppId" && registered[table].count(parts[1]))
      return parts.size() > 2 || !kAppIdValues.count(valueName);
    if (table == "Extension" && registered[table].count(parts[0].substr(1)))
      return parts.size() > 1 && parts[1] != "shell";
    return false;
  };
  std::set<std::string> progIds = registered["ProgId"];
  registry.ForEach([&](const Row& row) {
    const auto parts = classesKey(row);
    if (parts.size() >= 2 && (parts[1] == "clsid" || parts[1] == "curver" || parts[1] == "defaulticon" || parts[1] == "shell"))
      progIds.insert(parts[0]);
  });
  registry.ForEach([&](const Row& row) {
    const auto parts = classesKey(row);
    if (parts.empty() || parts[0].empty()) return;
    const std::string& first = parts[0];
    const char* table = nullptr;
    if (first == "clsid" && parts.size() >= 2 && LooksLikeGuid(parts[1])) table = "Class";
    else if (first == "appid" && parts.size() >= 2 && LooksLikeGuid(parts[1])) table = "AppId";
    else if (first == "typelib" && parts.size() >= 2) table = "TypeLib";
    else if (first == "mime" && parts.size() >= 4 && parts[1] == "database" && parts[2] == "content type") table = "MIME";
    else if (first.size() > 1 && first[0] == '.') table = "Extension";
    else if (first == "clsid" || first == "appid" || first == "typelib" || first == "interface" || first == "*" ||
             first == "directory" || first == "folder" || first == "drive")
      return;
    else if (progIds.count(first)) table = parts.size() >= 2 && parts[1] == "shell" ? "Verb" : "ProgId";
    if (!table) return;
    if (extendsRegistrationOfTable(table, parts, Lower(TableView::Text(row, nameColumn)))) return;
    report.Warning("ICE33", "Registry", registry.KeyText(row),
                   "Registry row " + Quote(registry.KeyText(row)) + " writes " + Quote(TableView::Text(row, keyColumn)) +
                       ", registration data that belongs in the " + table + " table.");
  });
}

void Ice67(const PackageIndex& package, Report& report) {
  const TableView shortcuts = package.View("Shortcut");
  const int target = shortcuts.Column("Target"), componentColumn = shortcuts.Column("Component_");
  shortcuts.ForEach([&](const Row& row) {
    const std::string text = TableView::Text(row, target);
    if (IsAdvertisedTarget(text)) return;
    const auto references = FormattedReferences(text);
    if (references.empty() || references.front().sign != '#') return;
    const std::string fileComponent = package.ComponentOfFile(references.front().name);
    const std::string owner = TableView::Text(row, componentColumn);
    if (!fileComponent.empty() && fileComponent != owner)
      report.Warning("ICE67", "Shortcut", shortcuts.KeyText(row),
                     "Non-advertised shortcut " + Quote(shortcuts.KeyText(row)) + " belongs to component " + Quote(owner) +
                         " but its target file " + Quote(references.front().name) + " belongs to component " +
                         Quote(fileComponent) + ".");
  });
}

void Ice69(const PackageIndex& package, Report& report) {
  for (const qv::engine::Table* table : package.Database().Tables()) {
    const TableView view(table);
    const int componentColumn = view.Column("Component_");
    if (componentColumn < 0 || table->Name() == "Verb" || table->Name().starts_with("_")) continue;
    std::vector<int> formatted;
    for (size_t c = 0; c < table->Columns().size(); ++c) {
      const ColumnRule* rule = package.Rules().Find(table->Name(), table->Columns()[c].name);
      if (rule && table->Columns()[c].IsText() && (rule->category == "Formatted" || rule->category == "KeyFormatted"))
        formatted.push_back(int(c));
    }
    if (formatted.empty()) continue;
    view.ForEach([&](const Row& row) {
      const std::string owner = TableView::Text(row, componentColumn);
      for (int column : formatted) {
        for (const FormattedReference& reference : FormattedReferences(TableView::Text(row, column))) {
          if (reference.sign != '$' && reference.sign != '#') continue;
          const std::string other = reference.sign == '$' ? reference.name : package.ComponentOfFile(reference.name);
          if (other.empty() || other == owner || !package.Component(other)) continue;
          bool sameFeature = false;
          const auto& otherFeatures = package.FeaturesOf(other);
          for (const std::string& feature : package.FeaturesOf(owner)) sameFeature |= otherFeatures.count(feature) != 0;
          const std::string text = "Row " + Quote(view.KeyText(row)) + " of table " + Quote(table->Name()) +
                                   " belongs to component " + Quote(owner) + " but column " +
                                   Quote(table->Columns()[size_t(column)].name) + " refers to " +
                                   (reference.sign == '$' ? "component " + Quote(other)
                                                          : "file " + Quote(reference.name) + " of component " + Quote(other)) +
                                   (sameFeature ? "; both are in one feature." : ", which is in another feature.");
          if (sameFeature) report.Warning("ICE69", table->Name(), view.KeyText(row), text);
          else report.Error("ICE69", table->Name(), view.KeyText(row), text);
        }
      }
    });
  }
}

}  // namespace validation
