// Rules about the product's properties, its platform and the names it uses.
//
// ICE24: ProductCode is a GUID in upper case, ProductVersion is major.minor.build (major and
// minor up to 255, build up to 65535; a fourth field is allowed and ignored by the installer),
// ProductLanguage is a language number. The published rule validates the values; a missing one
// is reported here too, since the installer refuses such a package.
// ICE46: a property that conditions and formatted text read is spelled as it is defined:
// defined in the Property table, as a directory, by the installer itself, by AppSearch, by a
// dialog control or by a property-setting custom action. A name that matches one of these only
// without regard to case is a warning (property names are case-sensitive).
// ICE80: the platform in the summary's Template matches the components and custom actions
// (64-bit bits need a 64-bit platform, whose schema is at least 150 for Intel64, 200 for x64,
// 500 for Arm64); a 64-bit component does not install below the 32-bit program, common files
// or system folders, nor a 32-bit one below their 64-bit twins; and ProductLanguage is one of
// the Template's languages. A 64-bit folder that no component uses is left alone.
// ICE99: no directory is named like a property that the installer reserves for itself
// (Time, Date, LogonUser, VersionNT, ...); the standard folder properties are directories by
// design and are not reported.
#include <algorithm>

#include "qv/installer_properties.h"
#include "rules.h"
#include "value_text.h"

