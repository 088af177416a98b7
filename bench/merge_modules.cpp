// The step "Applying merge modules" on a generated capture: the built fernclip converts it with
// /vpxonly without the step (UseMergeModules=N), then with it, the search path holding copies of
// the test module fernrt (made by the test build: build the tests first), once with a cold index
// cache (every module read) and once with a warm one. The step reads each captured file's version
// resource and looks its name up in the index, so its cost should grow with the files alone.
//
//   bench/bench_merge_modules [files] [folders] [modules]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/capture_generator.h"
#include "support/fernclip_run.h"

namespace {

namespace fs = std::filesystem;
using bench::Argument;
using bench::Quote;

void SetOptions(const fs::path& options, const std::string& lines) {
  std::ifstream in(options, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::string contents = text.str();
  const std::string off = "UseMergeModules=N\r\n";
  const size_t at = contents.find(off);
  if (at != std::string::npos) contents.replace(at, off.size(), lines);
  std::ofstream(options, std::ios::binary | std::ios::trunc) << contents;
}

double Convert(const fs::path& work, const std::string& script) {
  const std::string cache = "XDG_CACHE_HOME=" + Quote((work / "cache").string()) + " ";
  return bench::TimeFernclip(work.string(), script, " /vpxonly", cache);
}

}  // namespace

int main(int argc, char** argv) {
  bench::CaptureShape shape;
  shape.files = Argument(argc, argv, 1, 20000);
  shape.folders = Argument(argc, argv, 2, 500);
  shape.registryValues = 1000;
  const size_t modules = Argument(argc, argv, 3, 200);
  const fs::path fixture = fs::path(FERNCLIP_BUILD_DIR) / "tests/merge_modules/fernrt.msm";
  if (!fs::exists(fixture)) {
    std::fprintf(stderr, "%s is missing: build the tests first\n", fixture.c_str());
    return 1;
  }

  const fs::path work = fs::temp_directory_path() / "fernclip-bench-merge-modules";
  fs::remove_all(work);
  fs::create_directories(work / "modules");
  for (size_t i = 0; i < modules; ++i)
    fs::copy_file(fixture, work / "modules" / ("module" + std::to_string(i) + ".msm"));
  const std::string script = bench::GenerateCapture((work / "capture").string(), shape);

  const double without = Convert(work, script);
  SetOptions(work / "capture/Options.ini", "UseMergeModules=Y\r\nAddlMMSearchPath=" + (work / "modules").string() + "\r\n");
  const double cold = Convert(work, script);
  const double warm = Convert(work, script);
  std::printf("%zu files, %zu modules: without the step %.2fs; with it, cold index %.2fs (%.2f), warm index %.2fs (%.2f)\n",
              shape.files, modules, without, cold, cold / without, warm, warm / without);
  fs::remove_all(work);
  return 0;
}
