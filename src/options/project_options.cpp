#include "options/project_options.h"

#include "platform/host_paths.h"
#include "platform/profile.h"
#include "platform/text.h"

namespace options {

namespace {

constexpr const char* kGeneral = "General";
constexpr size_t kValueBufferSize = 260;

// Removes one backslash of each doubled pair after the first character, so that a network
// path's leading pair stays.
std::string CleanInstallDir(std::string text) {
  size_t hit = text.find("\\\\", 1);
  while (hit != std::string::npos) {
    text.erase(hit, 1);
    hit = text.find("\\\\", hit + 2);
  }
  return text;
}

}  // namespace

std::string ResolveOptionsPath(const std::string& optionsPath) {
  if (optionsPath.empty()) return std::string();
  if (platform::IsSeparator(optionsPath.back())) return optionsPath + "Options.ini";
  const size_t dot = optionsPath.rfind('.');
  if (dot != std::string::npos && platform::EqualsNoCase(optionsPath.substr(dot), ".ini"))
    return optionsPath;
  const size_t separator = platform::LastSeparator(optionsPath);
  if (separator == std::string::npos) return "Options.ini";
  return optionsPath.substr(0, separator + 1) + "Options.ini";
}

void ProjectOptions::Reset() { *this = ProjectOptions(); }

void ProjectOptions::Load(const std::string& optionsPath) {
  Reset();
  optionsPath_ = optionsPath;
  resolvedPath_ = ResolveOptionsPath(optionsPath);

  auto text = [this](const char* key, const char* defaultValue) {
    std::string value =
        platform::GetProfileString(kGeneral, key, std::string(), resolvedPath_, kValueBufferSize);
    return value.empty() ? std::string(defaultValue) : value;
  };
  // A switch is on when its value begins with an upper-case 'Y'.
  auto on = [&text](const char* key, const char* defaultValue) {
    const std::string value = text(key, defaultValue);
    return !value.empty() && value[0] == 'Y';
  };

  installDir_ = CleanInstallDir(text("INSTALLDIR", ""));
  newInstallDir_ = text("NewInstallDir", "");
  buildProduct_ = text("BuildProduct", "Product1");
  buildRelease_ = text("BuildRelease", "Release1");
  projectTemplate_ = text("ProjectTemplate", "");
  addlMMSearchPath_ = text("AddlMMSearchPath", "");
  otherFilesNewComponents_ = text("OtherFilesNewComponents", "N") == "Y";
  useHKCUProxy_ = on("UseHKCUProxy", "N");
  enablePathVariables_ = on("EnablePathVariables", "Y");
  limitedUI_ = on("LimitedUI", "N");
  useMergeModules_ = on("UseMergeModules", "Y");
  useAdvertisedShortcuts_ = on("UseAdvertisedShortcuts", "Y");
  sharedCommonFiles_ = on("SharedCommonFiles", "Y");
  permanentSystemFiles_ = on("PermanentSystemFiles", "Y");
  permanentSystemFilesSubfolders_ = on("PermanentSystemFilesSubfolders", "N");
  allUsers_ = on("AllUsers", "Y");
  comMapping_ = on("COMMapping", "Y");
  odbcMapping_ = on("ODBCMapping", "N");
  serviceControlEvents_ = on("ServiceControlEvents", "N");
  ignoreIniComments_ = on("IgnoreIniComments", "N");
  useBuildPath_ = on("UseBuildPath", "N");
  handleUserProfileComponents_ = on("HandleUserProfileComponents", "Y");
  buildCompressed_ = on("BuildCompressed", "Y");
  createSetupExe_ = on("CreateSetupExe", "N");
  build64Bit_ = on("Build64Bit", "N");
  failOnValidationErrors_ = on("FailOnValidationErrors", "N");
  autoUpgrade_ = on("AutoUpgrade", "Y");
  buildMSI_ = on("BuildMSI", "Y");
  skipMMIfShortcut_ = on("SkipMMIfShortcut", "Y");
  mmPathVersion_ = on("MMPathVersion", "N");
  useLanguage_ = on("UseLanguage", "N");
  osGranular_ = on("OSGranular", "N");
  buildProScannedFiles_ = on("BuildProScannedFiles", "Y");
  buildStaticScannedFiles_ = on("BuildStaticScannedFiles", "Y");
  multiUserShortcuts_ = on("MultiUserShortcuts", "Y");
  buildFeatures_ = on("BuildFeatures", "Y");
  arpPublisher_ = text("ARPPublisher", "");
  arpPublisherURL_ = text("ARPPublisherURL", "");
  arpSupportURL_ = text("ARPSupportURL", "");
  productName_ = text("ProductName", "");
  productVersion_ = text("ProductVersion", "");
  sisAuthor_ = text("SISAuthor", "");
  sisSubject_ = text("SISSubject", "");
  otherComponentFileExtensions_ = text("OtherComponentFileExtensions", "");
}

std::string ProjectOptions::SISAuthor() const {
  // The repackager's own maker name is no author of the repackaged product.
  if (platform::EqualsNoCase(sisAuthor_, "Quillmark Software Corporation")) return std::string();
  return sisAuthor_;
}

ProjectOptions& Options() {
  static ProjectOptions options;
  return options;
}

}  // namespace options
