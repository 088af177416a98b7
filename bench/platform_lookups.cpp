// Look-ups that a conversion makes once per captured item: resolving captured paths on a file
// system that keeps letter case, and reading keys of the options file. Their cost per item must
// not grow with the size of the capture.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/host_paths.h"
#include "platform/profile.h"

namespace {

std::string MakeFolder(const char* name) {
  std::string pattern = (std::filesystem::temp_directory_path() / (std::string(name) + "-XXXXXX")).string();
  if (!mkdtemp(pattern.data())) std::abort();
  return pattern;
}

// A capture folder with n files whose names are asked in another letter case.
void ResolveCapturedPaths(benchmark::State& state) {
  const int files = static_cast<int>(state.range(0));
  const std::string root = MakeFolder("fernclip-bench-paths");
  std::filesystem::create_directories(root + "/ProgramFilesFolder/App");
  for (int i = 0; i < files; ++i) std::ofstream(root + "/ProgramFilesFolder/App/File" + std::to_string(i) + ".DLL");
  int i = 0;
  for (auto _ : state) {
    const std::string captured = root + "\\programfilesfolder\\app\\file" + std::to_string(i++ % files) + ".dll";
    benchmark::DoNotOptimize(platform::ResolveHostPath(captured));
  }
  state.SetItemsProcessed(state.iterations());
  std::filesystem::remove_all(root);
}
BENCHMARK(ResolveCapturedPaths)->Arg(100)->Arg(1000)->Arg(10000);

// An options file with n keys in one section, read key by key.
void ReadProfileKeys(benchmark::State& state) {
  const int keys = static_cast<int>(state.range(0));
  const std::string root = MakeFolder("fernclip-bench-profile");
  const std::string path = root + "/Options.ini";
  {
    std::ofstream out(path);
    out << "[General]\r\n";
    for (int i = 0; i < keys; ++i) out << "Key" << i << "=Value" << i << "\r\n";
  }
  int i = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(platform::GetProfileString("General", "key" + std::to_string(i++ % keys), "", path));
  state.SetItemsProcessed(state.iterations());
  std::filesystem::remove_all(root);
}
BENCHMARK(ReadProfileKeys)->Arg(100)->Arg(1000)->Arg(10000);

}  // namespace

BENCHMARK_MAIN();
