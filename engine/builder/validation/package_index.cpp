#include "package_index.h"

#include <algorithm>
#include <cctype>

namespace validation {
namespace {

using qv::engine::Cell;
using qv::engine::CellText;

const std::set<std::string> kStandardFolders = {
    "AdminToolsFolder", "AppDataFolder",       "CommonAppDataFolder", "CommonFiles64Folder", "CommonFilesFolder",
    "DesktopFolder",    "FavoritesFolder",     "FontsFolder",         "LocalAppDataFolder",  "MyPicturesFolder",
    "NetHoodFolder",    "PersonalFolder",      "PrintHoodFolder",     "ProgramFiles64Folder", "ProgramFilesFolder",
    "ProgramMenuFolder", "RecentFolder",       "SendToFolder",        "StartMenuFolder",     "StartupFolder",
    "System16Folder",   "System64Folder",      "SystemFolder",        "TempFolder",          "TemplateFolder",
    "WindowsFolder",    "WindowsVolume"};

const std::set<std::string> kUserProfileFolders = {
    "AdminToolsFolder", "AppDataFolder",  "DesktopFolder",    "FavoritesFolder", "LocalAppDataFolder",
    "MyPicturesFolder", "NetHoodFolder",  "PersonalFolder",   "PrintHoodFolder", "ProgramMenuFolder",
    "RecentFolder",     "SendToFolder",   "StartMenuFolder",  "StartupFolder",   "TemplateFolder"};

const std::set<std::string> kPerUserOnlyFolders = {"AppDataFolder",   "FavoritesFolder", "LocalAppDataFolder",
                                                   "MyPicturesFolder", "NetHoodFolder",  "PersonalFolder",
                                                   "PrintHoodFolder", "RecentFolder",    "SendToFolder"};

// The long target name of a DefaultDir value ("short|long:source" -> "long"); "." is none.
std::string TargetName(const std::string& defaultDir) {
  std::string target = defaultDir.substr(0, defaultDir.find(':'));
  if (const size_t bar = target.find('|'); bar != std::string::npos) target = target.substr(bar + 1);
  return target == "." ? std::string() : target;
}

}  // namespace

bool IsStandardFolder(const std::string& name) { return kStandardFolders.count(name) != 0; }
bool IsUserProfileFolder(const std::string& name) { return kUserProfileFolders.count(name) != 0; }
bool IsPerUserOnlyFolder(const std::string& name) { return kPerUserOnlyFolders.count(name) != 0; }

std::string Quote(const std::string& text) { return "'" + text + "'"; }

std::string Lower(std::string text) {
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Join(const std::vector<std::string>& parts, const std::string& separator) {
  std::string joined;
  for (size_t i = 0; i < parts.size(); ++i) joined += (i ? separator : "") + parts[i];
  return joined;
}

const std::string& TableView::Name() const {
  static const std::string kNone;
  return table_ ? table_->Name() : kNone;
}

std::string TableView::Text(const Row& row, int column) {
  if (column < 0 || size_t(column) >= row.size()) return {};
  const Cell& cell = row[size_t(column)];
  if (const std::optional<int32_t> number = cell.Number()) return std::to_string(*number);
  return std::string(CellText(cell));
}

std::optional<int32_t> TableView::Integer(const Row& row, int column) {
  if (column < 0 || size_t(column) >= row.size()) return std::nullopt;
  if (const std::optional<int32_t> number = row[size_t(column)].Number()) return *number;
  return std::nullopt;
}

std::string TableView::KeyText(const Row& row) const {
  std::string key;
  for (size_t c = 0; table_ && c < table_->KeyColumnCount() && c < row.size(); ++c)
    key += (c ? ";" : "") + Text(row, int(c));
  return key;
}

const Row* TableView::Find(const std::string& key) const {
  qv::engine::RowId id = 0;
  if (!table_ || table_->KeyColumnCount() != 1 || !table_->Columns()[0].IsText() ||
      !table_->Find({qv::engine::TextCell(key)}, &id))
    return nullptr;
  return table_->Get(id);
}

PackageIndex::PackageIndex(const qv::engine::Database& database) : database_(database), rules_(database) {
  const TableView properties = View("Property");
  const int value = properties.Column("Value");
  properties.ForEach([&](const Row& row) { properties_[TableView::Text(row, 0)] = TableView::Text(row, value); });

  IndexDirectories();

  const TableView components = View("Component");
  const int id = components.Column("ComponentId"), directory = components.Column("Directory_"),
            attributes = components.Column("Attributes"), condition = components.Column("Condition"),
            keyPath = components.Column("KeyPath");
  components.ForEach([&](const Row& row) {
    ComponentInfo info;
    info.key = TableView::Text(row, 0);
    info.componentId = TableView::Text(row, id);
    info.directory = TableView::Text(row, directory);
    info.attributes = TableView::Integer(row, attributes).value_or(0);
    info.keyPath = TableView::Text(row, keyPath);
    info.hasCondition = !TableView::Text(row, condition).empty();
    components_.emplace(info.key, std::move(info));
  });

  const TableView files = View("File");
  const int fileComponent = files.Column("Component_");
  files.ForEach([&](const Row& row) { fileComponents_[TableView::Text(row, 0)] = TableView::Text(row, fileComponent); });

  const TableView featureComponents = View("FeatureComponents");
  const int feature = featureComponents.Column("Feature_"), component = featureComponents.Column("Component_");
  featureComponents.ForEach([&](const Row& row) {
    componentFeatures_[TableView::Text(row, component)].insert(TableView::Text(row, feature));
  });
}

// Each directory's place, found once: a walk up the parent chain stops at a directory already
// placed, so the whole table costs time linear in its rows (a loop in the chain ends the walk).
void PackageIndex::IndexDirectories() {
  const TableView table = View("Directory");
  const int parentColumn = table.Column("Directory_Parent"), defaultDir = table.Column("DefaultDir");
  std::map<std::string, std::pair<std::string, std::string>> rows;  // key -> (parent, target name)
  table.ForEach([&](const Row& row) {
    rows[TableView::Text(row, 0)] = {TableView::Text(row, parentColumn), TargetName(TableView::Text(row, defaultDir))};
  });
  for (const auto& [start, unused] : rows) {
    std::vector<std::string> chain;
    std::set<std::string> onChain;
    std::string key = start;
    while (!directories_.count(key) && rows.count(key) && onChain.insert(key).second) {
      chain.push_back(key);
      if (IsStandardFolder(key)) break;
      const std::string& parent = rows[key].first;
      if (parent.empty() || parent == key) break;
      key = parent;
    }
    // Place the chain from its top down.
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      const auto& [parent, name] = rows[*it];
      DirectoryInfo info;
      info.parent = parent;
      const DirectoryInfo* above = (parent.empty() || parent == *it) ? nullptr : Directory(parent);
      if (IsStandardFolder(*it)) {
        info.isStandardFolder = true;
        info.standardFolder = *it;
        info.path = "[" + Lower(*it) + "]";
      } else if (above) {
        info.standardFolder = above->standardFolder;
        info.path = name.empty() ? above->path : above->path + "\\" + Lower(name);
      } else {
        info.path = "[" + Lower(*it) + "]";
      }
      directories_[*it] = std::move(info);
    }
  }
}

std::optional<std::string> PackageIndex::Property(const std::string& name) const {
  auto found = properties_.find(name);
  if (found == properties_.end()) return std::nullopt;
  return found->second;
}

const DirectoryInfo* PackageIndex::Directory(const std::string& key) const {
  auto found = directories_.find(key);
  return found == directories_.end() ? nullptr : &found->second;
}

const ComponentInfo* PackageIndex::Component(const std::string& key) const {
  auto found = components_.find(key);
  return found == components_.end() ? nullptr : &found->second;
}

std::string PackageIndex::ComponentOfFile(const std::string& fileKey) const {
  auto found = fileComponents_.find(fileKey);
  return found == fileComponents_.end() ? std::string() : found->second;
}

const std::set<std::string>& PackageIndex::FeaturesOf(const std::string& component) const {
  static const std::set<std::string> kNone;
  auto found = componentFeatures_.find(component);
  return found == componentFeatures_.end() ? kNone : found->second;
}

const Row* PackageIndex::RegistryKeyPath(const ComponentInfo& component) const {
  if (!(component.attributes & kComponentRegistryKeyPath) || component.keyPath.empty()) return nullptr;
  return View("Registry").Find(component.keyPath);
}

}  // namespace validation
