// Converting captures with one very long text, with the built fernclip and /vpxonly: a registry
// string of folder references ("%windir%\a;" repeated) and a CreateLink line full of doubled
// quotes. Each is converted at 100 KB and at 1 MB and the times are printed side by side; when
// every text operation is linear in its text, ten times the text takes about ten times as long.
//
//   bench/bench_long_text [small bytes] [large bytes]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/fernclip_run.h"

namespace {

namespace fs = std::filesystem;
using bench::Argument;

std::string Repeat(const std::string& piece, size_t bytes) {
  std::string text;
  text.reserve(bytes + piece.size());
  while (text.size() < bytes) text += piece;
  return text;
}

void Write(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

// Writes a capture whose script has the extra line and whose registry file has the extra
// value, converts it and returns the seconds the conversion took.
double Convert(const fs::path& folder, const std::string& scriptLine, const std::string& registryValue) {
  fs::remove_all(folder);
  fs::create_directories(folder);
  Write(folder / "options.ini", "[General]\r\nProductName=Long Text\r\nINSTALLDIR=[ProgramFilesFolder]Long\r\n");
  Write(folder / "app.inc", "ScriptVersion('4.0')\r\n" + scriptLine + "\r\nRegLoad('C:\\Capture\\app.reg')\r\n");
  Write(folder / "app.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Long]\r\n" + registryValue + "\r\n");
  return bench::TimeFernclip(folder.string(), (folder / "app.inc").string(), " /vpxonly");
}

double ConvertValue(const fs::path& work, size_t bytes) {
  return Convert(work / ("value-" + std::to_string(bytes)), "",
                 "\"Path\"=\"" + Repeat("%windir%\\\\a;", bytes) + "\"");
}

double ConvertShortcutLine(const fs::path& work, size_t bytes) {
  return Convert(work / ("link-" + std::to_string(bytes)),
                 "CreateLink('Tool','" + Repeat("''x", bytes) + "','','','Programs')", "");
}

}  // namespace

int main(int argc, char** argv) {
  const size_t small = Argument(argc, argv, 1, 100 * 1024);
  const size_t large = Argument(argc, argv, 2, 1024 * 1024);
  const fs::path work = fs::temp_directory_path() / "fernclip-bench-long-text";
  fs::create_directories(work);

  std::printf("%-36s %12s %12s %8s\n", "conversion", "small (s)", "large (s)", "ratio");
  const double valueSmall = ConvertValue(work, small), valueLarge = ConvertValue(work, large);
  std::printf("%-36s %12.3f %12.3f %8.1f\n", "registry string of %windir%\\a;", valueSmall, valueLarge,
              valueLarge / valueSmall);
  const double linkSmall = ConvertShortcutLine(work, small), linkLarge = ConvertShortcutLine(work, large);
  std::printf("%-36s %12.3f %12.3f %8.1f\n", "CreateLink line of ''", linkSmall, linkLarge, linkLarge / linkSmall);
  std::printf("(%zu and %zu bytes; the conversion of an empty capture is part of each time)\n", small, large);
  fs::remove_all(work);
  return 0;
}
