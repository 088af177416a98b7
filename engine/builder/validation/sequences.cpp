// Rules about the sequence tables.
//
// ICE27: every action of a sequence table is a standard action, a custom action or (in the UI
// sequences) a dialog; actions that depend on each other come in that order; actions tied to a
// section of the sequence lie in it: Search before CostInitialize, Costing from CostInitialize to
// CostFinalize, Selection from CostFinalize to InstallValidate, Execution from InstallValidate to
// InstallFinalize; and a table has InstallFinalize exactly when its Execution section holds
// script actions. The published rule names the sections but not every dependency: the
// dependencies checked here are those of the installer's documented standard sequences (the
// costing and execution chain, removal before installation of the same kind of data, files
// before what uses them). Only scheduled actions (positive sequence numbers) count.
// ICE72: AdvtExecuteSequence runs no custom action other than types 19, 35 and 51 (error, set
// folder, set property).
// ICE82: no two actions of one sequence table share a sequence number (a warning); and
// InstallExecuteSequence has all or none of RegisterProduct, RegisterUser, PublishProduct and
// PublishFeatures (an error when some are missing, a warning when all are).
#include "rules.h"

namespace validation {
namespace {

constexpr const char* kSequenceTables[] = {"InstallExecuteSequence", "InstallUISequence", "AdminExecuteSequence",
                                           "AdminUISequence", "AdvtExecuteSequence"};

const std::set<std::string> kStandardActions = {
    "AllocateRegistrySpace", "AppSearch", "BindImage", "CCPSearch", "CostFinalize", "CostInitialize", "CreateFolders",
    "CreateShortcuts", "DeleteServices", "DisableRollback", "DuplicateFiles", "ExecuteAction", "FileCost",
    "FindRelatedProducts", "ForceReboot", "InstallAdminPackage", "InstallExecute", "InstallExecuteAgain",
    "InstallFiles", "InstallFinalize", "InstallInitialize", "InstallODBC", "InstallServices", "InstallSFPCatalogFile",
    "InstallValidate", "IsolateComponents", "LaunchConditions", "MigrateFeatureStates", "MoveFiles",
    "MsiConfigureServices", "MsiPublishAssemblies", "MsiUnpublishAssemblies", "PatchFiles", "ProcessComponents",
    "PublishComponents", "PublishFeatures", "PublishProduct", "RegisterClassInfo", "RegisterComPlus",
    "RegisterExtensionInfo", "RegisterFonts", "RegisterMIMEInfo", "RegisterProduct", "RegisterProgIdInfo",
    "RegisterTypeLibraries", "RegisterUser", "RemoveDuplicateFiles", "RemoveEnvironmentStrings",
    "RemoveExistingProducts", "RemoveFiles", "RemoveFolders", "RemoveIniValues", "RemoveODBC", "RemoveRegistryValues",
    "RemoveShortcuts", "ResolveSource", "RMCCPSearch", "ScheduleReboot", "SelfRegModules", "SelfUnregModules",
    "SetODBCFolders", "StartServices", "StopServices", "UnpublishComponents", "UnpublishFeatures", "UnpublishProduct",
    "UnregisterClassInfo", "UnregisterComPlus", "UnregisterExtensionInfo", "UnregisterFonts", "UnregisterMIMEInfo",
    "UnregisterProgIdInfo", "UnregisterTypeLibraries", "ValidateProductID", "WriteEnvironmentStrings",
    "WriteIniValues", "WriteRegistryValues"};

// Script actions: they write the installation script, so they belong to the Execution section.
const std::set<std::string> kScriptActions = {
    "AllocateRegistrySpace", "BindImage", "CreateFolders", "CreateShortcuts", "DeleteServices", "DuplicateFiles",
    "InstallFiles", "InstallODBC", "InstallServices", "MoveFiles", "MsiConfigureServices", "MsiPublishAssemblies",
    "MsiUnpublishAssemblies", "PatchFiles", "ProcessComponents", "PublishComponents", "PublishFeatures",
    "PublishProduct", "RegisterClassInfo", "RegisterComPlus", "RegisterExtensionInfo", "RegisterFonts",
    "RegisterMIMEInfo", "RegisterProduct", "RegisterProgIdInfo", "RegisterTypeLibraries", "RegisterUser",
    "RemoveDuplicateFiles", "RemoveEnvironmentStrings", "RemoveFiles", "RemoveFolders", "RemoveIniValues", "RemoveODBC",
    "RemoveRegistryValues", "RemoveShortcuts", "SelfRegModules", "SelfUnregModules", "StartServices", "StopServices",
    "UnpublishComponents", "UnpublishFeatures", "UnregisterClassInfo", "UnregisterComPlus", "UnregisterExtensionInfo",
    "UnregisterFonts", "UnregisterMIMEInfo", "UnregisterProgIdInfo", "UnregisterTypeLibraries",
    "WriteEnvironmentStrings", "WriteIniValues", "WriteRegistryValues"};

// (earlier, later): when both are scheduled, the first comes first.
constexpr std::pair<const char*, const char*> kOrder[] = {
    {"AppSearch", "CostInitialize"},          {"CCPSearch", "CostInitialize"},
    {"CostInitialize", "FileCost"},           {"FileCost", "CostFinalize"},
    {"CostInitialize", "CostFinalize"},       {"CostFinalize", "InstallValidate"},
    {"InstallValidate", "InstallInitialize"}, {"InstallInitialize", "InstallFinalize"},
    {"RemoveFiles", "InstallFiles"},          {"MoveFiles", "InstallFiles"},
    {"CreateFolders", "InstallFiles"},        {"InstallFiles", "DuplicateFiles"},
    {"RemoveFiles", "RemoveFolders"},         {"RemoveRegistryValues", "WriteRegistryValues"},
    {"RemoveIniValues", "WriteIniValues"},    {"RemoveShortcuts", "CreateShortcuts"},
    {"RemoveEnvironmentStrings", "WriteEnvironmentStrings"},
    {"SelfUnregModules", "RemoveFiles"},      {"InstallFiles", "SelfRegModules"},
    {"UnregisterTypeLibraries", "RegisterTypeLibraries"}, {"InstallFiles", "RegisterTypeLibraries"},
    {"UnregisterFonts", "RemoveFiles"},       {"InstallFiles", "RegisterFonts"},
    {"StopServices", "DeleteServices"},       {"InstallServices", "StartServices"},
    {"ProcessComponents", "InstallFiles"},    {"RegisterProduct", "PublishProduct"},
    {"PublishFeatures", "PublishProduct"}};

enum Section { kSearch, kCosting, kSelection, kExecution, kPostExecution };
const char* SectionName(Section section) {
  constexpr const char* names[] = {"Search", "Costing", "Selection", "Execution", "PostExecution"};
  return names[section];
}

struct Scheduled {
  std::map<std::string, int32_t> sequenceOf;  // action -> sequence number, positive only
  std::optional<int32_t> At(const char* action) const {
    auto found = sequenceOf.find(action);
    return found == sequenceOf.end() ? std::nullopt : std::optional<int32_t>(found->second);
  }
};

Scheduled ReadSequence(const TableView& table) {
  Scheduled scheduled;
  const int sequence = table.Column("Sequence");
  table.ForEach([&](const Row& row) {
    const auto number = TableView::Integer(row, sequence);
    if (number && *number > 0) scheduled.sequenceOf[TableView::Text(row, 0)] = *number;
  });
  return scheduled;
}

}  // namespace

void Ice27(const PackageIndex& package, Report& report) {
  const TableView customActions = package.View("CustomAction"), dialogs = package.View("Dialog");
  for (const char* tableName : kSequenceTables) {
    const TableView table = package.View(tableName);
    if (!table) continue;
    const bool uiTable = std::string(tableName).find("UI") != std::string::npos;
    table.ForEach([&](const Row& row) {
      const std::string action = TableView::Text(row, 0);
      if (!kStandardActions.count(action) && !customActions.Find(action) && !(uiTable && dialogs.Find(action)))
        report.Error("ICE27", tableName, action,
                     "Unknown action " + Quote(action) + " in table " + tableName +
                         ": not a standard action, and not in the CustomAction" + (uiTable ? " or Dialog" : "") + " table.");
    });

    const Scheduled scheduled = ReadSequence(table);
    for (const auto& [earlier, later] : kOrder) {
      const auto first = scheduled.At(earlier), second = scheduled.At(later);
      if (first && second && *first >= *second)
        report.Error("ICE27", tableName, later,
                     "Action " + Quote(later) + " (" + std::to_string(*second) + ") must come after " + Quote(earlier) +
                         " (" + std::to_string(*first) + ") in table " + tableName + ".");
    }
    if (uiTable) continue;

    const auto costInitialize = scheduled.At("CostInitialize"), costFinalize = scheduled.At("CostFinalize"),
               installValidate = scheduled.At("InstallValidate"), installFinalize = scheduled.At("InstallFinalize");
    auto sectionAt = [&](int32_t sequence) {
      if (installFinalize && sequence > *installFinalize) return kPostExecution;
      if (installValidate && sequence > *installValidate) return kExecution;
      if (costFinalize && sequence > *costFinalize) return kSelection;
      if (costInitialize && sequence >= *costInitialize) return kCosting;
      return kSearch;
    };
    bool hasScriptActions = false;
    for (const auto& [action, sequence] : scheduled.sequenceOf) {
      std::optional<Section> belongs;
      if (action == "AppSearch" || action == "CCPSearch") belongs = kSearch;
      else if (action == "FileCost") belongs = kCosting;
      else if (action == "SetODBCFolders") belongs = kSelection;
      else if (kScriptActions.count(action)) belongs = kExecution, hasScriptActions = true;
      if (belongs && sectionAt(sequence) != *belongs)
        report.Error("ICE27", tableName, action,
                     "Action " + Quote(action) + " lies in the " + SectionName(sectionAt(sequence)) + " section of table " +
                         tableName + "; it belongs in the " + SectionName(*belongs) + " section.");
    }
    if (hasScriptActions && !installFinalize)
      report.Error("ICE27", tableName, "",
                   std::string("Table ") + tableName + " has script actions but does not run InstallFinalize.");
    else if (!hasScriptActions && installFinalize)
      report.Error("ICE27", tableName, "InstallFinalize",
                   std::string("Table ") + tableName + " runs InstallFinalize but has no script actions.");
  }
}

void Ice72(const PackageIndex& package, Report& report) {
  const TableView sequence = package.View("AdvtExecuteSequence"), customActions = package.View("CustomAction");
  const int type = customActions.Column("Type");
  sequence.ForEach([&](const Row& row) {
    const std::string action = TableView::Text(row, 0);
    const Row* customAction = customActions.Find(action);
    if (!customAction) return;
    const int32_t base = TableView::Integer(*customAction, type).value_or(0) & 0x3F;
    if (base != 19 && base != 35 && base != 51)
      report.Error("ICE72", "AdvtExecuteSequence", action,
                   "Custom action " + Quote(action) + " (type " + std::to_string(base) +
                       ") runs in AdvtExecuteSequence, where only types 19, 35 and 51 may run.");
  });
}

void Ice82(const PackageIndex& package, Report& report) {
  for (const char* tableName : kSequenceTables) {
    const TableView table = package.View(tableName);
    const int sequence = table.Column("Sequence");
    std::map<int32_t, std::string> firstAt;
    table.ForEach([&](const Row& row) {
      const auto number = TableView::Integer(row, sequence);
      if (!number || *number <= 0) return;
      const std::string action = TableView::Text(row, 0);
      auto [first, added] = firstAt.emplace(*number, action);
      if (!added)
        report.Warning("ICE82", tableName, action,
                       "Action " + Quote(action) + " has the same sequence number " + std::to_string(*number) +
                           " as action " + Quote(first->second) + " in table " + tableName + ".");
    });
  }
  const TableView execute = package.View("InstallExecuteSequence");
  if (!execute) return;
  std::vector<std::string> present, missing;
  for (const char* action : {"RegisterProduct", "RegisterUser", "PublishProduct", "PublishFeatures"})
    (execute.Find(action) ? present : missing).push_back(action);
  if (present.empty())
    report.Warning("ICE82", "InstallExecuteSequence", "",
                   "InstallExecuteSequence has none of RegisterProduct, RegisterUser, PublishProduct and PublishFeatures.");
  else if (!missing.empty())
    report.Error("ICE82", "InstallExecuteSequence", "",
                 "InstallExecuteSequence should have all or none of RegisterProduct, RegisterUser, PublishProduct and "
                 "PublishFeatures; it lacks " + Join(missing, ", ") + ".");
}

}  // namespace validation
