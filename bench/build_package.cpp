// Building a large package from a generated capture (bench/support/capture_generator.h): by
// default 20,000 files (7.5 KB on average, compressing like program data) in 500 folders and
// 200,000 registry values. Prints, in one run:
//   - the conversion (the built fernclip with /vpxonly) and the save of the project, with time
//     and peak memory;
//   - the build (SABuild.dll) on 1 and on 2 cores (one compressing thread a core, the process
//     held to that many processors), and whether both packages are the same bytes;
//   - the compression part alone (the cabinet writer on the captured files) on 1 and 2 cores,
//     and its speed-up;
//   - zlib alone compressing the same bytes in the 32 KB blocks of MSZIP at its default level,
//     on one core: the floor of a build that compresses with zlib;
//   - whole runs of fernclip (conversion and build) with their time and peak memory: on this
//     capture, on one of as many 256-byte files, and, with --scale N, on a capture N times as
//     large, with the ratios of time and memory;
//   - the validation of the package that the build wrote (read back, then checked), beside the
//     build's time.
// Wall times are noisy on a shared machine: the processor time of each step is printed beside,
// and the conversion (5 times) and the whole runs of the capture and of the scaled capture (3
// times each) are measured as the median run, with the spread. Each whole run's capture has one
// unmeasured run first.
//
//   bench/bench_build_package [files] [folders] [registry values] [--scale N]
#include <fcntl.h>
#include <malloc.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "cabinet_writer.h"
#include "msi_file.h"
#include "project/engine_loader.h"
#include "qv/builder.h"
#include "qv/entity.h"
#include "qv/project_tables.h"
#include "support/capture_generator.h"
#include "validator.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

double ProcessorSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Wall and processor time of a stretch of this process.
struct Stopwatch {
  Clock::time_point wall = Clock::now();
  double processor = ProcessorSeconds(RUSAGE_SELF);
  double Wall() const { return Seconds(wall); }
  double Processor() const { return ProcessorSeconds(RUSAGE_SELF) - processor; }
};

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "bench_build_package: %s\n", what.c_str());
  std::exit(1);
}

