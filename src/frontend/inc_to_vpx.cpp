// The conversion driver.
#include "frontend/inc_to_vpx.h"

#include <map>
#include <memory>
#include <vector>

#include "capture/capture_folder.h"
#include "capture/capture_script.h"
#include "capture/knowledge_base.h"
#include "capture/path_translation.h"
#include "capture/registry_model.h"
#include "content/captured_files.h"
#include "content/component_writer.h"
#include "content/content_session.h"
#include "content/deleted_files.h"
#include "content/icon_keys.h"
#include "content/registry_writer.h"
#include "content/script_calls.h"
#include "content/versioned_files.h"
#include "core/cancellation.h"
#include "core/messages.h"
#include "core/repackager_exception.h"
#include "core/string_table.h"
#include "frontend/capture_description.h"
#include "frontend/capture_steps.h"
#include "frontend/progress_plan.h"
#include "frontend/registry_mapping.h"
#include "frontend/run_flags.h"
#include "mergemodules/merge_module_selector.h"
#include "options/project_options.h"
#include "platform/memory.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "project/component_lookup.h"
#include "project/keys.h"
#include "project/limited_ui.h"
#include "project/vpx_build.h"
#include "project/vpx_writer.h"
#include "shortcuts/environment_path.h"
#include "shortcuts/shortcut_step.h"

namespace frontend {

namespace {

// Switches the "[INSTALLDIR]" substitution of the path translation off for its scope.
class InstallDirSubstitutionOff {
 public:
  InstallDirSubstitutionOff() { capture::SetInstallDirEnabled(false); }
  ~InstallDirSubstitutionOff() { capture::SetInstallDirEnabled(true); }
  InstallDirSubstitutionOff(const InstallDirSubstitutionOff&) = delete;
  InstallDirSubstitutionOff& operator=(const InstallDirSubstitutionOff&) = delete;
};

// Everything one conversion makes, in the order it is made; the destructor tears it down in
// the reverse order.
class ConversionRun {
 public:
  ConversionRun(const std::string& capturePath, const std::string& optionsPath,
                const std::string& projectPath, bool build)
      : capturePath_(capturePath), optionsPath_(optionsPath), projectPath_(projectPath), build_(build) {}
  ~ConversionRun();

  void Execute();

 private:
  void LoadSettings();
  void OpenLog();
  void CreateProject();
  void CreateCaptureModel();
  void RunConversionSteps();
  void ReleaseCapturedRegistry();
  void SaveOrBuild();

  // The conversion steps, in the order they run.
  void ReadTheCapture();
  void LoadRegistryFiles();
  void ApplyLanguage();
  void SetProductFolder();
  void CreateFeatures();
  std::string FeatureDirectory(const std::string& folder);
  void SetCaptureMethod();
  void SetSourceFolderProperty();
  void CreateComponentsAndFiles();
  void AppendSearchPath();
  void ApplyMergeModules();
  void CreateFolders();
  void WriteRegistryTables();
  void CreateShortcuts();
  void LimitUserInterface();

  const std::string capturePath_;
  const std::string optionsPath_;
  const std::string projectPath_;
  const bool build_;

