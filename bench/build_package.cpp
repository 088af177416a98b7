// Building a large package from a generated capture (bench/support/capture_generator.h): by
// default 20,000 files (7.5 KB on average, compressing like program data) in 500 folders and
// 200,000 registry values. The capture is converted by the built fernclip with /vpxonly; the
// project is then opened through the engine, its release prepared as the program prepares it,
// saved, and built with SABuild.dll into a compressed package. Prints the time of each stage and,
// for comparison, the time that compressing the same file bytes with zlib alone takes (in the
// 32 KB blocks of MSZIP: the floor of the cabinet step).
//
//   bench/bench_build_package [files] [folders] [registry values]
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "project/engine_loader.h"
#include "qv/builder.h"
#include "qv/entity.h"
#include "qv/project_tables.h"
#include "support/capture_generator.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

std::string Quote(const std::string& text) { return "'" + text + "'"; }

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "bench_build_package: %s\n", what.c_str());
  std::exit(1);
}

size_t Argument(int argc, char** argv, int index, size_t fallback) {
  return argc > index ? static_cast<size_t>(std::strtoull(argv[index], nullptr, 10)) : fallback;
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

// zlib alone on every file of the capture's files, in 32 KB blocks as MSZIP compresses them.
double ZlibAlone(const std::vector<fs::path>& files, uint64_t* inputBytes, uint64_t* outputBytes) {
  const Clock::time_point start = Clock::now();
  std::string block;
  std::vector<unsigned char> out(compressBound(32768));
  auto flush = [&]() {
    uLongf length = uLongf(out.size());
    compress2(out.data(), &length, reinterpret_cast<const Bytef*>(block.data()), uLong(block.size()),
              Z_DEFAULT_COMPRESSION);
    *outputBytes += length;
    block.clear();
  };
  for (const fs::path& file : files) {
    std::ifstream in(file, std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    *inputBytes += content.size();
    for (size_t at = 0; at < content.size();) {
      const size_t take = std::min(content.size() - at, 32768 - block.size());
      block.append(content, at, take);
      at += take;
      if (block.size() == 32768) flush();
    }
  }
  if (!block.empty()) flush();
  return Seconds(start);
}

}  // namespace

int main(int argc, char** argv) {
  bench::CaptureShape shape;
  shape.files = Argument(argc, argv, 1, 20000);
  shape.folders = Argument(argc, argv, 2, 500);
  shape.registryValues = Argument(argc, argv, 3, 200000);
  shape.mixedContent = true;

  const fs::path work = fs::temp_directory_path() / "fernclip-bench-build";
  fs::remove_all(work);
  const fs::path folder = work / "capture";
  const std::string script = bench::GenerateCapture(folder.string(), shape);
  std::vector<fs::path> capturedFiles;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file() && entry.path().parent_path() != folder) capturedFiles.push_back(entry.path());

  // The conversion as a user runs it, without the build.
  const std::string command = "FERNCLIP_REGISTRY=" + Quote((work / "registry.reg").string()) + " " +
                              Quote(std::string(FERNCLIP_BUILD_DIR) + "/fernclip") + " " + Quote(script) +
                              " /vpxonly /fakeguids > " + Quote((work / "output.txt").string()) + " 2>&1";
  Clock::time_point start = Clock::now();
  const int status = std::system(command.c_str());
  const double conversion = Seconds(start);
  const fs::path vpx = folder / "app.vpx";
  if (status != 0 || !fs::exists(vpx)) Fail("the conversion failed; see " + (work / "output.txt").string());

  qv::ComPtr<qv::IProject> project;
  if (qv::Failed(project::CreateEngineObject(project::kEntityLibrary, qv::CLSID_Project, qv::IID_IProject, &project)) ||
      qv::Failed(project->Open(vpx.string())))
    Fail("cannot open the converted project (is the engine built?)");
  PrepareRelease(project.Get());
  start = Clock::now();
  if (qv::Failed(project->SaveAs(vpx.string()))) Fail("cannot save the project");
  const double save = Seconds(start);

  qv::ComPtr<qv::IBuilder> builder;
  if (qv::Failed(project::CreateEngineObject(project::kBuilderLibrary, qv::CLSID_Builder, qv::IID_IBuilder, &builder)))
    Fail("cannot create the builder");
  builder->SetProject(project.Get(), "Product1", "Release1");
  start = Clock::now();
  const qv::HResult built = builder->Build();
  const double build = Seconds(start);
  int32_t errors = 0, warnings = 0;
  builder->GetErrorCount(&errors);
  builder->GetWarningCount(&warnings);
  project->Close();

  uint64_t inputBytes = 0, zlibBytes = 0;
  const double zlibOnly = ZlibAlone(capturedFiles, &inputBytes, &zlibBytes);

  const fs::path package = folder / "Generated.msi";
  const uint64_t packageBytes = fs::exists(package) ? fs::file_size(package) : 0;
  std::printf("capture: %zu files (%.1f MB) in %zu folders, %zu registry values\n", capturedFiles.size(),
              double(inputBytes) / 1e6, shape.folders, shape.registryValues);
  std::printf("conversion (fernclip /vpxonly, with its save): %8.2f s\n", conversion);
  std::printf("save (.vpx, through the engine):               %8.2f s  (%.1f MB)\n", save,
              double(fs::file_size(vpx)) / 1e6);
  std::printf("build (.msi, SABuild.dll):                     %8.2f s  %s, %d errors, %d warnings, package %.1f MB\n",
              build, qv::Succeeded(built) ? "ok" : "FAILED", errors, warnings, double(packageBytes) / 1e6);
  std::printf("zlib alone on the same file bytes:             %8.2f s  (%.1f MB)\n", zlibOnly, double(zlibBytes) / 1e6);
  fs::remove_all(work);
  return qv::Succeeded(built) && errors == 0 ? 0 : 1;
}
