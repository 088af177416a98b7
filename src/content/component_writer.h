// The components of the project: creation (feature, GUID, directory, condition, attributes by
// kind and folder, the registry key path and folder-removal rows of components in user-profile
// folders), naming by the options' conventions, lookup by name, and the per-file step that
// groups captured files into components.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>

#include "content/component_naming.h"
#include "content/key_file_choice.h"
#include "platform/text.h"
#include "project/table_writer.h"
#include "qv/com.h"
#include "qv/entity.h"

namespace capture {
struct FileEntry;
struct FolderEntry;
}  // namespace capture

namespace content {

class FileWriter;

using ComponentRef = qv::ComPtr<qv::IComponent>;

enum ComponentKind : int {
  kFileComponent = 0,
  kRegistryKeyPathComponent = 1,
  kOdbcSourceComponent = 2,
  kSharedComponent = 3,
};

class ComponentWriter : public project::ComponentTableWriter {
 public:
  ComponentWriter(project::VpxWriter& project, FileWriter& files);

  // A new component. An empty feature (or BuildFeatures off) takes the project's feature for
  // new components. The directory is a directory key or a folder in installer form. Only a
  // component the engine refuses to make is fatal (22007).
  ComponentRef CreateComponent(const std::string& key, const std::string& keyPath,
                               const std::string& directory, const std::string& feature,
                               ComponentKind kind, const std::string& condition = "");

  // The name for a new component of a captured file (or, with another type, of data that
  // belongs to the file), unique among the component names of the conversion.
  std::string MakeComponentName(const std::string& filePath, const std::string& folder,
                                NamingType type = kFileNaming);

  // The component of that name; with create, a missing one is made in "[INSTALLDIR]".
  // *created tells whether it was made now.
  ComponentRef GetComponent(const std::string& name, bool create, bool* created = nullptr);

  // The component's key path becomes a value under HKEY_CURRENT_USER of its own (the key path
  // of data that each user gets, so that a repair or another user's first run writes it).
  // Returns the key of its Registry row.
  std::string GivePerUserKeyPath(const ComponentRef& component, const std::string& componentKey);

  // Folder-removal rows for the directory and its parents up to the user-profile folder that
  // holds it (or TARGETDIR), once per directory in a conversion.
  void RegisterUserProfileDirectories(const std::string& componentName, const std::string& directoryKey);

  // The existing component that a captured file joins, or none. installedPath and directory
  // are in installer form.
  ComponentRef ComponentForFile(const std::string& installedPath, const std::string& directory,
                                const FileKind& kind, const std::string& condition);
  // The whole step for one captured file of a file list: its component (found or made), its
  // File row (with SelfReg and Font rows), the component's key file, and the knowledge base.
  void AddCapturedFile(const std::string& folder, const capture::FileEntry& entry);
  // The installer form of a captured folder.
  const std::string& InstallerFormOf(const std::string& folder);
  // Whether the installer knows directory, the installer form of the captured folder (the
  // project then has a Directory row for it).
  bool KnowsFolder(const std::string& folder, const std::string& directory);
  // A folder that the capture creates: a component in it with a CreateFolder row, unless a
  // component lies there already.
  void AddCreatedFolder(const capture::FolderEntry& folder);

  const ExtensionTable& Extensions() const { return extensions_; }

 private:
  int32_t AttributesFor(ComponentKind kind, const std::string& directory) const;
  void AddFont(const std::string& fileKey, const std::string& capturedPath, const std::string& sourcePath);
  std::string WriteUserProfileKeyPath(const std::string& componentKey);
  bool ComponentExists(const std::string& name);
  std::string UniqueComponentName(const std::string& uniqueBase, const std::string& named);
  std::string DirectoryKeyOf(const ComponentRef& component);
  std::string ParentDirectory(const std::string& directoryKey);
  // Whether the directory is a user-profile folder or lies below one (INSTALLDIR may).
  bool IsInUserProfile(const std::string& directoryKey);

  FileWriter& files_;
  ExtensionTable extensions_;
  NamingConventions naming_;
  KeyFileChoice keyFiles_;
  // Help files by folder, name and condition: a help file and its contents file share one
  // component.
  std::map<std::string, ComponentRef> helpComponents_;
  // Directory keys that hold a component.
  std::set<std::string, platform::LessNoCase> componentDirectories_;
  // Captured folders that were reported as unknown and installed into INSTALLDIR.
  std::set<std::string> unknownFolders_;
  // The captured folder of the file added last, its installer form, and whether the installer
  // knows that (once asked): the files of a folder come together.
  struct FolderPlacement {
    std::string capturedFolder;
    std::string directory;
    std::optional<bool> known;
  };
  FolderPlacement lastFolder_;
  // Directory keys that received their folder-removal row.
  std::set<std::string, platform::LessNoCase> removedDirectories_;
};

}  // namespace content
