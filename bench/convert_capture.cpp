// Converting a generated capture with the built fernclip and /vpxonly, at half and at the full
// size: by default 20,000 files in 500 folders with 200,000 registry values, and half of each.
// Prints the time of each conversion and the time per file and per registry value; the times
// per item should stay flat from one size to the other. For comparison it also times saving
// the finished project once more through the engine (the last step of every conversion), so
// that the conversion's own steps can be told from the engine's save.
//
//   bench/bench_convert_capture [files] [folders] [registry values]
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "project/engine_loader.h"
#include "qv/entity.h"
#include "support/capture_generator.h"
#include "support/fernclip_run.h"

namespace {

namespace fs = std::filesystem;
using bench::Argument;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Seconds that the engine takes to save the converted project once more.
double SaveAgain(const fs::path& project) {
  qv::ComPtr<qv::IProject> engine;
  if (qv::Failed(project::CreateEngineObject(project::kEntityLibrary, qv::CLSID_Project, qv::IID_IProject, &engine)) ||
      qv::Failed(engine->Open(project.string()))) {
    std::fprintf(stderr, "cannot open %s through the engine\n", project.c_str());
    std::exit(1);
  }
  const Clock::time_point start = Clock::now();
  engine->SaveAs((project.parent_path() / "again.vpx").string());
  const double seconds = Seconds(start);
  engine->Close();
  return seconds;
}

double Convert(const fs::path& work, const bench::CaptureShape& shape, double* saveSeconds) {
  const fs::path folder = work / ("capture-" + std::to_string(shape.files));
  fs::remove_all(folder);
  const std::string script = bench::GenerateCapture(folder.string(), shape);
  const double seconds = bench::TimeFernclip(folder.string(), script, " /vpxonly");
  if (!fs::exists(folder / "app.vpx")) {
    std::fprintf(stderr, "the conversion wrote no project; see %s\n", (folder / "output.txt").c_str());
    std::exit(1);
  }
  *saveSeconds = SaveAgain(folder / "app.vpx");
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  bench::CaptureShape full;
  full.files = Argument(argc, argv, 1, 20000);
  full.folders = Argument(argc, argv, 2, 500);
  full.registryValues = Argument(argc, argv, 3, 200000);
  bench::CaptureShape half = full;
  half.files /= 2;
  half.folders /= 2;
  half.registryValues /= 2;

  const fs::path work = fs::temp_directory_path() / "fernclip-bench-convert";
  fs::create_directories(work);
  std::printf("%8s %8s %8s %9s %9s %10s %12s %13s\n", "files", "folders", "values", "convert", "of it save",
              "the rest", "us per file", "us per value");
  for (const bench::CaptureShape& shape : {half, full}) {
    double save = 0;
    const double seconds = Convert(work, shape, &save);
    const double rest = seconds - save;
    std::printf("%8zu %8zu %8zu %8.2fs %8.2fs %9.2fs %12.1f %13.2f\n", shape.files, shape.folders,
                shape.registryValues, seconds, save, rest,
                rest * 1e6 / static_cast<double>(shape.files ? shape.files : 1),
                rest * 1e6 / static_cast<double>(shape.registryValues ? shape.registryValues : 1));
  }
  std::printf("(\"of it save\": the engine saving the finished project again; \"the rest\": the conversion's "
              "own steps, with reading the capture and opening the project; per-item times of the rest)\n");
  fs::remove_all(work);
  return 0;
}
