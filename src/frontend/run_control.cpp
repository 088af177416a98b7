#include "frontend/run_control.h"

#include <cstdio>
#include <memory>

#include "core/string_table.h"
#include "frontend/inc_to_vpx.h"
#include "frontend/run_flags.h"
#include "options/project_options.h"
#include "options/repackager_settings.h"
#include "platform/codepage.h"
#include "platform/host_paths.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "project/engine_loader.h"

namespace frontend {

namespace {

constexpr const char* kEngineLibrary = "QvEntity.DLL";
constexpr size_t kPathBufferSize = 260;

// "/notemplate": the options file's template setting is emptied on disk.
void ClearProjectTemplate(const std::string& optionsPath) {
  const std::string file = options::ResolveOptionsPath(optionsPath);
  // Nothing to clear in a file that does not exist; writing would create one.
  if (!platform::FileExists(file)) return;
  int error = 0;
  if (!platform::WriteProfileString("General", "ProjectTemplate", "", file, &error)) {
    core::LogMessage(core::kWarning,
                     platform::Format("Unable to write to Options.ini: section='%s', key='%s', value='%s', "
                                      "filename='%s', error='%i'",
                                      "General", "ProjectTemplate", "", file.c_str(), error));
  }
}

// A file named in the .wrp: a bare name lies in the .wrp's folder; a value with a folder is
// used as it stands.
std::string ResolveWrpEntry(const std::string& projectFile, const std::string& value) {
  if (value.find_first_of("\\/") != std::string::npos) return value;
  const size_t separator = platform::LastSeparator(projectFile);
  if (separator == std::string::npos) return value;
  return projectFile.substr(0, separator + 1) + value;
}

void Convert(const std::string& capturePath, const std::string& optionsPath,
             const std::string& projectPath, bool build) {
  // COM needs no initialisation on this platform.
  IncToVpx().Run(capturePath, optionsPath, projectPath, build);
}

// A damaged engine library found during the run (the builder) makes the run's result that of
// a damaged engine.
int ResultOfRun() {
  if (!project::DamagedEngineLibrary().empty()) return kRunEngineCorrupt;
  return Flags().errorReported ? kRunReportedErrors : kRunSucceeded;
}

// A file the .wrp branch needs: a missing one is an error naming it (the conversion steps would
// otherwise pass over it silently and end as a success).
bool ReportIfMissing(const std::string& path) {
  if (platform::FileExists(path)) return false;
  core::LogMessage(core::kError, core::FormatString(22114, path.c_str()));
  return true;
}

}  // namespace

int RunConversion(const std::string& input, const std::string& output, bool build) {
  // Only the file name tells a repackager project: a folder named "x.wrp" holds captures too.
  const size_t separator = platform::LastSeparator(input);
  const std::string fileName = separator == std::string::npos ? input : input.substr(separator + 1);
  const size_t wrp = fileName.find(".wrp");
  if (wrp != std::string::npos && wrp + 4 == fileName.size()) return ConvertWrpProject(input, output, build);

  if (const int engine = CheckEngine(); engine != kRunSucceeded) return engine;
  if (input.empty() || !platform::FileExists(input)) return kRunCaptureNotFound;

  // The options file lies beside the capture.
  const std::string capture = platform::FullPath(platform::ResolveHostPath(input));
  const size_t captureFolderEnd = platform::LastSeparator(capture);
  const std::string optionsPath =
      captureFolderEnd == std::string::npos ? std::string() : capture.substr(0, captureFolderEnd + 1) + "options.ini";
  const std::string projectPath = MakeProjectPath(input, output);
  if (optionsPath.empty() || !platform::FileExists(optionsPath)) return kRunOptionsNotFound;

  if (Flags().suppressTemplate) ClearProjectTemplate(optionsPath);

  auto settings = std::make_shared<options::RepackagerSettings>();
  settings->Load(options::RepackagerSettings::SettingsFileForType(options::RepackagerSettings::kDefaultType, ""));
  options::PublishRepackagerSettings(settings);

  Convert(input, optionsPath, projectPath, build);
  return ResultOfRun();
}

int ConvertWrpProject(const std::string& projectFile, const std::string& output, bool build) {
  if (const int engine = CheckEngine(); engine != kRunSucceeded) return engine;
  if (ReportIfMissing(projectFile)) return kRunReportedErrors;

  const std::string optionsPath = ResolveWrpEntry(
      projectFile, platform::GetProfileString("Files", "ConversionOptions", "", projectFile, kPathBufferSize));
  const std::string capturePath =
      ResolveWrpEntry(projectFile, platform::GetProfileString("Files", "INC", "", projectFile, kPathBufferSize));
  const bool missingCapture = ReportIfMissing(capturePath);
  const bool missingOptions = ReportIfMissing(options::ResolveOptionsPath(optionsPath));
  if (missingCapture || missingOptions) return kRunReportedErrors;

  auto settings = std::make_shared<options::RepackagerSettings>();
  settings->ReadProjectFile(projectFile);
  const int type = platform::GetProfileInt("Configuration", "Type", options::RepackagerSettings::kDefaultType,
                                           projectFile);
  const std::string file = platform::GetProfileString("Configuration", "File", "", projectFile, kPathBufferSize);
  settings->Load(options::RepackagerSettings::SettingsFileForType(type, file));
  options::PublishRepackagerSettings(settings);

  if (Flags().suppressTemplate) ClearProjectTemplate(optionsPath);

  Convert(capturePath, optionsPath, MakeProjectPath(capturePath, output), build);
  return ResultOfRun();
}

std::string MakeProjectPath(const std::string& input, const std::string& output) {
  const std::string base = output.empty() ? input : output;
  // Only a dot in the file name starts an extension; a dot in a folder name ("my.app\x") does not.
  const size_t dot = base.rfind('.');
  const size_t separator = platform::LastSeparator(base);
  if (dot == std::string::npos || (separator != std::string::npos && dot < separator)) return base + ".vpx";
  return base.substr(0, dot) + ".vpx";
}

int CheckEngine() {
  if (!platform::FileExists(kEngineLibrary)) return kRunEngineNotFound;
  // A library that is there but cut off or overwritten is a damaged engine, found before it is
  // used.
  std::string problem;
  if (project::CheckEngineLibrary(kEngineLibrary, &problem) == project::EngineLibraryState::kDamaged) {
    std::printf("Error: %s: %s\n", kEngineLibrary, platform::ToConsole(problem).c_str());
    return kRunEngineCorrupt;
  }
  core::SetMessageCallback(&ConsoleMessageSink);
  return kRunSucceeded;
}

void ConsoleMessageSink(const core::MessageRecord& record) {
  if (record.type == core::kWarning) {
    std::fputs("Warning: ", stdout);
  } else if (record.type == core::kError) {
    std::fputs("Error: ", stdout);
    Flags().errorReported = true;
  }
  const std::string text = platform::ToConsole(record.text);
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
  // Progress shows as it happens, also when the output goes to a pipe.
  std::fflush(stdout);
}

int MapResultToExitCode(int result) {
  struct Outcome {
    int result;
    int messageId;  // 0: no message
    int exitCode;
  };
  static constexpr Outcome kOutcomes[] = {
      {kRunSucceeded, 0, 0},       {kRunReportedErrors, 0, 1}, {kRunEngineNotFound, 1, 3},
      {kRunEngineCorrupt, 2, 4},   {kRunCaptureNotFound, 3, 1}, {kRunOptionsNotFound, 4, 2},
  };
  for (const Outcome& outcome : kOutcomes) {
    if (outcome.result != result) continue;
    if (outcome.messageId != 0) {
      std::printf("%s\n", core::LoadString(outcome.messageId).c_str());
      std::fflush(stdout);
    }
    return outcome.exitCode;
  }
  return 0;
}

}  // namespace frontend
