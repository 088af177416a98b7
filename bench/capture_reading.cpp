// Reading a capture at two sizes: a REGEDIT4 file of N values (and 2N) with the Registry table
// text of every value, and a capture script of M file entries (and 2M) with a ContainsFile
// query per file. The time per item should stay flat when the size doubles.
//
//   bench_capture_reading [values] [files]     (defaults 200000 and 20000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "capture/capture_script.h"
#include "capture/path_translation.h"
#include "capture/registry_model.h"
#include "capture/registry_text.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

// Ten values per key, of every type the reader decodes.
std::string RegistryText(size_t values) {
  std::string text = "REGEDIT4\r\n\r\n";
  for (size_t i = 0; i < values; ++i) {
    if (i % 10 == 0)
      text += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{" + std::to_string(100000000 + i / 10) +
              "-1234-1234-1234-123456789012}\\InProcServer32]\r\n";
    const std::string name = "\"Value" + std::to_string(i) + "\"=";
    switch (i % 5) {
      case 0: text += name + "\"%windir%\\\\system32\\\\app" + std::to_string(i) + ".dll\"\r\n"; break;
      case 1: text += name + "dword:0000" + std::to_string(1000 + i % 9000) + "\r\n"; break;
      case 2: text += name + "hex:01,02,03,04,05,06,07,08,\\\r\n  09,0a,0b,0c\r\n"; break;
      case 3: text += name + "hex(7):61,00,62,00,63,00,00\r\n"; break;
      default: text += name + "\"Text with [brackets] and {braces} " + std::to_string(i) + "\"\r\n"; break;
    }
  }
  return text;
}

std::string ScriptText(size_t files) {
  std::string text = "ScriptVersion('4.0')\r\nCreatedBy(1)\r\nSet('APPDIR','C:\\Program Files\\App')\r\n";
  for (size_t i = 0; i < files; ++i) {
    if (i % 50 == 0)
      text += "InstallFileList('[ProgramFilesFolder]App\\Dir" + std::to_string(i / 50) + "'|65552|1033)\r\n";
    text += "C:\\cap\\ProgramFilesFolder\\App\\Dir" + std::to_string(i / 50) + "\\file" + std::to_string(i) +
            ".dll|1|0||0|0|0|0||0\r\n";
  }
  return text;
}

void MeasureRegistry(const std::string& folder, size_t values) {
  const std::string path = folder + "/load.reg";
  WriteFile(path, RegistryText(values));
  const auto start = Clock::now();
  capture::RegistryModel model(true);
  model.LoadRegistryFile(path);
  const double load = SecondsSince(start);
  const auto encodeStart = Clock::now();
  size_t encoded = 0;
  for (const auto& [fullPath, key] : model.Keys())
    for (const auto& value : key.Values()) encoded += capture::GetRegistryTableValue(value).size();
  const double encode = SecondsSince(encodeStart);
  std::printf("registry %7zu values: load %.3f s (%.2f us/value), table text %.3f s (%.2f us/value), %zu bytes\n",
              values, load, load * 1e6 / values, encode, encode * 1e6 / values, encoded);
}

void MeasureScript(const std::string& folder, size_t files) {
  const std::string path = folder + "/app.inc";
  WriteFile(path, ScriptText(files));
  capture::CaptureScript script(path);
  capture::SetCurrentCaptureScript(&script);
  const auto start = Clock::now();
  script.ReadScript();
  const double read = SecondsSince(start);
  const auto queryStart = Clock::now();
  size_t found = 0;
  for (size_t i = 0; i < files; ++i)
    found += script.ContainsFile("%ProgramFilesFolder%\\App\\Dir" + std::to_string(i / 50) + "\\file" +
                                 std::to_string(i) + ".dll");
  const double query = SecondsSince(queryStart);
  capture::SetCurrentCaptureScript(nullptr);
  std::printf("script   %7zu files:  read %.3f s (%.2f us/file),  ContainsFile %.3f s (%.2f us/file), %zu found\n",
              files, read, read * 1e6 / files, query, query * 1e6 / files, found);
}

}  // namespace

int main(int argc, char** argv) {
  const size_t values = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200000;
  const size_t files = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 20000;
  const std::string folder = (std::filesystem::temp_directory_path() / "fernclip-bench-capture").string();
  std::filesystem::create_directories(folder);
  setenv("FERNCLIP_REGISTRY", (folder + "/registry.reg").c_str(), 1);
  for (size_t factor : {1, 2}) {
    MeasureRegistry(folder, values * factor);
    MeasureScript(folder, files * factor);
  }
  std::filesystem::remove_all(folder);
  return 0;
}
