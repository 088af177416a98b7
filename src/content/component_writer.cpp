// Component creation, naming and lookup.
#include "content/component_writer.h"

#include <array>
#include <string_view>

#include "capture/folder_rules.h"
#include "content/file_writer.h"
#include "core/guid_source.h"
#include "core/messages.h"
#include "core/repackager_exception.h"
#include "options/project_options.h"
#include "platform/codepage.h"
#include "project/check_hr.h"
#include "project/keys.h"
#include "project/msi_record.h"

namespace content {

namespace {

constexpr int32_t kAttributeRegistryKeyPath = 0x04;
constexpr int32_t kAttributeShared = 0x08;
constexpr int32_t kAttributePermanent = 0x10;
constexpr int32_t kAttributeOdbcDataSource = 0x20;
constexpr int32_t kAttribute64Bit = 0x100;

constexpr std::array<std::string_view, 4> kSystemFolders = {"[SystemFolder]", "[System16Folder]",
                                                            "[System64Folder]", "System32"};
constexpr std::array<std::string_view, 2> kCommonFilesFolders = {"[CommonFilesFolder]",
                                                                 "[CommonFiles64Folder]"};
constexpr std::array<std::string_view, 3> k64BitFolders = {"[ProgramFiles64Folder]", "[System64Folder]",
                                                           "[CommonFiles64Folder]"};

std::string ToEngine(const std::string& ansi) { return platform::AnsiToUtf8(ansi); }
std::string FromEngine(const std::string& utf8) { return platform::Utf8ToAnsi(utf8); }

template <size_t N>
bool StartsWithAny(const std::string& text, const std::array<std::string_view, N>& prefixes) {
  for (std::string_view prefix : prefixes)
    if (platform::StartsWithNoCase(text, prefix)) return true;
  return false;
}

std::string WithoutTrailingBackslash(std::string text) {
  while (!text.empty() && text.back() == '\\') text.pop_back();
  return text;
}

}  // namespace

ComponentWriter::ComponentWriter(project::VpxWriter& project, FileWriter& files)
    : ComponentTableWriter(project),
      files_(files),
      extensions_(options::Options().OtherComponentFileExtensions()) {
  Reset();
}

int32_t ComponentWriter::AttributesFor(ComponentKind kind, const std::string& directory) const {
  switch (kind) {
    case kRegistryKeyPathComponent:
      return kAttributeRegistryKeyPath;
    case kOdbcSourceComponent:
      return kAttributeOdbcDataSource | kAttributeShared;
    case kSharedComponent:
      return kAttributeShared;
    case kFileComponent:
      break;
  }
  const options::ProjectOptions& settings = options::Options();
  int32_t attributes = 0;
  if (StartsWithAny(directory, kSystemFolders)) {
    attributes = kAttributeShared;
    bool exactlySystemFolder = false;
    for (std::string_view folder : kSystemFolders)
      if (platform::EqualsNoCase(WithoutTrailingBackslash(directory), folder)) exactlySystemFolder = true;
    if (exactlySystemFolder ? settings.PermanentSystemFiles() : settings.PermanentSystemFilesSubfolders())
      attributes |= kAttributePermanent;
  }
  if (StartsWithAny(directory, kCommonFilesFolders) && settings.SharedCommonFiles())
    attributes |= kAttributeShared;
  // A component of a 64-bit folder is a 64-bit component; it makes the package an x64 package.
  if (StartsWithAny(directory, k64BitFolders) && settings.Build64Bit()) attributes |= kAttribute64Bit;
  return attributes;
}

// The per-user key path of a component in a user-profile folder: a value under
// HKEY_CURRENT_USER that only this component writes.
std::string ComponentWriter::WriteUserProfileKeyPath(const std::string& componentKey) {
  const std::string key =
      project::MakeUniqueKey(project::kUserProfileRegistryKeys, "Registry_ICE38_", 1, false);
  std::string publisher = options::Options().ARPPublisher();
  if (publisher.empty()) publisher = "QuillmarkRepackager";
  project::MSIRecord record(project_, "Registry");
  record.SetField(1, key);
  record.SetField(2, 1);
  record.SetField(3, platform::Format("SOFTWARE\\Quillmark Repackaged Applications\\%s\\%s\\%s",
                                      publisher.c_str(), project_.ProductName().c_str(),
                                      componentKey.c_str()));
  record.SetField(4, "Installed");
  record.SetField(5, "1");
  record.SetField(6, componentKey);
  return key;
}

std::string ComponentWriter::DirectoryKeyOf(const ComponentRef& component) {
  std::string key;
  if (component) CHECK_HR(component->GetDirectory(&key));
  return FromEngine(key);
}

ComponentRef ComponentWriter::CreateComponent(const std::string& key, const std::string& keyPath,
                                              const std::string& directory,
                                              const std::string& feature, ComponentKind kind,
                                              const std::string& condition) {
  const options::ProjectOptions& settings = options::Options();
  const std::string featureKey = !feature.empty() && settings.BuildFeatures()
                                     ? feature
                                     : project_.GetFeatureForNewComponent();
  ComponentRef component = AddNew();
  if (!component) core::ThrowMessage(22007);

  CHECK_HR(component->SetName(ToEngine(key)));
  CHECK_HR(component->SetGuid(core::CreateGuidString()));
  CHECK_HR(component->SetEnabled(true));
  CHECK_HR(component->SetDirectory(ToEngine(directory)));
  CHECK_HR(component->AddFeature(ToEngine(featureKey)));
  project_.AddFeatureComponents(component.Get());
  if (!condition.empty()) CHECK_HR(component->SetCondition(ToEngine(condition)));

  const std::string directoryKey = DirectoryKeyOf(component);
  const bool userProfile = settings.HandleUserProfileComponents() && IsInUserProfile(directoryKey);
  int32_t attributes = AttributesFor(kind, directory);
  if (platform::EqualsNoCase(key, "RegistryData_HKCR")) attributes |= kAttributePermanent;
  CHECK_HR(component->SetAttributes(attributes));
  std::string effectiveKeyPath = keyPath;
  if (userProfile)
    effectiveKeyPath = GivePerUserKeyPath(component, key);
  else if (!keyPath.empty())
    CHECK_HR(component->SetKeyPath(ToEngine(keyPath)));
  project_.CountComponent();

  componentDirectories_.insert(directoryKey);
  if (userProfile) RegisterUserProfileDirectories(key, directoryKey);

  core::LogTrace(core::kTraceComponent,
                 "Created component:  Key = '%s', KeyPath = '%s', Feature = '%s', Directory = '%s'",
                 key.c_str(), effectiveKeyPath.c_str(), featureKey.c_str(), directory.c_str());
  return component;
}

std::string ComponentWriter::ParentDirectory(const std::string& directoryKey) {
  if (!product_) return std::string();
  qv::ComPtr<qv::IDirectoryCollection> directories;
  qv::ComPtr<qv::IDirectory> directory;
  std::string parent;
  if (qv::Failed(CHECK_HR(product_->GetDirectories(directories.Put()))) || !directories ||
      CHECK_HR(directories->Find(ToEngine(directoryKey), directory.Put())) != qv::kOk || !directory)
    return std::string();
  CHECK_HR(directory->GetParent(&parent));
  return FromEngine(parent);
}

bool ComponentWriter::IsInUserProfile(const std::string& directoryKey) {
  std::set<std::string, platform::LessNoCase> walked;  // a malformed Directory chain ends here
  for (std::string key = directoryKey; !key.empty() && walked.insert(key).second; key = ParentDirectory(key))
    if (capture::IsUserProfileFolder(key)) return true;
  return false;
}

std::string ComponentWriter::GivePerUserKeyPath(const ComponentRef& component, const std::string& componentKey) {
  if (!component) return std::string();
  int32_t attributes = 0;
  std::string existing;
  CHECK_HR(component->GetAttributes(&attributes));
  CHECK_HR(component->GetKeyPath(&existing));
  if ((attributes & kAttributeRegistryKeyPath) && !existing.empty()) return FromEngine(existing);  // has one already
  const std::string keyPath = WriteUserProfileKeyPath(componentKey);
  // The key path is a Registry row: the component must say so, or the installer would look for
  // a file of that key.
  CHECK_HR(component->SetKeyPath(ToEngine(keyPath)));
  CHECK_HR(component->SetAttributes(attributes | kAttributeRegistryKeyPath));
  keyFiles_.KeepRegistryKeyPath(componentKey);
  return keyPath;
}

void ComponentWriter::RegisterUserProfileDirectories(const std::string& componentName,
                                                     const std::string& directoryKey) {
  std::set<std::string, platform::LessNoCase> walked;  // a malformed Directory chain ends here
  for (std::string key = directoryKey;
       !key.empty() && !platform::EqualsNoCase(key, "TARGETDIR") && !capture::IsUserProfileFolder(key) &&
       walked.insert(key).second;
       key = ParentDirectory(key)) {
    if (removedDirectories_.insert(key).second)
      files_.AddRemoveFolder(componentName, key, kRemoveOnUninstall);
  }
}

bool ComponentWriter::ComponentExists(const std::string& name) {
  ComponentRef existing;
  return collection_ && collection_->Find(ToEngine(name), existing.Put()) == qv::kOk;
}

// The named form of a unique base is unique too unless the prefix, the suffix or the cut to
// a key's length made it equal to a name handed out before.
std::string ComponentWriter::UniqueComponentName(const std::string& uniqueBase,
                                                 const std::string& named) {
  std::string name = named;
  if (name != uniqueBase && project::IsKeyUsed(project::kComponentKeys, name))
    name = project::MakeUniqueKey(project::kComponentKeys, name, 0, false);
  while (ComponentExists(name)) {
    project::MarkKeyUsed(project::kComponentKeys, name);
    name = project::MakeUniqueKey(project::kComponentKeys, name, 0, false);
  }
  project::MarkKeyUsed(project::kComponentKeys, name);
  return name;
}

std::string ComponentWriter::MakeComponentName(const std::string& filePath,
                                               const std::string& folder, NamingType type) {
  const std::string fileName = FileNameOfPath(filePath);
  std::string base = platform::ToLower(fileName);
  if (type == kFileNaming) {
    const FileKind kind = extensions_.KindOf(ExtensionOfPath(fileName));
    if (kind.group == kOtherFiles && !options::Options().OtherFilesNewComponents()) {
      type = kFolderNaming;
      base = LastFolderName(folder);
    } else if (kind.group == kFonts) {
      type = kFontNaming;
    }
  } else if (type == kFolderNaming || type == kCreateFolderNaming) {
    base = LastFolderName(folder);
  }
  const std::string unique = project::MakeUniqueKey(project::kComponentKeys, base, 0, false);
  return UniqueComponentName(unique, naming_.Apply(unique, type));
}

ComponentRef ComponentWriter::GetComponent(const std::string& name, bool create, bool* created) {
  if (created) *created = false;
  ComponentRef component;
  if (collection_ && CHECK_HR(collection_->Find(ToEngine(name), component.Put())) == qv::kOk)
    return component;
  if (!create) return ComponentRef();
  project::MarkKeyUsed(project::kComponentKeys, name);
  component = CreateComponent(name, "", "[INSTALLDIR]", "", kFileComponent);
  if (created) *created = true;
  return component;
}

}  // namespace content
