// The capture script's calls into programs and DLLs as custom actions, the actions that set the
// all-users profile folder, and the DLL wrapper that DLL calls run through.
#include "content/script_calls.h"

#include <vector>

#include "capture/capture_script.h"
#include "capture/path_translation.h"
#include "platform/codepage.h"
#include "platform/text.h"
#include "project/check_hr.h"
#include "project/custom_actions.h"
#include "project/engine_loader.h"
#include "project/vpx_writer.h"
#include "qv/appsvc.h"

namespace content {

namespace {

constexpr int32_t kSetPropertyAction = 51;
constexpr int32_t kExeAction = 2;
constexpr int32_t kExeInDirectoryAction = 34;
constexpr int32_t kDllCallAction = 0x20000;
constexpr int32_t kDllCallInDirectoryAction = 0x20020;
constexpr const char* kDllWrapperName = "QvDLLWrapper";

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
  const size_t separator = path.rfind('\\');
  if (separator == std::string::npos) return "WindowsFolder";
  std::string folder = path.substr(0, separator);
  capture::ToInstallerFolder(folder, true, false);
  return writer.DirectoryForPath(folder, "");
}

std::string FileNameOf(const std::string& path) {
  const size_t separator = path.rfind('\\');
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

void AddExeCall(project::VpxWriter& writer, const capture::ExeCallEntry& call, int number) {
  const std::string name = platform::Format("EXECA%d", number);
  int32_t type = kExeAction;
  std::string source = call.programPath;
  std::string target = call.arguments;
  if (platform::EqualsNoCase(call.locationKind, "System")) {
    type = kExeInDirectoryAction;
    source = DirectoryOfProgram(writer, call.programPath);
    target = platform::TrimRight(FileNameOf(call.programPath) + " " + call.arguments);
  } else if (platform::EqualsNoCase(call.locationKind, "Setup")) {
    source = capture::MakeSourcePath(call.programPath, call.programPath);
  }
  project::AddScriptCustomAction(name, call.anchorAction, call.inUiSequence, type, source, target, "");
}

void AddDllCall(project::VpxWriter& writer, const capture::DllCallEntry& call, int number) {
  const std::string name = platform::Format("DLLCA%d", number);
  std::string source = capture::MakeSourcePath(call.dllPath, call.dllPath);
  const std::string module = ModuleNameOf(source);

  std::string head;
  if (platform::EqualsNoCase(call.returnType, "VOID")) {
    head = call.returnType + " " + module + "::";
  } else {
    const std::string result = MakeProperty(writer, name + "_RETURN", "0");
    head = call.returnType + "=" + result + " " + module + "::";
  }

  int32_t type = kDllCallAction;
  if (platform::EqualsNoCase(call.locationKind, "System")) {
    type = kDllCallInDirectoryAction;
    source = DirectoryOfProgram(writer, call.dllPath);
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
  project::AddScriptCustomAction(name, call.anchorAction, call.inUiSequence, type, source, target, "");
}

// The project records the wrapper DLL; the build carries it into the package.
void AddDllWrapper(project::VpxWriter& writer) {
  qv::ComPtr<qv::IAppServices> services;
  if (qv::Failed(CHECK_HR(project::CreateEngineObject(project::kAppServicesLibrary, qv::CLSID_AppServices,
                                                      qv::IID_IAppServices, &services))) ||
      !services)
    return;
  if (qv::Failed(CHECK_HR(services->AttachProject(writer.Project())))) return;
  CHECK_HR(services->AddDllWrapper(kDllWrapperName));
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
