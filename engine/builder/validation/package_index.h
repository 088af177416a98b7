// The package as the rules look at it: tables with columns by name, rows by key, the
// properties, and what each directory and component is. Everything is indexed once, in time
// linear in the package's rows, so that no rule walks a table inside a walk of another.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "column_rules.h"
#include "database.h"
#include "finding.h"

namespace validation {

using qv::engine::Row;

// One table, read by column name. An absent table is empty; an absent column reads as null.
class TableView {
 public:
  explicit TableView(const qv::engine::Table* table = nullptr) : table_(table) {}
  explicit operator bool() const { return table_ != nullptr; }
  const qv::engine::Table* Table() const { return table_; }
  const std::string& Name() const;

  int Column(std::string_view name) const { return table_ ? table_->ColumnIndex(name) : -1; }
  // The text of a cell (integers as decimal text); empty for null or a missing column.
  static std::string Text(const Row& row, int column);
  static std::optional<int32_t> Integer(const Row& row, int column);
  // The primary key of a row as text, key columns joined by ';'.
  std::string KeyText(const Row& row) const;
  // The row of a table keyed on one string column.
  const Row* Find(const std::string& key) const;

  // Rows in primary-key order.
  template <typename Visit>
  void ForEach(Visit visit) const {
    if (!table_) return;
    for (const auto& [key, id] : table_->KeyOrder()) visit(*table_->Get(id));
  }

 private:
  const qv::engine::Table* table_;
};

// Component attribute bits.
constexpr int32_t kComponentSourceOnly = 0x1;
constexpr int32_t kComponentRegistryKeyPath = 0x4;
constexpr int32_t kComponentPermanent = 0x10;
constexpr int32_t kComponentOdbcKeyPath = 0x20;
constexpr int32_t kComponent64Bit = 0x100;

// Registry roots.
constexpr int32_t kRootUserOrMachine = -1, kRootClasses = 0, kRootCurrentUser = 1, kRootLocalMachine = 2, kRootUsers = 3;

struct DirectoryInfo {
  std::string parent;
  // The standard folder the directory is or lies below ("AppDataFolder"), empty for none.
  std::string standardFolder;
  bool isStandardFolder = false;
  // Where it lies: "[StandardFolder]\sub\dir" (or "[TARGETDIR]..."), long names, lower case.
  std::string path;
};

struct ComponentInfo {
  std::string key;
  std::string componentId;
  std::string directory;
  int32_t attributes = 0;
  std::string keyPath;
  bool hasCondition = false;
};

class PackageIndex {
 public:
  explicit PackageIndex(const qv::engine::Database& database);

  const qv::engine::Database& Database() const { return database_; }
  TableView View(std::string_view table) const { return TableView(database_.FindTable(table)); }
  const ColumnRules& Rules() const { return rules_; }

  std::optional<std::string> Property(const std::string& name) const;
  const DirectoryInfo* Directory(const std::string& key) const;
  const std::map<std::string, DirectoryInfo>& Directories() const { return directories_; }
  const ComponentInfo* Component(const std::string& key) const;
  const std::map<std::string, ComponentInfo>& Components() const { return components_; }
  // The component of a File row, empty when the file does not exist.
  std::string ComponentOfFile(const std::string& fileKey) const;
  // Features that hold the component (FeatureComponents).
  const std::set<std::string>& FeaturesOf(const std::string& component) const;

  // The Registry row of a component's key path when the key path is a registry value.
  const Row* RegistryKeyPath(const ComponentInfo& component) const;

 private:
  void IndexDirectories();

  const qv::engine::Database& database_;
  ColumnRules rules_;
  std::map<std::string, std::string> properties_;
  std::map<std::string, DirectoryInfo> directories_;
  std::map<std::string, ComponentInfo> components_;
  std::map<std::string, std::string> fileComponents_;
  std::map<std::string, std::set<std::string>> componentFeatures_;
};

// The folder properties that the installer sets itself.
bool IsStandardFolder(const std::string& name);
// Folders in a user's profile (the installer puts them below the profile of the user who
// installs, or of all users for some when ALLUSERS is set).
bool IsUserProfileFolder(const std::string& name);
// Profile folders that stay per-user whatever ALLUSERS says.
bool IsPerUserOnlyFolder(const std::string& name);

// Collects findings of one rule.
class Report {
 public:
  explicit Report(Findings& findings) : findings_(findings) {}
  void Error(const char* rule, const std::string& table, const std::string& row, const std::string& text) {
    findings_.push_back({rule, Level::Error, table, row, text});
  }
  void Warning(const char* rule, const std::string& table, const std::string& row, const std::string& text) {
    findings_.push_back({rule, Level::Warning, table, row, text});
  }

 private:
  Findings& findings_;
};

std::string Quote(const std::string& text);  // 'text'
std::string Lower(std::string text);
std::string Join(const std::vector<std::string>& parts, const std::string& separator);

}  // namespace validation
