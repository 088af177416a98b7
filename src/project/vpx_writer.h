// The project writer: makes the output project from the blank template, gives it its identity
// and product settings, knows its directories, creates features, and saves and builds it.
// One VpxWriter exists per conversion; every step writes through it. Text handed to it is ANSI
// (the capture's code page); it converts text for the engine.
#pragma once

#include <string>
#include <vector>

#include "qv/com.h"
#include "qv/entity.h"

namespace project {

class VpxWriter {
 public:
  // Creates the engine's project object (QvEntity.DLL); failure is fatal (22008).
  VpxWriter();
  ~VpxWriter();
  VpxWriter(const VpxWriter&) = delete;
  VpxWriter& operator=(const VpxWriter&) = delete;

  // The whole creation sequence: folders, template, copy, version check and upgrade, open,
  // new identity, product settings, known directory keys. Fatal problems throw
  // repackager_exception. The engine works on a copy beside projectPath; an existing project
  // file there is replaced only by Save.
  void Open(const std::string& projectPath);
  bool IsOpen() const;
  const std::string& ProjectPath() const;
  // Saves the project under its path; false when the engine could not write it (a CHECK_HR line
  // is written). A cancelled save leaves the old file and throws repackager_exception.
  bool Save();
  // For a build: saves the project into its working copy beside the project path, which the
  // builder reads, and puts that copy in the project's place once the build is over, so that a
  // cancelled build leaves the old project too. As Save otherwise.
  bool SaveWorkingCopy();
  bool PlaceWorkingCopy();
  // Releases the project; an unsaved project leaves no file behind.
  void Close(bool save);

  // Builds the saved project into a package (vpx_build.cpp): the release settings, the save,
  // the builder with its messages as build records, the output paths (LastBuildResult).
  // Cancellation and a failed build throw repackager_exception. The builder reads the working
  // copy: with kFreed the project is unloaded before the build, so that its memory is not held
  // beside the builder's (callers let go of the engine objects they hold first); the writer can
  // then build no more.
  enum class ProjectInBuild { kKept, kFreed };
  void Build(ProjectInBuild project = ProjectInBuild::kKept);
  void PrepareRelease();

  void SetProperty(const std::string& name, const std::string& value);

  // A Directory row, and the key remembered as known.
  void AddDirectory(const std::string& key, const std::string& parent, const std::string& defaultDir);
  // Case-insensitive.
  bool IsKnownDirectory(const std::string& key) const;
  // The known directory key that matches key in any letter case, spelt as the project spells
  // it; empty when there is none.
  std::string KnownDirectoryKey(const std::string& key) const;
  // The directory key for a folder path (installer form "[Key]Sub\" or absolute "D:\Apps"),
  // re-keyed to nameHint when that is not empty and not yet a known key. Empty on failure.
  std::string DirectoryForPath(const std::string& folderPath, const std::string& nameHint);

  // Features (a feature receives at most 500 components).
  std::string GetFeatureForNewComponent();
  void SetCurrentFeature(const std::string& key);
  // A feature of the capture; directory is a Directory key (INSTALLDIR when empty). Returns the
  // feature's key: the name made a key, numbered when another feature has that key already.
  std::string CreateFeature(const std::string& key, const std::string& parent, const std::string& title,
                            const std::string& description, const std::string& directory);
  bool FeatureExists(const std::string& key) const;
  void AddFeatureComponents(qv::IComponent* component);
  // Counts one more component against the current feature.
  void CountComponent();
  const std::string& CurrentFeature() const;
  const std::string& DefaultFeature() const;
  const std::string& ProductName() const;

  void SetMainFolder(const std::string& folder);
  void SetProductIcon(const std::string& value);
  void SetRepackagingMode(const std::string& value);
  void SetLanguage(int languageId);

  // Engine access for the table writers.
  qv::IProject* Project() const;
  qv::ComPtr<qv::IProduct> Product() const;
  qv::ComPtr<qv::IDatabase> Database() const;
  // The table by name ("Name ='%s'"); empty when there is none (a CHECK_HR line is written).
  qv::ComPtr<qv::ITable> FindTable(const std::string& tableName) const;

 private:
  // Lets the engine free the project's tables while its working copy stays for the build (which
  // reads the file, not the open project). Nothing is written into the project afterwards.
  void UnloadForBuild();
  void CheckTemplateVersion(const std::string& templateOption);
  void UpgradeTemplate();
  void GiveNewIdentity();
  void ApplyProductSettings();
  void LearnDirectoryKeys();
  void CreateNumberedFeature();
  void WriteFeatureRow(const std::string& key, const std::string& parent, const std::string& title,
                       const std::string& description, const std::string& directory);

  struct State;
  State* state_;
};

// The process-wide reference to the current project writer (set by the pipeline while a
// conversion runs; null otherwise).
VpxWriter* CurrentProjectWriter();
void SetCurrentProjectWriter(VpxWriter* writer);

}  // namespace project
