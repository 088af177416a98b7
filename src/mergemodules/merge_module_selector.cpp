#include "mergemodules/merge_module_selector.h"

#include "capture/knowledge_base.h"
#include "capture/shortcut_targets.h"
#include "core/cancellation.h"
#include "core/messages.h"
#include "core/string_table.h"
#include "options/project_options.h"
#include "platform/codepage.h"
#include "platform/file_version.h"
#include "platform/host_paths.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "project/check_hr.h"
#include "project/engine_loader.h"
#include "project/vpx_writer.h"
#include "qv/project_tables.h"

namespace mergemodules {

namespace {

constexpr int kIncludingModule = 21084;
constexpr int kSkippedForShortcut = 22200;

std::string FileNameOf(const std::string& path) {
  const size_t separator = platform::LastSeparator(path);
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

// The long name of a File row's "short|long" name.
std::string LongNameOf(qv::IFile* file) {
  std::string name;
  CHECK_HR(file->GetFileName(&name));
  name = platform::Utf8ToAnsi(name);
  return name.substr(name.find('|') + 1);
}

std::vector<qv::ComPtr<qv::IFile>> FilesOf(qv::IComponent* component) {
  std::vector<qv::ComPtr<qv::IFile>> files;
  qv::ComPtr<qv::IFileCollection> collection;
  if (qv::Failed(CHECK_HR(component->GetFiles(collection.Put()))) || !collection) return files;
  int32_t count = 0;
  CHECK_HR(collection->GetCount(&count));
  for (int32_t i = 0; i < count; ++i) {
    qv::ComPtr<qv::IFile> file;
    if (qv::Succeeded(CHECK_HR(collection->Item(i, file.Put()))) && file) files.push_back(file);
  }
  return files;
}

}  // namespace

FileInformation GetFileInformation(const std::string& path) {
  FileInformation info;
  info.fileName = FileNameOf(path);
  platform::FileVersionInfo version;
  if (platform::ReadFileVersionInfo(platform::ResolveHostPath(path), &version) == platform::VersionStatus::kFound) {
    info.version = version.VersionText();
    if (version.language) info.language = std::to_string(*version.language);
  }
  core::LogTrace(core::kTraceGeneral, "file info: filename=%s, language=%s, version=%s", info.fileName.c_str(),
                 info.language.c_str(), info.version.c_str());
  return info;
}

MergeModuleSelector::MergeModuleSelector(project::VpxWriter& project, std::string scriptFolder)
    : project_(project), scriptFolder_(std::move(scriptFolder)) {}

void MergeModuleSelector::OpenCatalog() {
  core::TestCancel();
  catalog_ = qv::ComPtr<qv::IMergeModuleCatalog>();
  if (qv::Failed(CHECK_HR(project::CreateEngineObject(project::kMergeModuleCatalogLibrary, qv::CLSID_MergeModuleCatalog,
                                                      qv::IID_IMergeModuleCatalog, &catalog_)))) {
    catalog_ = qv::ComPtr<qv::IMergeModuleCatalog>();
    return;
  }
  const std::string currentDirectory = platform::CurrentDirectory();
  std::string searchPath = platform::GetProfileString("IDE", "MMSearchPath", "", currentDirectory + "/qvlc.ini", 2048);
  const std::string& additional = options::Options().AddlMMSearchPath();
  if (!searchPath.empty() && !additional.empty()) searchPath += ',';
  searchPath += additional;
  if (searchPath.empty()) return;  // the catalog's own default folder
  for (char& c : searchPath)
    if (c == ';') c = ',';
  searchPath = platform::Format("%s,%s", currentDirectory.c_str(), searchPath.c_str());
  core::LogTrace(core::kTraceGeneral, "Merge module search path: %s", searchPath.c_str());
  CHECK_HR(catalog_->SetSearchPath(platform::AnsiToUtf8(searchPath)));
  std::vector<std::string> problems;
  if (qv::Succeeded(CHECK_HR(catalog_->GetProblems(&problems))))
    for (const std::string& problem : problems)
      core::LogTrace(core::kTraceGeneral, "Merge module skipped: %s", platform::Utf8ToAnsi(problem).c_str());
}

void MergeModuleSelector::LoadExclusions() {
  const std::vector<std::string> entries = options::ReadSectionList("MMExclusions");
  exclusions_ = std::set<std::string>(entries.begin(), entries.end());
}

std::string MergeModuleSelector::NameOf(qv::IMergeModule* module) {
  std::string name;
  CHECK_HR(module->GetName(&name));
  return platform::Utf8ToAnsi(name);
}

qv::ComPtr<qv::IMergeModule> MergeModuleSelector::FindModuleForFile(const std::string& path) {
  std::string lookupName = path;
  if (const size_t brace = path.find('}'); brace != std::string::npos)
    lookupName = platform::TrimLeft(path.substr(brace + 1));
  if (!catalog_) return {};
  const FileInformation info = GetFileInformation(path);
  qv::ComPtr<qv::IMergeModule> module;
  if (options::Options().MMPathVersion()) {
    // The lookup name's folder, joined with the file name.
    const size_t separator = platform::LastSeparator(lookupName);
    const std::string folder = separator == std::string::npos ? std::string() : lookupName.substr(0, separator);
    CHECK_HR(catalog_->FindByPathVersion(platform::AnsiToUtf8(folder + "\\" + info.fileName), info.language,
                                         info.version, module.Put()));
  } else {
    CHECK_HR(catalog_->FindByFile(platform::AnsiToUtf8(info.fileName), info.language, info.version, module.Put()));
  }
  if (!module) return {};
  if (exclusions_.count(NameOf(module.Get()))) return {};
  return module;
}

// "<SOURCEFILEPATH>\" stands for the capture's folder.
std::string MergeModuleSelector::SourcePathOf(qv::IFile* file) const {
  std::string source;
  CHECK_HR(file->GetSourcePath(&source));
  source = platform::Utf8ToAnsi(source);
  const std::string prefix = qv::kSourceFilePathPrefix;
  if (source.compare(0, prefix.size(), prefix) == 0) source = scriptFolder_ + source.substr(prefix.size());
  return source;
}

// The modules that carry the files shortcuts point to.
void MergeModuleSelector::CollectShortcutModules() {
  for (const std::string& target : capture::ShortcutTargetPaths()) {
    const capture::ComponentRef component = capture::GetComponentFor(target);
    if (!component) continue;
    const std::string targetName = FileNameOf(target.substr(target.find(']') + 1));
    for (const qv::ComPtr<qv::IFile>& file : FilesOf(component.Get())) {
      if (!platform::EqualsNoCase(LongNameOf(file.Get()), targetName)) continue;
      if (qv::ComPtr<qv::IMergeModule> module = FindModuleForFile(SourcePathOf(file.Get())))
        skipped_.insert(NameOf(module.Get()));
    }
  }
}

void MergeModuleSelector::ApplyMergeModules() {
  if (!options::Options().UseMergeModules()) return;
  core::TestCancel();
  OpenCatalog();
  LoadExclusions();
  if (options::Options().SkipMMIfShortcut()) CollectShortcutModules();

  const qv::ComPtr<qv::IProduct> product = project_.Product();
  qv::ComPtr<qv::IComponentCollection> collection;
  if (!product || qv::Failed(CHECK_HR(product->GetComponents(collection.Put()))) || !collection) return;
  // The components are taken first: removing one shifts the collection's positions.
  std::vector<qv::ComPtr<qv::IComponent>> components;
  int32_t count = 0;
  CHECK_HR(collection->GetCount(&count));
  for (int32_t i = 0; i < count; ++i) {
    qv::ComPtr<qv::IComponent> component;
    if (qv::Succeeded(CHECK_HR(collection->Item(i, component.Put()))) && component) components.push_back(component);
  }
  for (const qv::ComPtr<qv::IComponent>& component : components) {
    bool moduleIncluded = false, everyFileCovered = true;
    std::string lastModule;
    std::vector<std::string> features;
    CHECK_HR(component->GetFeatures(&features));
    for (const qv::ComPtr<qv::IFile>& file : FilesOf(component.Get())) {
      const std::string path = SourcePathOf(file.Get());
      core::TestCancel();
      qv::ComPtr<qv::IMergeModule> module = FindModuleForFile(path);
      if (!module) {
        everyFileCovered = false;
        continue;
      }
      lastModule = NameOf(module.Get());
      if (skipped_.count(lastModule)) {
        if (reported_.insert(lastModule).second)
          core::LogMessage(core::kWarning, core::FormatString(kSkippedForShortcut, lastModule.c_str()));
        everyFileCovered = false;
        continue;
      }
      // The module joins every feature that held the component; a file whose module could not
      // be recorded stays in the component.
      bool recorded = !features.empty();
      for (const std::string& feature : features)
        if (qv::Failed(CHECK_HR(module->AddToProject(project_.Project(), feature)))) recorded = false;
      if (!recorded) {
        everyFileCovered = false;
        continue;
      }
      moduleIncluded = true;
      if (included_.insert(lastModule).second)
        core::LogMessage(core::kInformation, core::FormatString(kIncludingModule, lastModule.c_str()));
      core::LogTrace(core::kTraceGeneral, "Merge module '%s' included because of file '%s'", lastModule.c_str(),
                     path.c_str());
    }
    if (moduleIncluded && everyFileCovered) {
      std::string name;
      CHECK_HR(component->GetName(&name));
      core::LogTrace(core::kTraceGeneral, "Component '%s' will be deleted because of merge module '%s'",
                     platform::Utf8ToAnsi(name).c_str(), lastModule.c_str());
      CHECK_HR(collection->Remove(name));
    }
  }
}

}  // namespace mergemodules
