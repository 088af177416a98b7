// Building a large package: a project of 20,000 files (2,000 components) and 200,000 registry
// values made directly through the engine, saved, and built into a compressed package with
// SABuild.dll. Prints the time of each stage and, for comparison, the time that compressing the
// same file bytes with zlib alone takes (the floor of the cabinet step).
//
//   bench/bench_build_package [files] [registry values]
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/dynamic_library.h"
#include "qv/builder.h"
#include "qv/entity.h"
#include "qv/project_tables.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using V = qv::Variant;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

qv::HResult CreateEngineObject(const char* library, const qv::Guid& clsid, const qv::Guid& iid, void** out) {
  auto handle = platform::LoadLibrary(std::string(FERNCLIP_BUILD_DIR) + "/" + library);
  auto get = handle ? reinterpret_cast<qv::DllGetClassObjectFn>(platform::GetProcAddress(handle, "DllGetClassObject"))
                    : nullptr;
  qv::ComPtr<qv::IClassFactory> factory;
  if (!get || qv::Failed(get(clsid, qv::IID_IClassFactory, factory.PutVoid()))) return qv::kClassNotRegistered;
  return factory->CreateInstance(nullptr, iid, out);
}

class Rows {
 public:
  explicit Rows(qv::IDatabase* db) {
    db->GetTables(tables_.Put());
  }
  void Add(const std::string& tableName, const std::vector<V>& values) {
    qv::ComPtr<qv::ITable> table;
    if (tables_->Find("Name ='" + tableName + "'", table.Put()) != qv::kOk) Fail("no table " + tableName);
    qv::ComPtr<qv::IRow> row;
    qv::ComPtr<qv::IFieldCollection> fields;
    table->AddRow(row.Put());
    row->GetFields(fields.Put());
    for (size_t i = 0; i < values.size(); ++i) {
      if (values[i].kind == V::Kind::Empty) continue;
      qv::ComPtr<qv::IField> field;
      fields->Item(int32_t(i + 1), field.Put());
      if (qv::Failed(field->SetValue(values[i]))) Fail("bad value in " + tableName);
    }
    if (qv::Failed(row->Commit(0))) Fail("cannot add a row to " + tableName);
  }
  [[noreturn]] static void Fail(const std::string& what) {
    std::fprintf(stderr, "bench_build_package: %s\n", what.c_str());
    std::exit(1);
  }

 private:
  qv::ComPtr<qv::ITableCollection> tables_;
};

