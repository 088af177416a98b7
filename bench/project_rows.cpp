// Cost of a project with many rows: open the blank template through the project writer, add N
// Registry rows through MSIRecord, save; for N = 50,000 and 200,000. Adding rows in memory must
// grow linearly; the figures show how saving grows.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/repackager_exception.h"
#include "options/project_options.h"
#include "platform/text.h"
#include "project/keys.h"
#include "project/msi_record.h"
#include "project/vpx_writer.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

struct Timing {
  double open = 0, add = 0, save = 0;
};

Timing Measure(int rows, const std::filesystem::path& folder) {
  Timing timing;
  std::string projectPath = (folder / ("rows" + std::to_string(rows) + ".vpx")).string();
  project::VpxWriter writer;
  auto start = Clock::now();
  writer.Open(projectPath);
  auto opened = Clock::now();
  project::RunningKey keys("Registry_");
  for (int i = 0; i < rows; ++i) {
    project::MSIRecord record(writer, "Registry");
    record.SetField(1, keys.Next());
    record.SetField(2, 2);
    record.SetField(3, platform::Format("Software\\Quillmark\\Bench\\Key%d", i / 16));
    record.SetField(4, platform::Format("Value%d", i % 16));
    record.SetField(5, platform::Format("#%d", i));
    record.SetField(6, "BenchComponent");
  }
  auto added = Clock::now();
  if (!writer.Save()) std::fprintf(stderr, "saving %s failed\n", projectPath.c_str());
  auto saved = Clock::now();
  timing.open = Seconds(start, opened);
  timing.add = Seconds(opened, added);
  timing.save = Seconds(added, saved);
  std::filesystem::remove(projectPath);
  return timing;
}

}  // namespace

int main() {
  std::filesystem::path folder = std::filesystem::temp_directory_path() / "fernclip-bench-rows";
  std::filesystem::create_directories(folder);
  std::string registry = (folder / "registry.reg").string();
  setenv("FERNCLIP_REGISTRY", registry.c_str(), 1);
  options::Options().Reset();

  try {
    const int sizes[] = {50000, 200000};
    Timing timings[2];
    for (int i = 0; i < 2; ++i) {
      timings[i] = Measure(sizes[i], folder);
      std::printf("%7d rows: open %.3f s, add %.3f s (%.2f us/row), save %.3f s\n", sizes[i],
                  timings[i].open, timings[i].add, timings[i].add * 1e6 / sizes[i], timings[i].save);
    }
    std::printf("ratio 200,000 / 50,000 (linear is 4.0): add %.2f, save %.2f\n",
                timings[1].add / timings[0].add, timings[1].save / timings[0].save);
  } catch (const core::repackager_exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  std::filesystem::remove_all(folder);
  return 0;
}
