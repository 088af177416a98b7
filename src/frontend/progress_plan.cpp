#include "frontend/progress_plan.h"

#include "core/cancellation.h"
#include "core/messages.h"
#include "core/string_table.h"
#include "options/project_options.h"

namespace frontend {

PlanSwitches PlanSwitches::FromOptions() {
  const options::ProjectOptions& o = options::Options();
  PlanSwitches s;
  s.nir = options::SequenceSwitch("NIR");
  s.mapping = options::SequenceSwitch("Mapping");
  s.comMapping = o.COMMapping();
  s.serviceControlEvents = o.ServiceControlEvents();
  s.appPathsMapping = options::SequenceSwitch("AppPathsMapping");
  s.envMapping = options::SequenceSwitch("EnvMapping");
  s.ini = options::SequenceSwitch("INI");
  s.odbcMapping = o.ODBCMapping();
  s.useMergeModules = o.UseMergeModules();
  s.registryTable = options::SequenceSwitch("RegistryTable");
  s.shortcuts = options::SequenceSwitch("Shortcuts");
  s.buildMSI = o.BuildMSI();
  return s;
}

void ProgressPlan::Build(const PlanSwitches& s) {
  const bool com = s.mapping && s.comMapping;
  // The start percents are as the plan has always had them, including the two entries that
  // start below the one before them.
  const struct {
    int id;
    uint32_t percent;
    bool present;
  } plan[] = {
      {kStepStarting, 0, true},
      {kStepReadingCapture, 5, true},
      {kStepLoadingRegistry, 10, s.nir},
      {kStepCreatingComponents, 15, true},
      {kStepAdvertisingTables, 19, com},
      {kStepTypeLibs, 20, com},
      {kStepComData, 25, com},
      {kStepAppIds, 30, com},
      {kStepProgIds, 30, com},
      {kStepClassTable, 34, com},
      {kStepExtensions, 37, com},
      {kStepVerbs, 40, com},
      {kStepProgIdTable, 34, com},
      {kStepServices, 45, s.mapping && s.serviceControlEvents},
      {kStepAppPaths, 50, s.mapping && s.appPathsMapping},
      {kStepEnvironment, 55, s.mapping && s.envMapping},
      {kStepIniFiles, 60, s.ini},
      {kStepOdbc, 65, s.odbcMapping},
      {kStepMergeModules, 70, s.useMergeModules},
      {kStepFolders, 75, true},
      {kStepRegistryTable, 80, s.registryTable},
      {kStepRemoveRegistry, 84, true},
      {kStepShortcuts, 85, s.shortcuts},
      {kStepBuilding, 85, s.buildMSI},
      {kStepSaving, 95, !s.buildMSI},
      {kStepFinished, 100, true},
  };
  entries_.clear();
  current_ = -1;
  for (const auto& entry : plan)
    if (entry.present) entries_.push_back({entry.id, entry.percent});
  NextStep(kStepStarting);
}

void ProgressPlan::NextStep(int id) {
  core::TestCancel();
  Announce(id);
}

void ProgressPlan::Announce(int id) {
  for (size_t i = static_cast<size_t>(current_ + 1); i < entries_.size(); ++i) {
    if (entries_[i].id != id) continue;
    current_ = static_cast<int>(i);
    core::MessageRecord record;
    record.type = core::kStep;
    record.text = core::LoadString(id);
    record.percent = entries_[i].percent;
    core::LogMessage(record);
    return;
  }
}

bool ProgressPlan::Contains(int id) const {
  for (const ProgressEntry& entry : entries_)
    if (entry.id == id) return true;
  return false;
}

int ProgressPlan::CurrentId() const { return current_ < 0 ? 0 : entries_[current_].id; }

ProgressPlan& CurrentProgressPlan() {
  static ProgressPlan plan;
  return plan;
}

void NextStep(int id) { CurrentProgressPlan().NextStep(id); }

}  // namespace frontend
