// Captured files and folders: the component each file joins or gets, and the folder
// components of the folders the capture creates.
#include "content/captured_files.h"

#include <algorithm>
#include <map>
#include <string_view>

#include "capture/capture_filter.h"
#include "capture/capture_folder.h"
#include "capture/capture_script.h"
#include "capture/knowledge_base.h"
#include "capture/path_translation.h"
#include "capture/shortcut_targets.h"
#include "content/component_writer.h"
#include "content/content_session.h"
#include "content/file_writer.h"
#include "content/ini_files.h"
#include "core/cancellation.h"
#include "core/messages.h"
#include "core/string_table.h"
#include "options/project_options.h"
#include "platform/codepage.h"
#include "platform/pe_resources.h"
#include "platform/windows_names.h"
#include "project/check_hr.h"
#include "project/create_folder.h"
#include "project/keys.h"

namespace content {

namespace {

constexpr int kFontDescription = 25104;
constexpr int kNameWindowsRefuses = 22607;
constexpr int kSameInstalledPath = 22608;
constexpr int kFolderWindowsRefuses = 22609;
constexpr int kCreatedFolderWindowsRefuses = 22610;

std::string ToEngine(const std::string& ansi) { return platform::AnsiToUtf8(ansi); }

// The folder of a file list in installer form ("[INSTALLDIR]", "[ProgramFilesFolder]App\"). The
// Windows folder's Fonts is the fonts folder, where fonts are registered as well as copied.
std::string InstallerFolder(const std::string& folder) {
  std::string directory = folder;
  capture::ToInstallerFolder(directory, true, false);
  constexpr std::string_view kWindowsFonts = "[WindowsFolder]Fonts\\";
  if (platform::StartsWithNoCase(directory, kWindowsFonts))
    directory = "[FontsFolder]" + directory.substr(kWindowsFonts.size());
  return directory;
}

// A 64-bit folder's 32-bit counterpart: where a 32-bit package installs what the capture had in
// the 64-bit folder. Empty for other folders.
std::string ThirtyTwoBitFolder(const std::string& directory) {
  static const std::pair<std::string_view, std::string_view> kCounterparts[] = {
      {"[ProgramFiles64Folder]", "[ProgramFilesFolder]"},
      {"[System64Folder]", "[SystemFolder]"},
      {"[CommonFiles64Folder]", "[CommonFilesFolder]"}};
  for (const auto& [folder64, folder32] : kCounterparts)
    if (platform::StartsWithNoCase(directory, folder64))
      return std::string(folder32) + directory.substr(folder64.size());
  return std::string();
}

std::string HelpComponentKey(const std::string& directory, const std::string& fileName,
                             const std::string& condition) {
  const size_t dot = fileName.rfind('.');
  const std::string base = dot == std::string::npos ? fileName : fileName.substr(0, dot);
  return platform::ToLower(directory) + '|' + platform::ToLower(base) + '|' + condition;
}

bool IsFontsFolder(const std::string& directory) {
  return platform::EqualsNoCase(directory, "[FontsFolder]") ||
         platform::EqualsNoCase(directory, "[FontsFolder]\\");
}

}  // namespace

ComponentRef ComponentWriter::ComponentForFile(const std::string& installedPath,
                                               const std::string& directory,
                                               const FileKind& kind, const std::string& condition) {
  // A shortcut target is the key file of a component of its own.
  if (capture::IsShortcutTarget(installedPath)) return ComponentRef();
  if (kind.group == kHelpFiles) {
    const std::string fileName = installedPath.substr(std::min(directory.size(), installedPath.size()));
    auto found = helpComponents_.find(HelpComponentKey(directory, fileName, condition));
    if (found != helpComponents_.end()) return found->second;
  }
  if (kind.group == kOtherFiles && !options::Options().OtherFilesNewComponents() && condition.empty())
    return capture::GetComponentFor(directory);
  return ComponentRef();
}

const std::string& ComponentWriter::InstallerFormOf(const std::string& folder) {
  if (folder != lastFolder_.capturedFolder || lastFolder_.directory.empty())
    lastFolder_ = FolderPlacement{folder, InstallerFolder(folder), std::nullopt};
  return lastFolder_.directory;
}

bool ComponentWriter::KnowsFolder(const std::string& folder, const std::string& directory) {
  InstallerFormOf(folder);
  if (!lastFolder_.known) lastFolder_.known = !project_.DirectoryForPath(directory, "").empty();
  return *lastFolder_.known;
}

void ComponentWriter::AddCapturedFile(const std::string& folder, const capture::FileEntry& entry) {
  const std::string fileName = FileNameOfPath(entry.name);
  if (fileName.empty()) return;
  std::string directory = InstallerFormOf(folder);
  if (const std::string folder32 = ThirtyTwoBitFolder(directory);
      !folder32.empty() && !options::Options().Build64Bit()) {
    core::LogMessage(core::kWarning,
                     platform::Format("The file '%s' was captured in a 64-bit folder; the package is a 32-bit "
                                          "package and installs it into the 32-bit folder (Build64Bit=Y makes a "
                                          "64-bit package).",
                                          entry.name.c_str()));
    directory = folder32;
  }
  std::string namingFolder = folder;
  if (folder.empty()) {
    core::LogMessage(core::kWarning,
                     platform::Format("The file '%s' is listed before any target folder in the "
                                          "capture script; it is installed into INSTALLDIR.",
                                          platform::Excerpt(entry.name).c_str()));
    directory = namingFolder = "[INSTALLDIR]";
  } else if (!KnowsFolder(folder, directory)) {
    if (unknownFolders_.insert(folder).second)
      core::LogMessage(core::kWarning,
                       platform::Format("The folder '%s' is no folder the installer knows; its files are "
                                            "installed into INSTALLDIR.",
                                            folder.c_str()));
    directory = "[INSTALLDIR]";
  }
  // An INI file whose lines the IniFile table can express is written entry by entry instead.
  if (platform::EqualsNoCase(ExtensionOfPath(fileName), "ini") &&
      ConvertIniFile(capture::MakeSourcePath(entry.name, folder), directory, folder))
    return;
  const std::string installedPath = directory + fileName;
  const FileKind kind = extensions_.KindOf(ExtensionOfPath(fileName));

  ComponentRef component = ComponentForFile(installedPath, directory, kind, entry.condition);
  const bool created = !component;
  std::string componentName;
  if (created) {
    componentName = MakeComponentName(entry.name, namingFolder);
    component = CreateComponent(componentName, "", directory, "", kFileComponent, entry.condition);
    if (!(kind.group == kOtherFiles && options::Options().OtherFilesNewComponents()))
      CHECK_HR(component->SetDescription(ToEngine(core::LoadString(kind.descriptionId))));
  } else {
    std::string utf8Name;
    CHECK_HR(component->GetName(&utf8Name));
    componentName = platform::Utf8ToAnsi(utf8Name);
  }

  // Attribute 6 of a file line marks a file that registers itself.
  std::string sourcePath;
  const std::string fileKey =
      files_.AddFile(componentName, DirectoryKeyOf(component), entry.name, folder, entry.field6, &sourcePath);
  if (!fileKey.empty()) {
    if (kind.descriptionId == kFontDescription && IsFontsFolder(directory)) AddFont(fileKey, entry.name, sourcePath);
    const std::string keyPath = keyFiles_.FileAdded(componentName, fileKey, sourcePath,
                                                    capture::IsShortcutTarget(installedPath));
    if (!keyPath.empty()) CHECK_HR(component->SetKeyPath(ToEngine(keyPath)));
  }

  if (created) {
    capture::SetComponentFor(componentName, component);
    project::MarkKeyUsed(project::kComponentKeys, componentName);
    // Other files of the folder join this component; files under an install condition only
    // join components of the same condition, so the folder keeps an unconditioned one.
    if (kind.group == kOtherFiles && entry.condition.empty())
      capture::SetComponentFor(directory, component);
    if (kind.group == kHelpFiles)
      helpComponents_[HelpComponentKey(directory, fileName, entry.condition)] = component;
  }
  capture::SetComponentFor(installedPath, component);
}

// A font of the fonts folder is registered. TrueType fonts carry their name; a font resource
// file (.fon) is registered under its title, the face name of its font directory.
void ComponentWriter::AddFont(const std::string& fileKey, const std::string& capturedPath,
                              const std::string& sourcePath) {
  if (!platform::EqualsNoCase(ExtensionOfPath(capturedPath), "fon")) {
    files_.AddFont(fileKey, "");
    return;
  }
  const auto title = platform::FontFaceNameOfFile(capture::HostPathOfSource(sourcePath));
  if (!title) {
    core::LogMessage(core::kWarning,
                     platform::Format("The font '%s' has no font directory to take its title from; it is "
                                          "installed but not registered as a font.",
                                          capturedPath.c_str()));
    return;
  }
  files_.AddFont(fileKey, *title);
}

void ComponentWriter::AddCreatedFolder(const capture::FolderEntry& folder) {
  core::TestCancel();
  if (folder.folder.empty()) return;
  const std::string directory = InstallerFolder(folder.folder);
  if (const std::string fault = platform::FolderNameFault(directory); !fault.empty()) {
    core::LogMessage(core::kError, core::FormatString(kCreatedFolderWindowsRefuses,
                                                      platform::Excerpt(folder.folder).c_str(),
                                                      platform::Excerpt(fault).c_str()));
    return;
  }
  const std::string directoryKey = project_.DirectoryForPath(directory, "");
  if (directoryKey.empty()) {
    core::LogMessage(core::kWarning,
                     platform::Format("The folder '%s' is no folder the installer knows; it is not created.",
                                          folder.folder.c_str()));
    return;
  }
  if (componentDirectories_.count(directoryKey)) return;

  const std::string unique =
      project::MakeUniqueKey(project::kComponentKeys, LastFolderName(folder.folder), 0, false);
  const std::string name = UniqueComponentName(unique, naming_.Apply(unique, kCreateFolderNaming));
  project_.SetCurrentFeature("");
  ComponentRef component = CreateComponent(name, "", directory, "", kFileComponent);
  project::WriteCreateFolder(DirectoryKeyOf(component), name);
}

namespace {

// A file that Windows cannot install under its name, or a second file at the same installed
// path (Windows ignores letter case), is an error naming the captured entry, and is left out.
class InstallableNames {
 public:
  explicit InstallableNames(const capture::CaptureScript& script) : script_(script) {}

