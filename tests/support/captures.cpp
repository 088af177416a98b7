#include "support/captures.h"

#include <algorithm>
#include <filesystem>

#include "support/msi_dump.h"
#include "support/run_program.h"
#include "support/test_env.h"

namespace test_support {

namespace fs = std::filesystem;

std::string CopyCapture(const std::string& capture, const std::string& destination) {
  const bool example = capture.starts_with("examples/");
  const fs::path source = example ? fs::path(FERNCLIP_SOURCE_DIR) / capture : fs::path(FERNCLIP_TEST_DATA_DIR) / capture;
  fs::create_directories(destination);
  // Only the capture itself: a conversion run by hand in the source tree (the README's demo)
  // leaves its project and package beside the capture.
  for (const auto& entry : fs::directory_iterator(source)) {
    const fs::path name = entry.path().filename();
    if (name.extension() == ".vpx" || name.extension() == ".msi" || name == "setup.exe") continue;
    fs::copy(entry.path(), fs::path(destination) / name,
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  }
  const fs::path marker = fs::path(FERNCLIP_BUILD_DIR) / "tests/fixtures/pe/marker.exe";
  const fs::path callTarget = fs::path(FERNCLIP_BUILD_DIR) / "tests/fixtures/pe/call_target.dll";
  const fs::path service = fs::path(FERNCLIP_BUILD_DIR) / "tests/fixtures/pe/service.exe";
  const fs::path odbcSetup = fs::path(FERNCLIP_BUILD_DIR) / "tests/fixtures/pe/odbc_setup.dll";
  const fs::path iconOnly = fs::path(FERNCLIP_BUILD_DIR) / "tests/fixtures/pe/icon_only.exe";
  std::vector<std::pair<std::string, fs::path>> built;  // place in the capture, file of the build
  if (capture == "e2e/rich") built = {{"ProgramFilesFolder/Rich/App/rich.exe", marker}, {"Setup/postinst.exe", marker}};
  if (capture == "e2e/calls")
    built = {{"ProgramFilesFolder/Calls/tool.exe", marker}, {"Setup/post.exe", marker}, {"Setup/calltarget.dll", callTarget}};
  if (capture == "e2e/services")
    built = {{"ProgramFilesFolder/Fernclip Services/fcsvc.exe", service},
             {"ProgramFilesFolder/Fernclip Services/fcodbc.dll", odbcSetup},
             {"ProgramFilesFolder/Fernclip Services/fcapp.exe", marker},
             {"ProgramFilesFolder/Fernclip Services/fctool.exe", marker}};
  if (capture == "e2e/links") built = {{"ProgramFilesFolder/Links/App/viewer.exe", iconOnly}};
  // The runtime capture's files are the test merge module fernrt's own.
  if (capture == "e2e/merge_modules")
    built = {{"SystemFolder/fernrt.dll", fs::path(FERNCLIP_MERGE_MODULES_DIR) / "fernrt/fernrt.dll"},
             {"SystemFolder/fernrt.txt", fs::path(FERNCLIP_TEST_DATA_DIR) / "merge_modules/fernrt/fernrt.txt"}};
  for (const auto& [place, file] : built) {
    fs::create_directories((fs::path(destination) / place).parent_path());
    fs::copy_file(file, fs::path(destination) / place, fs::copy_options::overwrite_existing);
  }
  // The COM capture's servers are Wine's own builtin ones, taken from the Wine installation.
  if (capture == "e2e/com") {
    const fs::path wineLibraries = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows";
    const fs::path folder = fs::path(destination) / "ProgramFilesFolder/Fernclip COM";
    fs::create_directories(folder);
    for (const char* server : {"scrrun.dll", "vbscript.dll", "wscript.exe", "iexplore.exe"})
      fs::copy_file(wineLibraries / server, folder / server, fs::copy_options::overwrite_existing);
  }
  for (const auto& entry : fs::directory_iterator(destination))
    if (entry.path().extension() == ".inc") return entry.path().string();
  return {};
}

std::string CopyFilteredRichCapture(const std::string& destination) {
  CopyCapture("e2e/rich", destination);
  const std::string filters = destination + "/filters.ini";
  testenv::WriteText(filters,
                     "[Registry-Excludes]\r\n"
                     "HKEY_LOCAL_MACHINE\\Software\\Classes=*\r\n"
                     "HKEY_LOCAL_MACHINE\\SOFTWARE\\Rich\\App=Blob\r\n"
                     "HKEY_LOCAL_MACHINE\\SOFTWARE\\Rich\\App=Count\r\n"
                     "HKEY_LOCAL_MACHINE\\SOFTWARE\\Rich\\App=\r\n"
                     "*=Theme\r\n"
                     "HKEY_LOCAL_MACHINE\\SOFTWARE\\Rich\\Old=*\r\n"
                     "[File-Excludes]\r\n"
                     "%ProgramFilesFolder%\\Rich\\App=*.txt\r\n"
                     "%CommonFilesFolder%\\Rich=user.cfg\r\n"
                     "[DeletedFile-Excludes]\r\n"
                     "%WindowsFolder%\\Temp=*.tmp\r\n"
                     "[DeletedRegistry-Excludes]\r\n"
                     "HKEY_CURRENT_USER\\Software\\Rich\\App=Obsolete\r\n");
  const std::string project = destination + "/rich.wrp";
  testenv::WriteText(project, "[Files]\r\nINC=rich.inc\r\nConversionOptions=options.ini\r\n"
                              "[Configuration]\r\nType=4\r\nFile=" + filters + "\r\n"
                              "[File-Includes]\r\n%ProgramFilesFolder%\\Rich\\App=notes.txt\r\n"
                              "[Registry-Includes]\r\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Rich\\App=count\r\n");
  return project;
}

void SetGeneralOption(const std::string& optionsFile, const std::string& key, const std::string& value) {
  std::string text = testenv::ReadText(optionsFile);
  std::string result;
  bool inGeneral = false, done = false;
  for (const std::string& line : SplitLines(text)) {
    if (line.starts_with("[")) {
      if (inGeneral && !done) result += key + "=" + value + "\r\n", done = true;
      inGeneral = line == "[General]";
    } else if (inGeneral && line.starts_with(key + "=")) {
      if (!done) result += key + "=" + value + "\r\n";
      done = true;
      continue;
    }
    result += line + "\r\n";
  }
  if (!done) result += (inGeneral ? "" : "[General]\r\n") + key + "=" + value + "\r\n";
  testenv::WriteText(optionsFile, result);
}

std::vector<std::string> FernclipRun::Lines() const { return SplitLines(out); }

bool FernclipRun::HasLine(const std::string& line) const {
  const std::vector<std::string> lines = Lines();
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool FernclipRun::ValidatedWithoutErrors() const {
  for (const std::string& line : Lines())
    if (line.starts_with("Validation: 0 errors, ")) return true;
  return false;
}

FernclipRun RunFernclip(const std::vector<std::string>& arguments, const std::string& registryFile) {
  const testenv::ProgramResult result =
      testenv::RunProgram(std::string(FERNCLIP_BUILD_DIR) + "/fernclip", arguments,
                          {{"FERNCLIP_REGISTRY", registryFile}, {"FERNCLIP_CODEPAGE", std::nullopt}});
  return {result.exitCode, result.out + result.err};
}

std::map<std::string, std::string> FilesBelow(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file())
      files[fs::relative(entry.path(), folder).string()] = testenv::ReadText(entry.path().string());
  return files;
}

std::map<std::string, std::string> CapturedFiles(const std::string& script) {
  const std::string prefix = "%SCRIPTFOLDER%";
  const fs::path folder = fs::path(script).parent_path();
  std::map<std::string, std::string> files;
  for (std::string line : SplitLines(testenv::ReadText(script))) {
    if (!line.starts_with(prefix)) continue;
    line = line.substr(prefix.size(), line.find('|') == std::string::npos ? std::string::npos
                                                                          : line.find('|') - prefix.size());
    for (char& c : line)
      if (c == '\\') c = '/';
    files[line] = testenv::ReadText((folder / line).string());
  }
  return files;
}

}  // namespace test_support
