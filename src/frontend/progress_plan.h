// The progress plan of a conversion: the steps that will be announced, each with the
// string-table id of its announcement and the percent at which it starts. It is rebuilt from
// the settings at the start of every run; each conversion step announces its own entry with
// NextStep when it begins, and only when it actually runs.
#pragma once

#include <cstdint>
#include <vector>

namespace frontend {

// Announcement ids of the plan, in plan order.
enum StepId : int {
  kStepStarting = 23000,
  kStepReadingCapture = 23003,
  kStepLoadingRegistry = 23004,
  kStepCreatingComponents = 23005,
  kStepAdvertisingTables = 23022,
  kStepTypeLibs = 23006,
  kStepComData = 23007,
  kStepAppIds = 23020,
  kStepProgIds = 23008,
  kStepClassTable = 23023,
  kStepExtensions = 23009,
  kStepVerbs = 23010,
  kStepProgIdTable = 23024,
  kStepServices = 23011,
  kStepAppPaths = 23014,
  kStepEnvironment = 23015,
  kStepIniFiles = 23012,
  kStepOdbc = 23018,
  kStepMergeModules = 23019,
  kStepFolders = 23013,
  kStepRegistryTable = 23016,
  kStepRemoveRegistry = 23036,
  kStepShortcuts = 23017,
  kStepBuilding = 23030,
  kStepSaving = 23035,
  kStepFinished = 21002,
};

struct ProgressEntry {
  int id = 0;
  uint32_t percent = 0;
};

// The switches the plan is built from (section "General" and section "Sequence").
struct PlanSwitches {
  bool nir = true;                   // Sequence "NIR"
  bool mapping = true;               // Sequence "Mapping"
  bool comMapping = true;            // "COMMapping"
  bool serviceControlEvents = false; // "ServiceControlEvents"
  bool appPathsMapping = true;       // Sequence "AppPathsMapping"
  bool envMapping = true;            // Sequence "EnvMapping"
  bool ini = true;                   // Sequence "INI"
  bool odbcMapping = false;          // "ODBCMapping"
  bool useMergeModules = true;       // "UseMergeModules"
  bool registryTable = true;         // Sequence "RegistryTable"
  bool shortcuts = true;             // Sequence "Shortcuts"
  bool buildMSI = true;              // the build flag

  // The switches of the loaded options.
  static PlanSwitches FromOptions();
};

class ProgressPlan {
 public:
  // Rebuilds the plan and announces its first step, "Starting conversion".
  void Build(const PlanSwitches& switches);
  // Tests the cancellation flag, then makes the entry with this id current and announces it as
  // a step record. The entry is looked for after the current one, so that a step left out (its
  // switch is off) never shifts the announcements of the steps after it; an id not ahead in the
  // plan announces nothing.
  void NextStep(int id);
  // The announcement alone, without the cancellation test (for the end of a run whose outputs
  // are already in place).
  void Announce(int id);

  const std::vector<ProgressEntry>& Entries() const { return entries_; }
  bool Contains(int id) const;
  // The id of the current entry; 0 before the first announcement.
  int CurrentId() const;

 private:
  std::vector<ProgressEntry> entries_;
  int current_ = -1;
};

// The plan of the running conversion.
ProgressPlan& CurrentProgressPlan();
// Announces the step with this id in the plan of the running conversion.
void NextStep(int id);

}  // namespace frontend
