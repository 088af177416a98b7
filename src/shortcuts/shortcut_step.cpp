// The Shortcut rows: component, folder, name, target, arguments, icon and working folder of
// each captured shortcut.
#include "shortcuts/shortcut_step.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <set>
#include <vector>

#include "capture/capture_folder.h"
#include "capture/capture_script.h"
#include "capture/folder_rules.h"
#include "capture/path_translation.h"
#include "capture/registry_text.h"
#include "capture/shortcut_targets.h"
#include "core/cancellation.h"
#include "core/guid_source.h"
#include "core/messages.h"
#include "core/string_table.h"
#include "options/project_options.h"
#include "platform/codepage.h"
#include "platform/icon_count.h"
#include "platform/text.h"
#include "platform/windows_names.h"
#include "project/check_hr.h"
#include "project/component_lookup.h"
#include "project/keys.h"
#include "project/msi_record.h"
#include "project/short_names.h"
#include "project/vpx_writer.h"

namespace shortcuts {

namespace {

constexpr int kNotAdvertised = 21088;
constexpr const char* kShortcutsComponent = "ShortcutsComponent";
constexpr int32_t kAttributeRegistryKeyPath = 0x04;
constexpr int32_t kRootCurrentUser = 1;
constexpr int32_t kRootUserOrMachine = -1;  // HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE by ALLUSERS
constexpr int32_t kShowNormal = 1;
// The setting the project keeps for each folder on the way from a shortcut's folder to the root.
constexpr int32_t kShortcutFolderFlags = 3;

using ComponentRef = capture::ComponentRef;

std::string ToEngine(const std::string& ansi) { return platform::AnsiToUtf8(ansi); }
std::string FromEngine(const std::string& utf8) { return platform::Utf8ToAnsi(utf8); }

// "[INSTALLDIR]app.exe" and "C:\Tools\app.exe" name app.exe.
std::string FileNameOf(const std::string& path) {
  const size_t separator = platform::FindLastOfCharacters(path, "\\]");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string ComponentName(const ComponentRef& component) {
  std::string name;
  if (component) CHECK_HR(component->GetName(&name));
  return FromEngine(name);
}

std::string SourcePathOf(const qv::ComPtr<qv::IFile>& file) {
  std::string sourcePath;
  if (!file || qv::Failed(CHECK_HR(file->GetSourcePath(&sourcePath)))) return {};
  return FromEngine(sourcePath);
}

// A captured file by the path a shortcut names, as captured or translated.
qv::ComPtr<qv::IFile> CapturedFile(const std::string& path) {
  if (path.empty()) return {};
  if (qv::ComPtr<qv::IFile> file = capture::CapturedFileNamed(path)) return file;
  std::string translated = path;
  capture::ToInstallerPath(translated, true, false);
  return capture::CapturedFileNamed(translated);
}

// Whether the file holds the icon of that index (the icons are counted as the shell counts them).
bool HoldsIcon(const std::string& sourcePath, int32_t index) {
  if (sourcePath.empty()) return false;
  const std::string hostPath = capture::HostPathOfSource(sourcePath);
  if (!capture::RefusalOf(hostPath).empty()) return false;
  const std::optional<int> icons = platform::CountIcons(hostPath);
  return icons && *icons > std::abs(index);
}

// The working folder as the Shortcut table's WkDir names it: a property that holds the folder.
bool LooksLikePath(const std::string& text) {
  return text.size() >= 2 && (text[0] == '%' || text[0] == '[' || text[0] == '\\' || text[1] == ':');
}

class ShortcutStep {
 public:
  ShortcutStep(project::VpxWriter& project, const ShortcutContent& content) : project_(project), content_(content) {}
  void Add(const capture::ShortcutEntry& entry);
  // The key path of "ShortcutsComponent", once every shortcut is placed.
  void Finish();

 private:
  struct Folder {
    std::string key;
    bool inProfile = false;
  };

  ComponentRef AdvertisingComponent(const std::string& target, std::string* feature);
  ComponentRef PlainComponent();
  Folder ShortcutFolder(const std::string& expandedFolder);
  void RekeyLowerCase(qv::IDirectory& directory, const std::string& key, Folder& folder);
  void RenameDirProperty(const std::string& table, const std::string& oldKey, const std::string& newKey);
  std::string WorkingFolder(const std::string& captured);
  std::string IconKey(const capture::ShortcutEntry& entry, const std::string& target, int32_t* index);

  project::VpxWriter& project_;
  const ShortcutContent& content_;
  ComponentRef plainComponent_;
  bool plainInProfile_ = false;
  bool productIconSet_ = false;
};

// The component whose key file the shortcut can launch as an advertised shortcut: the target is
// a captured file, the key file of its component, and holds an icon; the options ask for
// advertised shortcuts and features. Empty otherwise.
ComponentRef ShortcutStep::AdvertisingComponent(const std::string& target, std::string* feature) {
  const options::ProjectOptions& settings = options::Options();
  if (!settings.UseAdvertisedShortcuts() || !settings.BuildFeatures()) return {};
  const qv::ComPtr<qv::IFile> file = CapturedFile(target);
  if (!file) return {};
  std::string fileKey, componentName;
  CHECK_HR(file->GetKey(&fileKey));
  CHECK_HR(file->GetComponent(&componentName));
  ComponentRef component = project::GetComponent(FromEngine(componentName), false);
  std::string keyPath;
  if (!component || qv::Failed(CHECK_HR(component->GetKeyPath(&keyPath))) || keyPath != fileKey) return {};
  if (!HoldsIcon(SourcePathOf(file), 0)) return {};

  std::vector<std::string> features;
  if (qv::Failed(CHECK_HR(component->GetFeatures(&features))) || features.empty()) return {};
  *feature = FromEngine(features.front());
  feature->erase(std::min(feature->find(':'), feature->size()));
  return feature->empty() ? ComponentRef() : component;
}

ComponentRef ShortcutStep::PlainComponent() {
  if (!plainComponent_) plainComponent_ = project::GetComponent(kShortcutsComponent, true);
  return plainComponent_;
}

// Its key path: a value of its own under HKEY_CURRENT_USER, or under the root that follows
// ALLUSERS when MultiUserShortcuts asks for it and no plain shortcut lies in the user's profile
// (the installer wants a per-user key path for those).
void ShortcutStep::Finish() {
  if (!plainComponent_) return;
  int32_t attributes = 0;
  CHECK_HR(plainComponent_->GetAttributes(&attributes));
  if (attributes & kAttributeRegistryKeyPath) return;  // a per-user one already (INSTALLDIR in the profile)
  const bool eitherRoot = options::Options().MultiUserShortcuts() && !plainInProfile_;
  const std::string key = project::MakeUniqueKey(project::kUserProfileRegistryKeys, "Registry_Shortcuts", 0, false);
  {
    project::MSIRecord record(project_, "Registry");
    record.SetField(1, key);
    record.SetField(2, eitherRoot ? kRootUserOrMachine : kRootCurrentUser);
    record.SetField(3, "Software\\Shortcuts");
    record.SetField(4, core::CreateGuidString());
    record.SetField(6, kShortcutsComponent);
    if (!record.Commit()) return;
  }
  CHECK_HR(plainComponent_->SetKeyPath(ToEngine(key)));
  CHECK_HR(plainComponent_->SetAttributes(attributes | kAttributeRegistryKeyPath));
}

// The Directory key of the shortcut's folder. Each folder up to the root gets the project's
// shortcut-folder setting; a folder of the capture's own (not a standard folder, not
// INSTALLDIR) gets a lower-case key; a folder in the user's profile is removed on uninstall.
ShortcutStep::Folder ShortcutStep::ShortcutFolder(const std::string& expandedFolder) {
  Folder folder;
  std::string path = expandedFolder;
  capture::ToInstallerFolder(path, true, false);
  folder.key = project_.DirectoryForPath(path, "");
  const qv::ComPtr<qv::IProduct> product = project_.Product();
  qv::ComPtr<qv::IDirectoryCollection> directories;
  if (folder.key.empty() || !product || qv::Failed(CHECK_HR(product->GetDirectories(directories.Put()))) ||
      !directories)
    return folder;

  qv::ComPtr<qv::IDirectory> shortcutDirectory;
  std::set<std::string> walked;  // a malformed Directory chain ends here
  for (std::string key = folder.key; !key.empty() && walked.insert(key).second;) {
    qv::ComPtr<qv::IDirectory> directory;
    if (CHECK_HR(directories->Find(ToEngine(key), directory.Put())) != qv::kOk || !directory) break;
    CHECK_HR(directory->SetFlags(kShortcutFolderFlags));
    if (capture::IsUserProfileFolder(key)) folder.inProfile = true;
    if (!shortcutDirectory) shortcutDirectory = directory;
    std::string parent;
    CHECK_HR(directory->GetParent(&parent));
    key = FromEngine(parent);
  }
  const bool standard = capture::KnownFolders().count(folder.key) || folder.key == "TARGETDIR" ||
                        folder.key == "INSTALLDIR" || platform::EqualsNoCase(expandedFolder, "[INSTALLDIR]");
  if (shortcutDirectory && !standard) RekeyLowerCase(*shortcutDirectory.Get(), folder.key, folder);
  return folder;
}

void ShortcutStep::RekeyLowerCase(qv::IDirectory& directory, const std::string& key, Folder& folder) {
  const std::string lower = platform::ToLower(key);
  if (lower == key) return;
  const qv::ComPtr<qv::IProduct> product = project_.Product();
  qv::ComPtr<qv::IDirectoryCollection> directories;
  if (!product || qv::Failed(CHECK_HR(product->GetDirectories(directories.Put()))) || !directories) return;
  // The engine refuses keys that are taken, by a directory or by a property of the package.
  for (int n = 0; n < 1000; ++n) {
    const std::string candidate = n == 0 ? lower : platform::Format("%s%i", lower.c_str(), n);
    qv::ComPtr<qv::IDirectory> existing;
    if (directories->Find(ToEngine(candidate), existing.Put()) == qv::kOk) continue;
    const qv::HResult hr = directory.SetKey(ToEngine(candidate));
    if (hr == qv::kDuplicateKey || hr == qv::kBadValue) continue;
    if (qv::Failed(CHECK_HR(hr))) return;
    // IniFile and RemoveFile name folders as properties, not as references the engine follows.
    RenameDirProperty("IniFile", key, candidate);
    RenameDirProperty("RemoveFile", key, candidate);
    folder.key = candidate;
    return;
  }
}

void ShortcutStep::RenameDirProperty(const std::string& table, const std::string& oldKey, const std::string& newKey) {
  const qv::ComPtr<qv::ITable> rows = project_.FindTable(table);
  qv::ComPtr<qv::IView> view;
  if (!rows || qv::Failed(CHECK_HR(rows->OpenView(
                   platform::Format("SELECT * FROM %s WHERE `DirProperty` = '%s'", table.c_str(), oldKey.c_str()),
                   view.Put()))))
    return;
  std::vector<qv::ComPtr<qv::IRow>> matches;
  for (qv::ComPtr<qv::IRow> row; CHECK_HR(view->Next(row.Put())) == qv::kOk && row;) matches.push_back(row);
  for (const qv::ComPtr<qv::IRow>& row : matches) {
    qv::ComPtr<qv::IFieldCollection> fields;
    qv::ComPtr<qv::IField> field;
    if (qv::Failed(CHECK_HR(row->GetFields(fields.Put()))) || !fields) continue;
    for (int32_t column = 1; CHECK_HR(fields->Item(column, field.Put())) == qv::kOk && field; ++column) {
      std::string name;
      CHECK_HR(field->GetName(&name));
      if (name != "DirProperty") continue;
      if (qv::Succeeded(CHECK_HR(field->SetValue(qv::Variant::Text(ToEngine(newKey)))))) CHECK_HR(row->Commit(0));
      break;
    }
  }
}

std::string ShortcutStep::WorkingFolder(const std::string& captured) {
  if (captured.empty()) return {};
  if (platform::EqualsNoCase(captured, "%%HOMEDRIVE%%%%HOMEPATH%%") ||
      platform::EqualsNoCase(captured, "%HOMEDRIVE%%HOMEPATH%")) {
    project_.SetProperty("HOMEDRIVE_HOMEPATH", "%HOMEDRIVE%%HOMEPATH%");
    return "HOMEDRIVE_HOMEPATH";
  }
  if (!LooksLikePath(captured)) return {};
  std::string folder = captured;
  capture::ToInstallerFolder(folder, true, false);
  return project_.DirectoryForPath(folder, "");
}

// The Icon row of the shortcut: its own icon file, which must be a captured file, or else the
// target when that is a captured file. Empty when neither holds the icon.
std::string ShortcutStep::IconKey(const capture::ShortcutEntry& entry, const std::string& target, int32_t* index) {
  *index = entry.iconIndex < 0 ? 0 : entry.iconIndex;  // -1: none given, the first icon
  std::string sourcePath;
  if (!entry.iconFile.empty()) {
    sourcePath = SourcePathOf(CapturedFile(entry.iconFile));
    if (sourcePath.empty()) {
      core::LogMessage(core::kWarning, platform::Format("Cannot create icon for shortcut '%s' due to unknown file '%s'",
                                                        platform::Excerpt(entry.linkName).c_str(),
                                                        platform::Excerpt(entry.iconFile).c_str()));
      return {};
    }
  } else {
    sourcePath = SourcePathOf(CapturedFile(target));
  }
  if (!HoldsIcon(sourcePath, *index) || !content_.iconKey) return {};
  return content_.iconKey(sourcePath, *index, target);
}

void ShortcutStep::Add(const capture::ShortcutEntry& entry) {
  core::TestCancel();
  if (capture::IsSkippedShortcut(entry)) return;
  const capture::ShortcutCommand command = capture::SplitShortcutCommandLine(entry.commandLine);
  std::string target = command.target;
  capture::ToInstallerPath(target, true, false);
  std::string expandedFolder = entry.folder;
  capture::MapShortcutFolder(expandedFolder);
  // The link is a file the installer creates: Windows must be able to hold its name and folders.
  if (const std::string nameFault = platform::InstallPathFault(expandedFolder, entry.linkName); !nameFault.empty()) {
    core::LogMessage(core::kWarning, platform::Format("The shortcut '%s' is left out: %s.",
                                                      platform::Excerpt(entry.linkName).c_str(),
                                                      platform::Excerpt(nameFault).c_str()));
    return;
  }

  std::string feature;
  const ComponentRef advertised = AdvertisingComponent(target, &feature);
  if (!advertised)
    core::LogMessage(core::kWarning, core::FormatString(kNotAdvertised, platform::Excerpt(FileNameOf(target)).c_str(),
                                                        platform::Excerpt(expandedFolder).c_str()));
  const ComponentRef component = advertised ? advertised : PlainComponent();
  const std::string componentName = ComponentName(component);

  const Folder folder = ShortcutFolder(expandedFolder);
  if (folder.key.empty()) {
    core::LogMessage(core::kWarning,
                     platform::Format("The shortcut '%s' is left out: its folder '%s' is no folder the installer knows.",
                                      platform::Excerpt(entry.linkName).c_str(), platform::Excerpt(entry.folder).c_str()));
    return;
  }
  if (folder.inProfile) {
    if (content_.registerProfileFolders) content_.registerProfileFolders(componentName, folder.key);
    if (!advertised) plainInProfile_ = true;
  }

  std::string name = project::InstallerFileName(entry.linkName, folder.key);
  if (!project::HasValidShortPart(name)) name = project::StrictInstallerFileName(entry.linkName, folder.key);
  std::string arguments = command.arguments;
  if (!arguments.empty()) capture::ConvertEmbeddedPaths(arguments, true, false);
  int32_t iconIndex = 0;
  const std::string iconKey = IconKey(entry, target, &iconIndex);
  const std::string workingFolder = WorkingFolder(entry.workingDirectory);

  const std::string key = project::MakeUniqueKey(project::kShortcutKeys, entry.linkName, 0, false);
  {
    project::MSIRecord record(project_, "Shortcut");
    record.SetField(1, key);
    record.SetField(2, folder.key);
    record.SetField(3, name);
    record.SetField(4, componentName);
    record.SetField(5, advertised ? feature : target);
    if (!arguments.empty()) record.SetField(6, arguments);
    if (!iconKey.empty()) {
      record.SetField(9, iconKey);
      record.SetField(10, iconIndex);
    }
    record.SetField(11, kShowNormal);
    if (!workingFolder.empty()) record.SetField(12, workingFolder);
    if (!record.Commit()) return;
  }
  core::LogTrace(core::kTraceShortcut, "Created shortcut: key = '%s', file = '%s', component = '%s'", key.c_str(),
                 name.c_str(), componentName.c_str());

  if (advertised && !iconKey.empty() && !productIconSet_) {
    project_.SetProductIcon(iconKey);
    productIconSet_ = true;
  }
}

}  // namespace

void CreateShortcuts(const capture::CaptureScript& script, project::VpxWriter& project, const ShortcutContent& content) {
  ShortcutStep step(project, content);
  for (const capture::ShortcutEntry& entry : script.Shortcuts()) step.Add(entry);
  step.Finish();
}

}  // namespace shortcuts