namespace validation {
namespace {

// The standard folder properties: directories by design, which ICE99 does not report.
bool IsStandardFolderProperty(const std::string& name) {
  return name.ends_with("Folder") || name == "TARGETDIR" || name == "SourceDir" || name == "SOURCEDIR" ||
         name == "WindowsVolume";
}

std::string SummaryText(const qv::engine::Database& database, int property) { return database.SummaryString(property); }

std::optional<int32_t> SummaryInteger(const qv::engine::Database& database, int property) {
  auto found = database.Summary().find(property);
  if (found == database.Summary().end()) return std::nullopt;
  if (const auto* number = std::get_if<int32_t>(&found->second)) return *number;
  return std::nullopt;
}

bool IsProductVersion(const std::string& version) {
  if (!IsVersion(version)) return false;
  int field = 0;
  size_t start = 0;
  for (;;) {
    const size_t dot = version.find('.', start);
    const long number = std::strtol(version.substr(start, dot - start).c_str(), nullptr, 10);
    if (field < 2 && number > 255) return false;
    ++field;
    if (dot == std::string::npos) return field >= 3;
    start = dot + 1;
  }
}

}  // namespace

void Ice24(const PackageIndex& package, Report& report) {
  auto check = [&](const char* name, bool (*valid)(const std::string&), const char* form) {
    const auto value = package.Property(name);
    if (!value)
      report.Error("ICE24", "Property", name, std::string("The property ") + name + " is missing.");
    else if (!valid(*value))
      report.Error("ICE24", "Property", name,
                   std::string("The property ") + name + " is " + Quote(*value) + ", which is not " + form + ".");
  };
  check("ProductCode", [](const std::string& v) { return IsGuid(v); }, "a GUID in upper case");
  check("ProductVersion", IsProductVersion, "a version major.minor.build (at most 255.255.65535)");
  check("ProductLanguage", [](const std::string& v) {
    return !v.empty() && v.size() <= 5 && v.find_first_not_of("0123456789") == std::string::npos && std::stol(v) <= 65535;
  }, "a language number");
}

void Ice46(const PackageIndex& package, Report& report) {
  std::set<std::string> defined(std::begin(qv::kInstallerProperties), std::end(qv::kInstallerProperties));
  auto defineColumn = [&](const char* tableName, const char* column) {
    const TableView table = package.View(tableName);
    const int index = table.Column(column);
    table.ForEach([&](const Row& row) { defined.insert(TableView::Text(row, index)); });
  };
  defineColumn("Property", "Property");
  defineColumn("Directory", "Directory");
  defineColumn("AppSearch", "Property");
  defineColumn("Control", "Property");
  defineColumn("RadioButton", "Property");
  defineColumn("ComboBox", "Property");
  defineColumn("ListBox", "Property");
  defineColumn("CheckBox", "Property");
  const TableView customActions = package.View("CustomAction");
  const int type = customActions.Column("Type"), source = customActions.Column("Source");
  customActions.ForEach([&](const Row& row) {
    if ((TableView::Integer(row, type).value_or(0) & 0x3F) == 51) defined.insert(TableView::Text(row, source));
  });
  std::map<std::string, std::string> byLowerCase;
  for (const std::string& name : defined) byLowerCase.emplace(Lower(name), name);

  for (const qv::engine::Table* table : package.Database().Tables()) {
    if (table->Name().starts_with("_")) continue;
    const TableView view(table);
    for (size_t c = 0; c < table->Columns().size(); ++c) {
      const ColumnRule* rule = package.Rules().Find(table->Name(), table->Columns()[c].name);
      if (!rule || !table->Columns()[c].IsText()) continue;
      const bool condition = rule->category == "Condition";
      if (!condition && rule->category != "Formatted" && rule->category != "KeyFormatted") continue;
      view.ForEach([&](const Row& row) {
        const std::string value = TableView::Text(row, int(c));
        if (value.empty()) return;
        std::vector<std::string> names;
        if (condition) names = ConditionProperties(value);
        else
          for (const FormattedReference& reference : FormattedReferences(value))
            if (reference.sign == 0) names.push_back(reference.name);
        for (const std::string& name : names) {
          if (defined.count(name)) continue;
          auto similar = byLowerCase.find(Lower(name));
          if (similar != byLowerCase.end())
            report.Warning("ICE46", table->Name(), view.KeyText(row),
                           "Row " + Quote(view.KeyText(row)) + " of table " + Quote(table->Name()) + ", column " +
                               Quote(table->Columns()[c].name) + ", reads the property " + Quote(name) +
                               ", which differs only in case from the defined property " + Quote(similar->second) + ".");
        }
      });
    }
  }
}

void Ice80(const PackageIndex& package, Report& report) {
  const std::string templateText = SummaryText(package.Database(), qv::engine::kSummaryTemplate);
  const size_t semicolon = templateText.find(';');
  const std::string platform = templateText.substr(0, semicolon);
  const bool is64 = platform == "x64" || platform == "Intel64" || platform == "Arm64" || platform == "AMD64";
  const int32_t schema = SummaryInteger(package.Database(), qv::engine::kSummaryPageCount).value_or(0);
  const int32_t needed = platform == "Intel64" ? 150 : platform == "Arm64" ? 500 : is64 ? 200 : 0;
  if (schema < needed)
    report.Error("ICE80", "", "",
                 "The package is marked " + platform + " but its schema (page count) is " + std::to_string(schema) +
                     ", less than " + std::to_string(needed) + ".");

  static const std::set<std::string> k32BitFolders = {"ProgramFilesFolder", "CommonFilesFolder", "SystemFolder"};
  static const std::set<std::string> k64BitFolders = {"ProgramFiles64Folder", "CommonFiles64Folder", "System64Folder"};
  for (const auto& [key, component] : package.Components()) {
    const bool component64 = component.attributes & kComponent64Bit;
    if (component64 && !is64)
      report.Error("ICE80", "Component", key,
                   "Component " + Quote(key) + " is 64-bit but the summary's Template names the platform " +
                       Quote(platform) + ".");
    const DirectoryInfo* folder = package.Directory(component.directory);
    if (!folder) continue;
    if (component64 && k32BitFolders.count(folder->standardFolder))
      report.Error("ICE80", "Component", key,
                   "64-bit component " + Quote(key) + " installs into " + Quote(component.directory) + ", below the 32-bit " +
                       folder->standardFolder + ".");
    else if (!component64 && k64BitFolders.count(folder->standardFolder))
      report.Error("ICE80", "Component", key,
                   "32-bit component " + Quote(key) + " installs into " + Quote(component.directory) + ", below the 64-bit " +
                       folder->standardFolder + ".");
  }
  if (!is64) {
    const TableView customActions = package.View("CustomAction");
    const int type = customActions.Column("Type");
    customActions.ForEach([&](const Row& row) {
      if (TableView::Integer(row, type).value_or(0) & 0x1000)
        report.Error("ICE80", "CustomAction", TableView::Text(row, 0),
                     "Custom action " + Quote(TableView::Text(row, 0)) + " is a 64-bit script but the package's platform is " +
                         Quote(platform) + ".");
    });
  }
  const auto language = package.Property("ProductLanguage");
  const std::vector<std::string> languages =
      semicolon == std::string::npos ? std::vector<std::string>() : [&] {
        std::vector<std::string> parts;
        std::string part;
        for (char c : templateText.substr(semicolon + 1) + ",") {
          if (c == ',') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
          } else {
            part += c;
          }
        }
        return parts;
      }();
  if (language && !languages.empty() && std::find(languages.begin(), languages.end(), *language) == languages.end())
    report.Error("ICE80", "Property", "ProductLanguage",
                 "ProductLanguage " + *language + " is not among the languages of the summary's Template (" +
                     templateText + ").");
}

void Ice99(const PackageIndex& package, Report& report) {
  for (const auto& [key, directory] : package.Directories())
    if (qv::IsInstallerProperty(key) && !IsStandardFolderProperty(key))
      report.Error("ICE99", "Directory", key,
                   "The directory name " + Quote(key) + " is a property the installer reserves for itself.");
}

}  // namespace validation