  // directory: the entry's folder in installer form.
  bool Accept(const std::string& directory, const capture::FileEntry& entry) {
    if (directory != checkedFolder_) {
      checkedFolder_ = directory;
      folderFault_ = platform::FolderNameFault(directory);
    }
    if (!folderFault_.empty()) {
      Refuse(entry, core::FormatString(kFolderWindowsRefuses, platform::Excerpt(folderFault_).c_str()));
      return false;
    }
    const std::string fileName = FileNameOfPath(entry.name);
    if (const std::string fault = platform::WindowsNameFault(fileName); !fault.empty()) {
      Refuse(entry, core::FormatString(kNameWindowsRefuses, fault.c_str()));
      return false;
    }
    const std::string installedPath = directory + fileName;
    const auto [first, inserted] = installedPaths_.try_emplace(installedPath, &entry);
    if (!inserted) {
      Refuse(entry, core::FormatString(kSameInstalledPath, platform::Excerpt(first->second->name).c_str(),
                                       static_cast<int>(first->second->scriptLine)));
      return false;
    }
    return true;
  }

 private:
  void Refuse(const capture::FileEntry& entry, const std::string& why) const {
    core::LogMessage(core::kError, platform::Format("%s(%zu): the file '%s' %s", script_.ScriptPath().c_str(),
                                                    entry.scriptLine, platform::Excerpt(entry.name).c_str(),
                                                    why.c_str()));
  }

  const capture::CaptureScript& script_;
  std::map<std::string, const capture::FileEntry*, platform::LessNoCase> installedPaths_;
  std::string checkedFolder_;  // the last folder checked, and what Windows has against its names
  std::string folderFault_;
};

}  // namespace

void AddCapturedFiles(const capture::CaptureScript& script) {
  ComponentWriter* components = CurrentComponentWriter();
  if (!components) return;
  InstallableNames names(script);
  for (const auto& [folder, entries] : script.InstalledFiles()) {
    const std::string directory = InstallerFolder(folder);
    for (const capture::FileEntry& entry : entries) {
      core::TestCancel();
      if (capture::CurrentCaptureFilter().IsFileExcluded(folder, FileNameOfPath(entry.name))) continue;
      if (!names.Accept(directory, entry)) continue;
      components->AddCapturedFile(folder, entry);
    }
  }
}

void AddCreatedFolders(const capture::CaptureScript& script) {
  ComponentWriter* components = CurrentComponentWriter();
  if (!components) return;
  for (const capture::FolderEntry& folder : script.Folders()) components->AddCreatedFolder(folder);
}

}  // namespace content
