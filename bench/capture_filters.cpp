// Converting a generated capture with the built fernclip and /vpxonly, without and with a
// repackager settings file of 10,000 include and exclude entries (the type 2 settings file,
// "repackager/Repackager2.ini" beside the registry file): by default 2,000 files in 100 folders
// with 200,000 registry values. The entries name the capture's own keys and folders, with exact
// names and wildcard patterns that match nothing, so both conversions write the same project
// and the difference is the filters' own cost. Prints both times (the better of two runs each)
// and their ratio, which should stay close to 1.
//
//   bench/bench_capture_filters [registry values] [filter entries]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/capture_generator.h"
#include "support/fernclip_run.h"

namespace {

namespace fs = std::filesystem;
using bench::Argument;

// The generator's keys: ten values a key, key k under one of three roots by k % 10.
std::string KeyPath(size_t k) {
  const std::string n = std::to_string(k);
  switch (k % 10) {
    case 0: return "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Gen.Document" + n;
    case 1:
    case 2: return "HKEY_CURRENT_USER\\Software\\Gen\\Settings" + n;
    default: return "HKEY_LOCAL_MACHINE\\SOFTWARE\\Gen\\Key" + n;
  }
}

// entries lines over the sections, under keys and folders of the capture, none matching.
std::string SettingsText(size_t entries, size_t keys, size_t folders) {
  std::string registryExcludes, registryIncludes, fileExcludes, deletedFileExcludes, deletedRegistryExcludes;
  for (size_t i = 0; i < entries; ++i) {
    const size_t k = (i * 7919) % keys;
    const std::string folder = "%ProgramFilesFolder%\\Gen\\Dir" + std::to_string(i % folders);
    switch (i % 10) {
      case 0: case 1: case 2: case 3:
        registryExcludes += KeyPath(k) + "=Unused" + std::to_string(i) + "\r\n";
        break;
      case 4:
        registryExcludes += KeyPath(k) + "=Old*" + std::to_string(i) + "\r\n";
        break;
      case 5:
        registryExcludes += KeyPath(k) + "\\Cache" + std::to_string(i) + "=*\r\n";
        break;
      case 6:
        registryIncludes += KeyPath(k) + "=Value" + std::to_string(k * 10) + "\r\n";
        break;
      case 7:
        fileExcludes += folder + "=unused" + std::to_string(i) + ".tmp\r\n";
        break;
      case 8:
        fileExcludes += folder + "=*.bak" + std::to_string(i) + "\r\n";
        break;
      default:
        deletedFileExcludes += "%WindowsFolder%\\Temp\\Gen" + std::to_string(i % folders) + "=unused" +
                               std::to_string(i) + ".log\r\n";
        deletedRegistryExcludes += KeyPath(k) + "=Unused" + std::to_string(i) + "\r\n";
        break;
    }
  }
  // A few patterns that apply under every key.
  for (int i = 0; i < 10; ++i) registryExcludes += "*=MRU" + std::to_string(i) + "\r\n*=Zz*Temp" + std::to_string(i) + "\r\n";
  return "[Registry-Excludes]\r\n" + registryExcludes + "[Registry-Includes]\r\n" + registryIncludes +
         "[File-Excludes]\r\n" + fileExcludes + "[DeletedFile-Excludes]\r\n" + deletedFileExcludes +
         "[DeletedRegistry-Excludes]\r\n" + deletedRegistryExcludes;
}

double Convert(const fs::path& work, const std::string& script) {
  return bench::TimeFernclip(work.string(), script, " /vpxonly /fakeguids");
}

double BestOfTwo(const fs::path& work, const std::string& script) {
  const double first = Convert(work, script);
  const double second = Convert(work, script);
  return first < second ? first : second;
}

}  // namespace

int main(int argc, char** argv) {
  bench::CaptureShape shape;
  shape.files = 2000;
  shape.folders = 100;
  shape.registryValues = Argument(argc, argv, 1, 200000);
  const size_t entries = Argument(argc, argv, 2, 10000);

  const fs::path work = fs::temp_directory_path() / "fernclip-bench-filters";
  fs::remove_all(work);
  fs::create_directories(work / "repackager");
  const std::string script = bench::GenerateCapture((work / "capture").string(), shape);

  const double without = BestOfTwo(work, script);
  std::ofstream(work / "repackager/Repackager2.ini", std::ios::binary)
      << SettingsText(entries, shape.registryValues / 10, shape.folders);
  const double with = BestOfTwo(work, script);

  std::printf("%8s %8s %14s %14s %7s\n", "values", "entries", "without (s)", "with (s)", "ratio");
  std::printf("%8zu %8zu %14.2f %14.2f %7.2f\n", shape.registryValues, entries, without, with, with / without);
  fs::remove_all(work);
  return 0;
}