// File contents that compress like real program data: words from a small vocabulary mixed
// with random bytes.
std::string MakeContent(std::mt19937& random, size_t size) {
  static const char* words[] = {"install", "component", "registry", "value", "folder", "program", "data",
                                "\x00\x01\x02\x03", "config", "version", "resource", "string"};
  std::string text;
  while (text.size() < size) {
    if (random() % 4 == 0) {
      for (int i = 0; i < 16; ++i) text.push_back(char(random()));
    } else {
      text += words[random() % 12];
      text.push_back(' ');
    }
  }
  text.resize(size);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  const int fileCount = argc > 1 ? std::atoi(argv[1]) : 20000;
  const int registryCount = argc > 2 ? std::atoi(argv[2]) : 200000;
  const int filesPerComponent = 10;
  const fs::path work = fs::temp_directory_path() / ("fernclip-bench-" + std::to_string(::getpid()));
  fs::create_directories(work / "cap");

  // The capture's files.
  std::mt19937 random(1);
  std::vector<std::string> names;
  uint64_t totalBytes = 0;
  for (int i = 0; i < fileCount; ++i) {
    const std::string name = "f" + std::to_string(i) + ".dat";
    const size_t size = 512 + random() % 15000;
    const std::string content = MakeContent(random, size);
    std::ofstream(work / "cap" / name, std::ios::binary).write(content.data(), std::streamsize(content.size()));
    names.push_back(name);
    totalBytes += size;
  }

  const std::string vpx = (work / "Bench.vpx").string();
  fs::copy_file(std::string(FERNCLIP_BUILD_DIR) + "/QvProjBlankTpl.vpx", vpx);
  qv::ComPtr<qv::IProject> project;
  if (qv::Failed(CreateEngineObject("QvEntity.DLL", qv::CLSID_Project, qv::IID_IProject, project.PutVoid())) ||
      qv::Failed(project->Open(vpx)))
    Rows::Fail("cannot open the project (is the engine built?)");
  qv::ComPtr<qv::IDatabase> db;
  qv::ComPtr<qv::IProduct> product;
  project->QueryInterface(qv::IID_IDatabase, db.PutVoid());
  project->QueryInterface(qv::IID_IProduct, product.PutVoid());

  auto start = Clock::now();
  Rows rows(db.Get());
  product->SetProperty("SOURCEFILEPATH", (work / "cap").string());
  rows.Add("Feature", {V::Text("Main"), V::Null(), V::Text("Main"), V::Text("Main"), V::Int(2), V::Int(1),
                       V::Text("INSTALLDIR"), V::Int(0)});
  char guid[64];
  const int components = (fileCount + filesPerComponent - 1) / filesPerComponent;
  for (int c = 0; c < components + 20; ++c) {
    std::snprintf(guid, sizeof guid, "{CCCCCCCC-0000-0000-0000-%012d}", c + 1);
    const std::string key = "Comp" + std::to_string(c);
    rows.Add("Component", {V::Text(key), V::Text(guid), V::Text("INSTALLDIR"), V::Int(0)});
    rows.Add("FeatureComponents", {V::Text("Main"), V::Text(key)});
  }
  for (int i = 0; i < fileCount; ++i) {
    rows.Add("File", {V::Text(names[i]), V::Text("Comp" + std::to_string(i / filesPerComponent)), V::Text(names[i]),
                      V::Int(0), V::Null(), V::Null(), V::Int(0), V::Int(1)});
    rows.Add(qv::kFileSourceTable, {V::Text(names[i]), V::Text(std::string(qv::kSourceFilePathPrefix) + names[i])});
  }
  for (int r = 0; r < registryCount; ++r) {
    const int component = components + r % 20;
    rows.Add("Registry", {V::Text("Reg" + std::to_string(r)), V::Int(2),
                          V::Text("Software\\Bench\\Key" + std::to_string(r / 10)), V::Text("Value" + std::to_string(r)),
                          V::Text("data " + std::to_string(r)), V::Text("Comp" + std::to_string(component))});
  }
  const double conversion = Seconds(start);

  qv::ComPtr<qv::IProductConfigCollection> configs;
  qv::ComPtr<qv::IProductConfig> config;
  qv::ComPtr<qv::IReleaseCollection> releases;
  qv::ComPtr<qv::IRelease> release;
  product->GetConfigurations(configs.Put());
  configs->Add("Product1", config.Put());
  config->GetReleases(releases.Put());
  releases->Add("Release1", release.Put());
  release->SetSetting("Compressed", V::Int(1));
  release->SetSetting("PackageName", V::Text("Bench"));
  release->SetSetting("PackageCode", V::Text("{AAAAAAAA-0000-0000-0000-000000000001}"));
  release->SetSetting("FixedTimestamps", V::Int(1));

  start = Clock::now();
  if (qv::Failed(project->SaveAs(vpx))) Rows::Fail("cannot save the project");
  const double save = Seconds(start);

  qv::ComPtr<qv::IBuilder> builder;
  if (qv::Failed(CreateEngineObject("SABuild.dll", qv::CLSID_Builder, qv::IID_IBuilder, builder.PutVoid())))
    Rows::Fail("cannot create the builder");
  builder->SetProject(project.Get(), "Product1", "Release1");
  start = Clock::now();
  const qv::HResult built = builder->Build();
  const double build = Seconds(start);
  int32_t errors = 0;
  builder->GetErrorCount(&errors);

  // zlib alone on the same bytes, in the 32 KB blocks that MSZIP compresses.
  start = Clock::now();
  std::string block;
  uint64_t compressed = 0;
  std::vector<unsigned char> out(compressBound(32768));
  auto flush = [&]() {
    uLongf length = uLongf(out.size());
    compress2(out.data(), &length, reinterpret_cast<const Bytef*>(block.data()), uLong(block.size()),
              Z_DEFAULT_COMPRESSION);
    compressed += length;
    block.clear();
  };
  for (const std::string& name : names) {
    std::ifstream in(work / "cap" / name, std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (size_t at = 0; at < content.size();) {
      const size_t take = std::min(content.size() - at, 32768 - block.size());
      block.append(content, at, take);
      at += take;
      if (block.size() == 32768) flush();
    }
  }
  if (!block.empty()) flush();
  const double zlibOnly = Seconds(start);

  const uint64_t packageBytes = fs::exists(work / "Bench.msi") ? fs::file_size(work / "Bench.msi") : 0;
  std::printf("files %d (%.1f MB), registry values %d\n", fileCount, double(totalBytes) / 1e6, registryCount);
  std::printf("conversion (rows through the engine): %8.2f s\n", conversion);
  std::printf("save (.vpx):                          %8.2f s\n", save);
  std::printf("build (.msi):                         %8.2f s  %s, %d errors, package %.1f MB\n", build,
              qv::Succeeded(built) ? "ok" : "FAILED", errors, double(packageBytes) / 1e6);
  std::printf("zlib alone on the same bytes:         %8.2f s  (%.1f MB)\n", zlibOnly, double(compressed) / 1e6);
  project->Close();
  std::error_code ignored;
  fs::remove_all(work, ignored);
  return qv::Succeeded(built) && errors == 0 ? 0 : 1;
}
