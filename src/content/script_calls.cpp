// The capture script's calls into programs and DLLs as custom actions, the actions that set the
// all-users profile folder, and the DLL wrapper that DLL calls run through.
#include "content/script_calls.h"

#include <cctype>
#include <vector>

#include "capture/capture_folder.h"
#include "capture/capture_script.h"
#include "capture/path_translation.h"
#include "capture/registry_text.h"
#include "core/messages.h"
#include "platform/codepage.h"
#include "platform/host_paths.h"
#include "platform/text.h"
#include "project/check_hr.h"
#include "project/custom_actions.h"
#include "project/engine_loader.h"
#include "project/vpx_writer.h"
#include "qv/appsvc.h"
#include "qv/project_tables.h"

namespace content {

namespace {

constexpr int32_t kSetPropertyAction = 51;
// Program calls by where the program lies: the Binary table, an installed file, a folder of the
// target machine, a path held in a property.
constexpr int32_t kExeFromBinary = 2;
constexpr int32_t kExeFromInstalledFile = 18;
constexpr int32_t kExeInDirectory = 34;
constexpr int32_t kExeFromProperty = 50;
// Added to every call of the setup: a failing call does not roll the install back.
constexpr int32_t kIgnoreExitCode = 64;
// Runs in the install script, after the files are in place.
constexpr int32_t kDeferred = 1024;
// A call of the setup runs once, at first install: never on repair or removal.
constexpr const char* kFirstInstallOnly = "NOT Installed";
constexpr const char* kExecuteSequence = "InstallExecuteSequence";

void AddAllUsersProfileActions() {
  project::AddCustomAction("setUserProfileNT", "ValidateProductID", kSetPropertyAction,
                           "ALLUSERSPROFILE", "[%ALLUSERSPROFILE]", "VersionNT");
  project::AddCustomAction("SetAllUsersProfileNT", "setUserProfileNT", kSetPropertyAction,
                           "ALLUSERSPROFILE", "[%ALLUSERSPROFILE]", "VersionNT = 400");
  project::AddCustomAction("setAllUsersProfile2K", "setAllUsersProfileNT", kSetPropertyAction,
                           "ALLUSERSPROFILE", "[%SystemRoot]\\Profiles\\AllUsers", "VersionNT >= 500");
}

// The Directory key of the folder of a program or DLL path; "WindowsFolder" without a folder.
std::string DirectoryOfProgram(project::VpxWriter& writer, const std::string& path) {
  const size_t separator = platform::FindLastCharacter(path, '\\');
  if (separator == std::string::npos) return "WindowsFolder";
  std::string folder = path.substr(0, separator);
  capture::ToInstallerFolder(folder, true, false);
  return writer.DirectoryForPath(folder, "");
}

std::string FileNameOf(const std::string& path) {
  const size_t separator = platform::FindLastCharacter(path, '\\');
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

// The module name of a DLL path: its file name without extension.
std::string ModuleNameOf(const std::string& path) {
  const std::string fileName = FileNameOf(path);
  const size_t dot = fileName.rfind('.');
  return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

// A Property row for a value the action passes or receives; the reference "[name]".
std::string MakeProperty(project::VpxWriter& writer, const std::string& name, const std::string& value) {
  writer.SetProperty(name, value);
  return "[" + name + "]";
}

std::vector<std::string> SplitAt(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t end = text.find(separator); ; end = text.find(separator, start)) {
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

// Whether the file of a source path lies in the capture, where the build reads it.
bool InCapture(const std::string& sourcePath) {
  return platform::StartsWithNoCase(sourcePath, capture::SourceRoot()) &&
         platform::FileExists(capture::HostPathOfSource(sourcePath));
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string WithArguments(const std::string& command, const std::string& arguments) {
  return arguments.empty() ? command : command + " " + arguments;
}

// Where a program call runs its program from; type 0 when the program can be placed nowhere.
struct ProgramPlace {
  int32_t type = 0;
  std::string source;
  std::string target;
};

ProgramPlace PlaceProgram(project::VpxWriter& writer, const capture::ExeCallEntry& call, const std::string& name) {
  const std::string& path = call.programPath;
  if (path.empty()) return {};
  // A program that the package installs runs from its File row.
  if (const std::string fileKey = capture::FileKeyFor(path); !fileKey.empty())
    return {kExeFromInstalledFile, fileKey, call.arguments};
  // A program that came with the capture, installed or not, travels in the Binary table.
  const bool setupProgram = platform::EqualsNoCase(call.locationKind, "Setup");
  if (setupProgram || platform::StartsWithNoCase(path, "%SCRIPTFOLDER%")) {
    const std::string source = capture::MakeSourcePath(path, path);
    if (InCapture(source)) return {kExeFromBinary, source, call.arguments};
    return {};
  }
  // A program of the target machine runs from its folder.
  const size_t separator = platform::FindLastCharacter(path, '\\');
  if (separator == std::string::npos) return {kExeInDirectory, "WindowsFolder", WithArguments(path, call.arguments)};
  std::string folder = path.substr(0, separator);
  const std::string fileName = path.substr(separator + 1);
  capture::ToInstallerFolder(folder, true, false);
  if (folder.starts_with('[')) {
    const std::string directory = writer.DirectoryForPath(folder, "");
    if (!directory.empty())
      return {kExeInDirectory, directory, WithArguments(Quoted("[" + directory + "]" + fileName), call.arguments)};
  }
  // A folder that the package does not know: the program's full path in a property.
  const bool absolute = path.size() > 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
                        path[2] == '\\';
  if (absolute && path.find('%') == std::string::npos) {
    const std::string property = name + "_PROGRAM";
    writer.SetProperty(property, path);
    return {kExeFromProperty, property, call.arguments};
  }
  return {};
}

void AddExeCall(project::VpxWriter& writer, const capture::ExeCallEntry& call, int number) {
  const std::string name = platform::Format("EXECA%d", number);
  const ProgramPlace place = PlaceProgram(writer, call, name);
  if (place.type == 0) {
    core::LogMessage(core::kWarning,
                     platform::Format("The program '%s' that the setup ran is neither installed by the package "
                                          "nor part of the capture nor in a folder of the target machine; custom "
                                          "action '%s' is left out.",
                                          call.programPath.c_str(), name.c_str()));
    return;
  }
  int32_t type = place.type | kIgnoreExitCode;
  std::string anchor = call.anchorAction;
  bool inUiSequence = call.inUiSequence;
  if (place.type == kExeFromInstalledFile) {
    // The file is there only once InstallFiles has run: never earlier, and inside the install
    // script (deferred) unless the capture places the call after it.
    int anchorNumber = 0, installFiles = 0, installFinalize = 0;
    const bool anchored = project::SequenceNumberOf(kExecuteSequence, anchor, &anchorNumber);
    if (project::SequenceNumberOf(kExecuteSequence, "InstallFiles", &installFiles) && (!anchored || anchorNumber < installFiles)) {
      anchor = "InstallFiles";
      anchorNumber = installFiles;
    }
    if (!project::SequenceNumberOf(kExecuteSequence, "InstallFinalize", &installFinalize) || anchorNumber < installFinalize)
      type |= kDeferred;
    // The user interface runs before any file is installed.
    inUiSequence = false;
  }
  project::AddScriptCustomAction(name, anchor, inUiSequence, type, place.source, place.target,
                                 kFirstInstallOnly);
  core::LogMessage(core::kInformation,
                   platform::Format("Custom action '%s' runs '%s' once, at first install, after %s; its exit "
                                    "code is ignored.",
                                    name.c_str(), call.programPath.c_str(), anchor.c_str()));
}

void AddDllCall(project::VpxWriter& writer, const capture::DllCallEntry& call, int number) {
  const std::string name = platform::Format("DLLCA%d", number);
  std::string source = capture::MakeSourcePath(call.dllPath, call.dllPath);
  const std::string module = ModuleNameOf(source);

  int32_t type = qv::kDllWrapperCallAction;
  if (platform::EqualsNoCase(call.locationKind, "System")) {
    type = qv::kDllWrapperCallInDirectoryAction;
    source = DirectoryOfProgram(writer, call.dllPath);
  } else if (!InCapture(source)) {
    core::LogMessage(core::kWarning,
                     platform::Format("The DLL '%s' that the setup called is not part of the capture; custom "
                                          "action '%s' is left out.",
                                          call.dllPath.c_str(), name.c_str()));
    return;
  }

  std::string head;
  if (platform::EqualsNoCase(call.returnType, "VOID")) {
    head = call.returnType + " " + module + "::";
  } else {
    const std::string result = MakeProperty(writer, name + "_RETURN", "0");
    head = call.returnType + "=" + result + " " + module + "::";
  }

  // Parameter lines "name|type|value"; other lines are no parameters.
  std::string parameters;
  int parameterNumber = 0;
  for (const std::string& line : SplitAt(call.blockText, '\t')) {
    const std::vector<std::string> parts = SplitAt(line, '|');
    if (parts.size() != 3) continue;
    const std::string reference =
        MakeProperty(writer, platform::Format("%s_PARAM%d", name.c_str(), ++parameterNumber), parts[2]);
    if (!parameters.empty()) parameters += ", ";
    parameters += parts[1] + " " + parts[0] + "=" + reference;
  }
  const std::string target = head + call.functionName + "(" + parameters + ")";
  project::AddScriptCustomAction(name, call.anchorAction, call.inUiSequence, type, source, target,
                                 kFirstInstallOnly);
  core::LogMessage(core::kInformation,
                   platform::Format("Custom action '%s' calls %s in '%s' once, at first install, after %s; a "
                                    "failure does not stop the install.",
                                    name.c_str(), call.functionName.c_str(), call.dllPath.c_str(),
                                    call.anchorAction.c_str()));
}

// The project records the wrapper DLL; the build carries it into the package.
void AddDllWrapper(project::VpxWriter& writer) {
  qv::ComPtr<qv::IAppServices> services;
  if (qv::Failed(CHECK_HR(project::CreateEngineObject(project::kAppServicesLibrary, qv::CLSID_AppServices,
                                                      qv::IID_IAppServices, &services))) ||
      !services)
    return;
  if (qv::Failed(CHECK_HR(services->AttachProject(writer.Project())))) return;
  CHECK_HR(services->AddDllWrapper(qv::kDefaultDllWrapperName));
}

}  // namespace

void ConvertScriptCalls() {
  project::VpxWriter* writer = project::CurrentProjectWriter();
  const capture::CaptureScript* script = capture::CurrentCaptureScript();
  if (!writer || !script) return;
  AddAllUsersProfileActions();
  int number = 0;
  for (const capture::ExeCallEntry& call : script->ExeCalls()) AddExeCall(*writer, call, ++number);
  number = 0;
  for (const capture::DllCallEntry& call : script->DllCalls()) AddDllCall(*writer, call, ++number);
  AddDllWrapper(*writer);
}

}  // namespace content