// Holds this process, and the threads it starts from now on, to the first `cores` processors it
// may run on (all of them for 0): a measurement "on one core" then has one core, whatever
// threads the step starts.
void HoldToCores(unsigned cores) {
  static const cpu_set_t allowed = [] {
    cpu_set_t set;
    CPU_ZERO(&set);
    sched_getaffinity(0, sizeof set, &set);
    return set;
  }();
  cpu_set_t chosen;
  CPU_ZERO(&chosen);
  unsigned taken = 0;
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
    if (CPU_ISSET(cpu, &allowed) && (cores == 0 || taken < cores)) {
      CPU_SET(cpu, &chosen);
      ++taken;
    }
  if (cores != 0 && taken < cores) Fail("fewer processors than " + std::to_string(cores) + " to run on");
  if (sched_setaffinity(0, sizeof chosen, &chosen) != 0) Fail("cannot choose the processors to run on");
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct ChildRun {
  int status = -1;
  double wall = 0, processor = 0;
  double peakMegabytes = 0;  // the largest resident set of the program
};

// Runs fernclip with the arguments, its output into a file, and measures it.
ChildRun RunFernclip(const std::vector<std::string>& arguments, const fs::path& registry, const fs::path& output) {
  const std::string program = std::string(FERNCLIP_BUILD_DIR) + "/fernclip";
  std::vector<std::string> all = {program};
  all.insert(all.end(), arguments.begin(), arguments.end());
  const Clock::time_point start = Clock::now();
  const pid_t child = fork();
  if (child == 0) {
    const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out, 1);
    dup2(out, 2);
    setenv("FERNCLIP_REGISTRY", registry.c_str(), 1);
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  ChildRun run;
  rusage usage{};
  if (child < 0 || wait4(child, &run.status, 0, &usage) != child) Fail("cannot run " + program);
  run.wall = Seconds(start);
  run.processor = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                  double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  run.peakMegabytes = double(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
  return run;
}

// A step measured several times on a noisy machine: the run of median wall time, with the
// spread of the wall times.
struct MeasuredRuns {
  ChildRun median;
  double fastest = 0, slowest = 0;
  size_t count = 0;
};

MeasuredRuns Repeat(size_t times, const std::function<ChildRun()>& run) {
  std::vector<ChildRun> runs;
  for (size_t i = 0; i < times; ++i) runs.push_back(run());
  std::sort(runs.begin(), runs.end(), [](const ChildRun& a, const ChildRun& b) { return a.wall < b.wall; });
  return {runs[runs.size() / 2], runs.front().wall, runs.back().wall, runs.size()};
}

std::string Spread(const MeasuredRuns& runs) {
  if (runs.count < 2) return std::string();
  char text[96];
  std::snprintf(text, sizeof text, ", median of %zu runs (%.2f to %.2f s)", runs.count, runs.fastest, runs.slowest);
  return text;
}

// The release as the program prepares it before a build (compressed, fixed time stamps).
void PrepareRelease(qv::IProject* project) {
  qv::ComPtr<qv::IProduct> product;
  qv::ComPtr<qv::IProductConfigCollection> configurations;
  qv::ComPtr<qv::IProductConfig> configuration;
  qv::ComPtr<qv::IReleaseCollection> releases;
  qv::ComPtr<qv::IRelease> release;
  if (qv::Failed(project->QueryInterface(qv::IID_IProduct, product.PutVoid())) ||
      qv::Failed(product->GetConfigurations(configurations.Put())) ||
      qv::Failed(configurations->Add("Product1", configuration.Put())) ||
      qv::Failed(configuration->GetReleases(releases.Put())) || qv::Failed(releases->Add("Release1", release.Put())))
    Fail("cannot add the release");
  release->SetSetting("Compressed", qv::Variant::Int(1));
  release->SetSetting("BuildLocation", qv::Variant::Text(qv::kProjectFolderVariable));
  release->SetSetting("PackageName", qv::Variant::Text("Generated"));
  release->SetSetting("PackageCode", qv::Variant::Text("{AAAAAAAA-0000-0000-0000-000000000001}"));
  release->SetSetting("FixedTimestamps", qv::Variant::Int(1));
}

// zlib alone on the captured files' bytes, in 32 KB blocks as MSZIP compresses them.
void ZlibAlone(const std::vector<builder::CabinetFile>& files, double* seconds, double* processor,
                    uint64_t* outputBytes) {
  Stopwatch watch;
  std::string block;
  std::vector<unsigned char> out(compressBound(32768));
  auto flush = [&]() {
    uLongf length = uLongf(out.size());
    compress2(out.data(), &length, reinterpret_cast<const Bytef*>(block.data()), uLong(block.size()),
              Z_DEFAULT_COMPRESSION);
    *outputBytes += length;
    block.clear();
  };
  for (const builder::CabinetFile& file : files) {
    const std::string content = ReadBytes(file.hostPath);
    for (size_t at = 0; at < content.size();) {
      const size_t take = std::min(content.size() - at, 32768 - block.size());
      block.append(content, at, take);
      at += take;
      if (block.size() == 32768) flush();
    }
  }
  if (!block.empty()) flush();
  *seconds = watch.Wall();
  *processor = watch.Processor();
}

struct Shape {
  size_t files = 20000, folders = 500, values = 200000;
};

fs::path Generate(const fs::path& folder, const Shape& shape, bool mixedContent) {
  bench::CaptureShape capture;
  capture.files = shape.files;
  capture.folders = shape.folders;
  capture.registryValues = shape.values;
  capture.mixedContent = mixedContent;
  const fs::path script = bench::GenerateCapture(folder.string(), capture);
  // The generated files go to disk before anything is measured: otherwise the system writes
  // them back (2 GB for ten times the capture) while fernclip runs, and the run pays for it.
  ::sync();
  return script;
}

// fernclip converting and building a capture, as a user runs it, `times` times.
ChildRun WholeRun(const fs::path& work, const std::string& label, const Shape& shape, bool mixedContent, size_t times) {
  const fs::path folder = work / label;
  const fs::path script = Generate(folder, shape, mixedContent);
  const fs::path package = folder / "Generated.msi";
  auto runOnce = [&] {
    fs::remove(package);
    fs::remove(folder / "app.vpx");
    const ChildRun run = RunFernclip({script.string(), "/fakeguids"}, work / "registry.reg", work / (label + ".txt"));
    if (run.status != 0 || !fs::exists(package)) Fail("the whole run failed; see " + (work / (label + ".txt")).string());
    return run;
  };
  // The first run after the capture was written is not measured: it reads files that the system
  // has only just written back, and took a tenth longer on ten times the capture. Every capture
  // is measured warm, as the steps before the whole runs leave the first one.
  runOnce();
  const MeasuredRuns runs = Repeat(times, runOnce);
  const ChildRun& run = runs.median;
  std::printf("whole run, %-34s %8.2f s (processor %6.2f s), peak %6.1f MB, package %.1f MB%s\n",
              (label + " (" + std::to_string(shape.files) + " files, " + std::to_string(shape.values) + " values):").c_str(),
              run.wall, run.processor, run.peakMegabytes, double(fs::file_size(package)) / 1e6, Spread(runs).c_str());
  fs::remove_all(folder);
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  Shape shape;
  size_t scale = 0;
  std::vector<size_t> numbers;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--scale") == 0 && i + 1 < argc)
      scale = std::strtoull(argv[++i], nullptr, 10);
    else
      numbers.push_back(std::strtoull(argv[i], nullptr, 10));
  }
  if (numbers.size() > 0) shape.files = numbers[0];
  if (numbers.size() > 1) shape.folders = numbers[1];
  if (numbers.size() > 2) shape.values = numbers[2];

  const fs::path work = fs::temp_directory_path() / "fernclip-bench-build";
  fs::remove_all(work);
  const fs::path folder = work / "capture";
  const fs::path script = Generate(folder, shape, /*mixedContent=*/true);
  std::vector<builder::CabinetFile> capturedFiles;
  uint64_t inputBytes = 0;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file() && entry.path().parent_path() != folder) {
      capturedFiles.push_back({entry.path().filename().string(), entry.path().string(), entry.file_size()});
      inputBytes += entry.file_size();
    }
  std::sort(capturedFiles.begin(), capturedFiles.end(),
            [](const auto& a, const auto& b) { return a.hostPath < b.hostPath; });
  for (size_t i = 0; i < capturedFiles.size(); ++i) capturedFiles[i].name = "f" + std::to_string(i);
  std::printf("capture: %zu files (%.1f MB) in %zu folders, %zu registry values; %ld processors\n",
              capturedFiles.size(), double(inputBytes) / 1e6, shape.folders, shape.values, sysconf(_SC_NPROCESSORS_ONLN));

  // The conversion as a user runs it, without the build.
  const fs::path vpx = folder / "app.vpx";
  const MeasuredRuns conversions = Repeat(5, [&] {
    fs::remove(vpx);
    const ChildRun run = RunFernclip({script.string(), "/vpxonly", "/fakeguids"}, work / "registry.reg",
                                     work / "output.txt");
    if (run.status != 0 || !fs::exists(vpx)) Fail("the conversion failed; see " + (work / "output.txt").string());
    return run;
  });
  const ChildRun& conversion = conversions.median;

  qv::ComPtr<qv::IProject> project;
  if (qv::Failed(project::CreateEngineObject(project::kEntityLibrary, qv::CLSID_Project, qv::IID_IProject, &project)) ||
      qv::Failed(project->Open(vpx.string())))
    Fail("cannot open the converted project (is the engine built?)");
  PrepareRelease(project.Get());
  Stopwatch saveWatch;
  if (qv::Failed(project->SaveAs(vpx.string()))) Fail("cannot save the project");
  const double save = saveWatch.Wall(), saveProcessor = saveWatch.Processor();

  qv::ComPtr<qv::IBuilder> builder;
  if (qv::Failed(project::CreateEngineObject(project::kBuilderLibrary, qv::CLSID_Builder, qv::IID_IBuilder, &builder)))
    Fail("cannot create the builder");
  builder->SetProject(project.Get(), "Product1", "Release1");
  const fs::path package = folder / "Generated.msi";
  double build[3] = {}, buildProcessor[3] = {};
  std::string packages[3];
  for (unsigned threads : {1u, 2u}) {
    HoldToCores(threads);
    setenv("FERNCLIP_BUILD_THREADS", std::to_string(threads).c_str(), 1);
    Stopwatch watch;
    const qv::HResult built = builder->Build();
    build[threads] = watch.Wall();
    buildProcessor[threads] = watch.Processor();
    int32_t errors = 0;
    builder->GetErrorCount(&errors);
    if (qv::Failed(built) || errors != 0) Fail("the build failed");
    packages[threads] = ReadBytes(package);
  }
  unsetenv("FERNCLIP_BUILD_THREADS");
  HoldToCores(0);
  project->Close();
  const bool samePackages = packages[1] == packages[2];
  const double packageMegabytes = double(packages[1].size()) / 1e6;

  // The installer's validation rules on the package alone (every build above checked them too).
  Stopwatch loadWatch;
  std::unique_ptr<qv::engine::Database> database;
  if (qv::Failed(qv::engine::LoadDatabase(package.string(), &database))) Fail("cannot read the built package");
  const double load = loadWatch.Wall();
  Stopwatch validateWatch;
  const validation::Findings findings = validation::ValidatePackage(*database);
  const double validate = validateWatch.Wall(), validateProcessor = validateWatch.Processor();

  // The compression part alone: the cabinet writer on the captured files.
  double cabinet[3] = {}, cabinetProcessor[3] = {};
  uint64_t cabinetBytes = 0;
  for (unsigned threads : {1u, 2u}) {
    HoldToCores(threads);
    builder::CabinetOptions options;
    options.threads = threads;
    options.fixedTime = 946684800;
    std::vector<builder::FileFacts> facts;
    builder::CabinetFailure failure;
    Stopwatch watch;
    if (!builder::WriteCabinet((work / "alone.cab").string(), capturedFiles, options, &facts, &failure))
      Fail("cannot write the cabinet: " + failure.message);
    cabinet[threads] = watch.Wall();
    cabinetProcessor[threads] = watch.Processor();
    cabinetBytes = fs::file_size(work / "alone.cab");
  }

  double zlibOnly = 0, zlibProcessor = 0;
  uint64_t zlibBytes = 0;
  HoldToCores(1);
  ZlibAlone(capturedFiles, &zlibOnly, &zlibProcessor, &zlibBytes);
  HoldToCores(0);

  std::printf("conversion (fernclip /vpxonly, with its save):  %8.2f s (processor %6.2f s), peak %6.1f MB%s\n",
              conversion.wall, conversion.processor, conversion.peakMegabytes, Spread(conversions).c_str());
  std::printf("save (.vpx, through the engine):                %8.2f s (processor %6.2f s), %.1f MB\n", save,
              saveProcessor, double(fs::file_size(vpx)) / 1e6);
  for (unsigned threads : {1u, 2u})
    std::printf("build (.msi, SABuild.dll), %u core%s:              %8.2f s (processor %6.2f s), package %.1f MB\n",
                threads, threads == 1 ? " " : "s", build[threads], buildProcessor[threads], packageMegabytes);
  std::printf("validation (reading the package + checking):  %8.2f s + %.2f s (processor %6.2f s), %zu findings\n",
              load, validate, validateProcessor, findings.size());
  std::printf("packages of 1 and 2 cores:                      %s\n",
              samePackages ? "the same bytes" : "DIFFERENT");
  for (unsigned threads : {1u, 2u})
    std::printf("compression part (cabinet writer), %u core%s:      %8.2f s (processor %6.2f s), %.1f MB\n", threads,
                threads == 1 ? " " : "s", cabinet[threads], cabinetProcessor[threads], double(cabinetBytes) / 1e6);
  std::printf("zlib alone on the same bytes, 1 core:           %8.2f s (processor %6.2f s), %.1f MB\n", zlibOnly,
              zlibProcessor, double(zlibBytes) / 1e6);
  std::printf("ratios: compression speed-up on 2 cores %.2f; build on 2 cores / zlib alone %.2f; "
              "cabinet bytes / zlib's %.3f\n",
              cabinet[1] / cabinet[2], build[2] / zlibOnly, double(cabinetBytes) / double(zlibBytes));

  // A child's peak of memory counts this process's pages until it execs fernclip: what this
  // process holds goes first, so that the peaks are fernclip's own.
  for (std::string& bytes : packages) std::string().swap(bytes);
  database.reset();
  builder.Reset();
  project.Reset();
  std::vector<builder::CabinetFile>().swap(capturedFiles);
  malloc_trim(0);
  const ChildRun whole = WholeRun(work, "capture", shape, /*mixedContent=*/true, 3);
  WholeRun(work, "small-files", shape, /*mixedContent=*/false, 1);
  if (scale > 1) {
    const Shape large{shape.files * scale, shape.folders * scale, shape.values * scale};
    // Three runs here too: one run of this size varied by a seventh on a shared machine.
    const ChildRun scaled = WholeRun(work, "scaled", large, /*mixedContent=*/true, 3);
    std::printf("ratios of the %zu-times capture: time %.2f (processor %.2f), peak memory %.2f\n", scale,
                scaled.wall / whole.wall, scaled.processor / whole.processor,
                scaled.peakMegabytes / whole.peakMegabytes);
  }
  fs::remove_all(work);
  return 0;
}