  bool settingsLoaded_ = false;
  bool logOpen_ = false;
  std::unique_ptr<project::VpxWriter> writer_;
  std::unique_ptr<capture::CaptureScript> script_;
  // The captured registry data waiting to be mapped, and the removed registry data.
  std::unique_ptr<capture::RegistryModel> registry_;
  std::unique_ptr<capture::RegistryModel> deletedRegistry_;
};

void ConversionRun::Execute() {
  core::ClearCancel();
  project::ResetBuildResult();
  LoadSettings();
  CurrentProgressPlan().Build(PlanSwitches::FromOptions());
  OpenLog();
  CreateProject();
  CreateCaptureModel();
  RunConversionSteps();
  ReleaseCapturedRegistry();
  SaveOrBuild();
  // The project and the package are in place: an interrupt that comes now changes nothing.
  CurrentProgressPlan().Announce(kStepFinished);
}

void ConversionRun::LoadSettings() {
  options::Options().Reset();
  options::SetOptionsPath(optionsPath_);
  settingsLoaded_ = true;
  options::Options().Load(optionsPath_);
  // Only the command line decides whether the package is built.
  options::Options().SetBuildMSI(build_);
  if (Flags().suppressTemplate) options::Options().ClearProjectTemplate();

  // An options file that reads as less than it holds would convert silently with defaults.
  const std::string file = options::ResolveOptionsPath(optionsPath_);
  switch (platform::InspectProfileFile(file)) {
    case platform::ProfileFileState::kUnreadable:
      core::LogMessage(core::kWarning, platform::Format("The options file %s cannot be read; every option takes its default.", file.c_str()));
      break;
    case platform::ProfileFileState::kCutAtNul:
      core::LogMessage(core::kWarning, platform::Format("The options file %s holds a NUL byte; only the text before it is read.",
                                            file.c_str()));
      break;
    case platform::ProfileFileState::kReadable:
    case platform::ProfileFileState::kMissing:
      break;
  }
}

void ConversionRun::OpenLog() {
  core::OpenConversionLog();
  logOpen_ = true;
  core::WriteLogLine(core::kTraceGeneral, platform::Format("Input : %s\r\nOutput: %s\r\n",
                                                          capturePath_.c_str(), projectPath_.c_str()));
}

void ConversionRun::CreateProject() {
  // The steps beside the content steps reach the content's components through the project
  // layer's lookup.
  project::SetComponentSource(&content::SessionComponents());
  writer_ = std::make_unique<project::VpxWriter>();
  writer_->Open(projectPath_);
}

// The capture model and the project writer are published for the steps that are not handed
// them; the registry models take "UseHKCUProxy" from the loaded options.
void ConversionRun::CreateCaptureModel() {
  script_ = std::make_unique<capture::CaptureScript>(capturePath_);
  project::SetCurrentProjectWriter(writer_.get());
  capture::SetCurrentCaptureScript(script_.get());
  registry_ = std::make_unique<capture::RegistryModel>();
  deletedRegistry_ = std::make_unique<capture::RegistryModel>();
  script_->AttachRegistryModel(registry_.get());
}

// The steps of the conversion, in their order:
//   1 read the capture (23003)             10 files and components (23005)
//   2 changes to base system files         11 registry mapping stage (23022 ... 23018)
//   3 captured registry files (23004)      12 search path
//   4 language                             13 merge modules (23019)
//   5 product folder                       14 folders (23013)
//   6 features                             15 Registry and RemoveRegistry tables (23016, 23036)
//   7 capture method                       16 shortcuts (23017)
//   8 source folder property               17 limited user interface
//   9 custom actions from the script       18 machine-specific paths
// A step announces its plan entry when it runs; steps that this program does not carry out yet
// are not called, and announce nothing. The script's calls are converted after the files, so
// that a call of a program that the package installs finds its File row.
void ConversionRun::RunConversionSteps() {
  ReadTheCapture();
  ReportOemEdits(*script_);
  LoadRegistryFiles();
  ApplyLanguage();
  SetProductFolder();
  CreateFeatures();
  SetCaptureMethod();
  SetSourceFolderProperty();
  CreateComponentsAndFiles();
  content::ConvertScriptCalls();
  MapRegistry(*registry_, *writer_);
  AppendSearchPath();
  ApplyMergeModules();
  CreateFolders();
  WriteRegistryTables();
  CreateShortcuts();
  LimitUserInterface();
  WarnMachineSpecificPaths(*script_);
}

void ConversionRun::ReadTheCapture() {
  NextStep(kStepReadingCapture);
  ReadCapture(*script_);
  // The captured files' versions are read beside the next steps, until the files are added.
  content::StartReadingVersions(capture::CheckCapturedFiles(*script_));
}

void ConversionRun::LoadRegistryFiles() {
  if (!options::SequenceSwitch("NIR")) return;
  NextStep(kStepLoadingRegistry);
  LoadCapturedRegistry(*script_, *deletedRegistry_);
}

void ConversionRun::ApplyLanguage() {
  if (options::Options().UseLanguage() && !script_->CaptureLanguage().empty())
    ApplyCaptureLanguage(*writer_, script_->CaptureLanguage());
}

void ConversionRun::SetCaptureMethod() { ApplyCaptureMethod(*writer_, script_->CaptureMethod()); }

// The product's main folder: NewInstallDir, else INSTALLDIR, in installer form.
void ConversionRun::SetProductFolder() {
  const options::ProjectOptions& options = options::Options();
  std::string folder = options.NewInstallDir().empty() ? options.InstallDir() : options.NewInstallDir();
  if (folder.empty()) return;
  {
    // The install directory's own path is where INSTALLDIR goes: it must not turn into
    // "[INSTALLDIR]" itself.
    InstallDirSubstitutionOff off;
    capture::ToInstallerPath(folder, true, false);
  }
  if (!folder.empty()) writer_->SetMainFolder(folder);
}

// The first numbered feature, then the features that the capture script defines: a feature's
// block names its child features, and a later block naming the same child wins.
void ConversionRun::CreateFeatures() {
  writer_->GetFeatureForNewComponent();
  if (!options::Options().BuildFeatures()) return;

  const std::vector<capture::FeatureEntry>& features = script_->Features();
  std::map<std::string, std::string, platform::LessNoCase> parents;
  for (const capture::FeatureEntry& feature : features) {
    size_t start = 0;
    while (start <= feature.blockText.size()) {
      size_t tab = feature.blockText.find('\t', start);
      if (tab == std::string::npos) tab = feature.blockText.size();
      std::string child = platform::Trim(feature.blockText.substr(start, tab - start));
      if (!child.empty()) parents[child] = feature.argument1;
      start = tab + 1;
    }
  }
  // The keys given so far, by name: a child names its parent by the parent's key.
  std::map<std::string, std::string, platform::LessNoCase> keys;
  for (const capture::FeatureEntry& feature : features) {
    std::string parentKey;
    if (auto parent = parents.find(feature.argument1); parent != parents.end()) {
      auto given = keys.find(parent->second);
      parentKey = given != keys.end() ? given->second : parent->second;
    }
    keys[feature.argument1] = writer_->CreateFeature(feature.argument1, parentKey, feature.argument2,
                                                     feature.argument3, FeatureDirectory(feature.argument4));
  }
}

// A feature's folder ("[ProgramFilesFolder]Acme" or a Directory key) as the Directory key the
// Feature table needs; INSTALLDIR (with a warning) when it names no folder the installer knows.
std::string ConversionRun::FeatureDirectory(const std::string& folder) {
  if (folder.empty()) return folder;
  const std::string known = writer_->KnownDirectoryKey(folder);
  if (!known.empty()) return known;
  std::string translated = folder;
  capture::ToInstallerFolder(translated, true, false);
  std::string key = writer_->DirectoryForPath(translated, "");
  if (key.empty()) {
    core::LogMessage(core::kWarning,
                     platform::Format("The folder '%s' of a feature is no folder the installer knows; "
                                      "the feature's folder is INSTALLDIR.",
                                      folder.c_str()));
    key = "INSTALLDIR";
  }
  return key;
}

void ConversionRun::SetSourceFolderProperty() {
  if (options::Options().EnablePathVariables())
    writer_->SetProperty("SOURCEFILEPATH", script_->ScriptFolder());
}

void ConversionRun::CreateComponentsAndFiles() {
  NextStep(kStepCreatingComponents);
  content::AddCapturedFiles(*script_);
  content::StopReadingVersions();
  content::WriteDeletedFiles(*script_);
}

void ConversionRun::AppendSearchPath() {
  if (!script_->AppendPathValue().empty())
    shortcuts::AppendPath("Path", script_->AppendPathValue(), script_->AppendPathMachineFlag());
}

void ConversionRun::ApplyMergeModules() {
  if (!options::Options().UseMergeModules()) return;
  NextStep(kStepMergeModules);
  mergemodules::MergeModuleSelector selector(*writer_, script_->ScriptFolder());
  selector.ApplyMergeModules();
}

void ConversionRun::CreateFolders() {
  NextStep(kStepFolders);
  content::AddCreatedFolders(*script_);
}

void ConversionRun::WriteRegistryTables() {
  if (!options::SequenceSwitch("RegistryTable")) return;
  NextStep(kStepRegistryTable);
  content::RegistryWriter registry(*writer_);
  registry.WriteRegistry(*registry_);
  NextStep(kStepRemoveRegistry);
  registry.WriteRemoveRegistry(*deletedRegistry_);
}

void ConversionRun::CreateShortcuts() {
  if (!options::SequenceSwitch("Shortcuts")) return;
  NextStep(kStepShortcuts);
  shortcuts::ShortcutContent content;
  content.iconKey = [](const std::string& sourcePath, int32_t index, const std::string& targetFile) {
    return content::GetIconKey(sourcePath, index, targetFile);
  };
  content.registerProfileFolders = [](const std::string& componentName, const std::string& directoryKey) {
    if (content::ComponentWriter* components = content::CurrentComponentWriter())
      components->RegisterUserProfileDirectories(componentName, directoryKey);
  };
  shortcuts::CreateShortcuts(*script_, *writer_, content);
}

void ConversionRun::LimitUserInterface() {
  if (options::Options().LimitedUI()) project::ApplyLimitedUI(*writer_);
}

// The captured registry data is in the project's tables now; the models that held it go before
// the save or build, which need the memory more.
void ConversionRun::ReleaseCapturedRegistry() {
  script_->AttachRegistryModel(nullptr);
  deletedRegistry_.reset();
  registry_.reset();
  platform::ReturnFreeMemory();
}

void ConversionRun::SaveOrBuild() {
  if (!build_) {
    NextStep(kStepSaving);
    if (!writer_->Save()) core::ThrowMessage(22006);
    return;
  }
  core::LogMessage(core::kInformation, "--------------------------");
  NextStep(kStepBuilding);
  // The build reads the saved project into memory of its own: the engine objects that the
  // conversion still holds go first, so that the project they belong to can be freed.
  capture::ClearKnowledgeBase();
  content::ResetContent();
  writer_->Build(project::VpxWriter::ProjectInBuild::kFreed);
}

ConversionRun::~ConversionRun() {
  capture::ClearKnowledgeBase();
  deletedRegistry_.reset();
  registry_.reset();
  capture::SetCurrentCaptureScript(nullptr);
  project::SetCurrentProjectWriter(nullptr);
  script_.reset();
  capture::SetInstallDirPath("");
  content::ResetContent();  // the content writers hold engine objects of the project
  writer_.reset();  // an unsaved project leaves no file behind
  project::ClearUsedKeys();
  if (logOpen_) core::CloseConversionLog();
  if (settingsLoaded_) {
    options::Options().Reset();
    options::SetOptionsPath("");
  }
}

}  // namespace

void IncToVpx::Run(const std::string& capturePath, const std::string& optionsPath,
                   const std::string& projectPath, bool build) {
  std::string failure;
  {
    ConversionRun run(capturePath, optionsPath, projectPath, build);
    try {
      run.Execute();
    } catch (const core::repackager_exception& e) {
      failure = e.what();
    } catch (...) {
      failure = "An unknown error occurred";
    }
  }
  // Reported after the teardown: the error reaches the console, not the closed log.
  if (!failure.empty()) core::LogMessage(core::kError, failure);
}

}  // namespace frontend
