// The options file (Options.ini) and the project settings of section "General".
//
// One process-wide ProjectOptions is reset and loaded at the start of each conversion and reset
// at its end. Switches are true when their value begins with an upper-case 'Y'
// ("OtherFilesNewComponents" only for exactly "Y"); an absent key or empty value gives the
// default. The step switches of section "Sequence" are read afresh at every query, with a
// fallback to the registry.
#pragma once

#include <string>
#include <vector>

namespace options {

class ProjectOptions {
 public:
  // Empties every text and sets every switch to its default.
  void Reset();
  // Reset, resolve the path (a folder ending in '\', an .ini file, or a file whose folder holds
  // Options.ini), read every key of section "General", clean INSTALLDIR.
  void Load(const std::string& optionsPath);

  const std::string& OptionsPath() const { return optionsPath_; }
  const std::string& ResolvedPath() const { return resolvedPath_; }

  // Text keys.
  const std::string& InstallDir() const { return installDir_; }
  const std::string& NewInstallDir() const { return newInstallDir_; }
  const std::string& BuildProduct() const { return buildProduct_; }
  const std::string& BuildRelease() const { return buildRelease_; }
  const std::string& ProjectTemplate() const { return projectTemplate_; }
  const std::string& AddlMMSearchPath() const { return addlMMSearchPath_; }
  const std::string& ARPPublisher() const { return arpPublisher_; }
  const std::string& ARPPublisherURL() const { return arpPublisherURL_; }
  const std::string& ARPSupportURL() const { return arpSupportURL_; }
  const std::string& ProductName() const { return productName_; }
  const std::string& ProductVersion() const { return productVersion_; }
  // Empty when the loaded value is "Quillmark Software Corporation" (any case).
  std::string SISAuthor() const;
  const std::string& SISSubject() const { return sisSubject_; }
  const std::string& OtherComponentFileExtensions() const { return otherComponentFileExtensions_; }

  // Switches.
  bool OtherFilesNewComponents() const { return otherFilesNewComponents_; }
  bool UseHKCUProxy() const { return useHKCUProxy_; }
  bool EnablePathVariables() const { return enablePathVariables_; }
  bool LimitedUI() const { return limitedUI_; }
  bool UseMergeModules() const { return useMergeModules_; }
  bool UseAdvertisedShortcuts() const { return useAdvertisedShortcuts_; }
  bool SharedCommonFiles() const { return sharedCommonFiles_; }
  bool PermanentSystemFiles() const { return permanentSystemFiles_; }
  bool PermanentSystemFilesSubfolders() const { return permanentSystemFilesSubfolders_; }
  bool AllUsers() const { return allUsers_; }
  bool COMMapping() const { return comMapping_; }
  bool ODBCMapping() const { return odbcMapping_; }
  bool ServiceControlEvents() const { return serviceControlEvents_; }
  bool IgnoreIniComments() const { return ignoreIniComments_; }
  bool UseBuildPath() const { return useBuildPath_; }
  bool HandleUserProfileComponents() const { return handleUserProfileComponents_; }
  bool BuildCompressed() const { return buildCompressed_; }
  // A package that breaks the installer's validation rules with errors fails the build.
  bool FailOnValidationErrors() const { return failOnValidationErrors_; }
  bool CreateSetupExe() const { return createSetupExe_; }
  // Files of the 64-bit folders make a 64-bit (x64) package; off, they go to the 32-bit folders.
  bool Build64Bit() const { return build64Bit_; }
  bool AutoUpgrade() const { return autoUpgrade_; }
  bool BuildMSI() const { return buildMSI_; }
  void SetBuildMSI(bool build) { buildMSI_ = build; }
  // /notemplate: the blank template, also when the options file could not be changed.
  void ClearProjectTemplate() { projectTemplate_.clear(); }
  bool SkipMMIfShortcut() const { return skipMMIfShortcut_; }
  bool MMPathVersion() const { return mmPathVersion_; }
  bool UseLanguage() const { return useLanguage_; }
  bool OSGranular() const { return osGranular_; }
  bool BuildProScannedFiles() const { return buildProScannedFiles_; }
  bool BuildStaticScannedFiles() const { return buildStaticScannedFiles_; }
  bool MultiUserShortcuts() const { return multiUserShortcuts_; }
  bool BuildFeatures() const { return buildFeatures_; }

 private:
  std::string optionsPath_, resolvedPath_;
  std::string installDir_, newInstallDir_, buildProduct_, buildRelease_, projectTemplate_,
      addlMMSearchPath_, arpPublisher_, arpPublisherURL_, arpSupportURL_, productName_,
      productVersion_, sisAuthor_, sisSubject_, otherComponentFileExtensions_;
  bool otherFilesNewComponents_ = false, useHKCUProxy_ = false, enablePathVariables_ = true,
       limitedUI_ = false, useMergeModules_ = true, useAdvertisedShortcuts_ = true,
       sharedCommonFiles_ = true, permanentSystemFiles_ = true,
       permanentSystemFilesSubfolders_ = false, allUsers_ = true, comMapping_ = true,
       odbcMapping_ = false, serviceControlEvents_ = false, ignoreIniComments_ = false,
       useBuildPath_ = false, handleUserProfileComponents_ = true, buildCompressed_ = true,
       createSetupExe_ = false, build64Bit_ = false, failOnValidationErrors_ = false, autoUpgrade_ = true, buildMSI_ = true, skipMMIfShortcut_ = true,
       mmPathVersion_ = false, useLanguage_ = false, osGranular_ = false,
       buildProScannedFiles_ = true, buildStaticScannedFiles_ = true, multiUserShortcuts_ = true,
       buildFeatures_ = true;
};

// The process-wide settings.
ProjectOptions& Options();

// The file that an options path names: a folder (ending in a separator) gives its
// "Options.ini"; a path ending in ".ini" (any case) is used unchanged; any other file gives the
// "Options.ini" beside it; an empty path stays empty.
std::string ResolveOptionsPath(const std::string& optionsPath);

// The process-wide options path that the section readers use (set by the pipeline).
void SetOptionsPath(const std::string& path);
const std::string& OptionsPathForSections();

// The value of key in section of the options file; empty: the registry value under
// HKEY_LOCAL_MACHINE "Software\Quillmark\Brightvale\INCConversion\Options.ini\<section>";
// still empty: defaultValue.
std::string ReadOptionValue(const std::string& section, const std::string& key,
                            const std::string& defaultValue);

// A key of section "Sequence" (default "Y"), read from the file at every call.
bool SequenceSwitch(const std::string& key);

// Any key of any section of the options file, without fallback.
std::string ReadSectionValue(const std::string& section, const std::string& key,
                             const std::string& defaultValue);

// All entries of a section, each the part of its line after the first '='.
std::vector<std::string> ReadSectionList(const std::string& section);

}  // namespace options
