// Merge module selection: captured shared files that a merge module of the catalog carries are
// installed through the module instead. The module is recorded in the project for the feature
// of the component that held the files, and a component all of whose files go into included
// modules is removed. Modules that a shortcut depends on are kept out ("SkipMMIfShortcut").
#pragma once

#include <set>
#include <string>
#include <vector>

#include "qv/com.h"
#include "qv/mmcat.h"

namespace project {
class VpxWriter;
}

namespace mergemodules {

// A file's name (after its last separator), its language (decimal, the first of its version
// resource's translation table; empty without one) and version ("a.b.c.d" of the fixed file
// version; empty without a version resource).
struct FileInformation {
  std::string fileName;
  std::string language;
  std::string version;
};

class MergeModuleSelector {
 public:
  // scriptFolder: the capture's folder (with its trailing separator), which source paths
  // beginning "<SOURCEFILEPATH>\" lie in.
  MergeModuleSelector(project::VpxWriter& project, std::string scriptFolder);

  // The whole step; does nothing when "UseMergeModules" is off. Cancellation throws.
  void ApplyMergeModules();

  // Creates the catalog (QvMMCat.dll) and gives it its search path: the current directory,
  // then "[IDE] MMSearchPath" of qvlc.ini in the current directory, then "AddlMMSearchPath".
  void OpenCatalog();
  // The options section "MMExclusions": module names never included (exact letter case).
  void LoadExclusions();
  // The merge module for the file at path (a source path of the capture); empty when none.
  qv::ComPtr<qv::IMergeModule> FindModuleForFile(const std::string& path);

 private:
  void CollectShortcutModules();
  void SelectForComponent(qv::IComponent* component);
  std::string SourcePathOf(qv::IFile* file) const;
  static std::string NameOf(qv::IMergeModule* module);

  project::VpxWriter& project_;
  const std::string scriptFolder_;
  qv::ComPtr<qv::IMergeModuleCatalog> catalog_;
  std::set<std::string> exclusions_;  // the MMExclusions entries, compared exactly
  std::set<std::string> skipped_;      // modules a shortcut depends on
  std::set<std::string> reported_;     // skipped modules already warned about
  std::set<std::string> included_;     // modules already announced
};

// See FileInformation; writes the trace line "file info: ...".
FileInformation GetFileInformation(const std::string& path);

}  // namespace mergemodules
