#include "engine_support.h"

#include <dlfcn.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace engine_test {

namespace {
// The tests never touch the user's registry file.
const bool kRegistryIsolated = [] {
  std::string path = std::filesystem::temp_directory_path().string() + "/fernclip-engine-tests-registry.reg";
  setenv("FERNCLIP_REGISTRY", path.c_str(), 1);
  return true;
}();
}  // namespace

std::string BuildDir() { return FERNCLIP_BUILD_DIR; }
std::string BlankTemplate() { return BuildDir() + "/QvProjBlankTpl.vpx"; }

qv::HResult CreateEngineObject(const std::string& library, const qv::Guid& clsid, const qv::Guid& iid, void** out) {
  static std::map<std::string, void*> loaded;
  void*& handle = loaded[library];
  if (!handle) handle = dlopen((BuildDir() + "/" + library).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) return qv::kClassNotRegistered;
  auto getClassObject = reinterpret_cast<qv::DllGetClassObjectFn>(dlsym(handle, qv::kDllGetClassObjectName));
  if (!getClassObject) return qv::kClassNotRegistered;
  qv::ComPtr<qv::IClassFactory> factory;
  qv::HResult hr = getClassObject(clsid, qv::IID_IClassFactory, factory.PutVoid());
  if (qv::Failed(hr)) return hr;
  return factory->CreateInstance(nullptr, iid, out);
}

ScratchDir::ScratchDir() {
  std::string pattern = std::filesystem::temp_directory_path().string() + "/engine-test-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  path_ = mkdtemp(buffer.data());
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void CopyFile(const std::string& from, const std::string& to) {
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream data;
  data << in.rdbuf();
  return data.str();
}

void WriteFile(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary);
  out << data;
}

std::string RunCommand(const std::string& command, int* status) {
  std::string output;
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (!pipe) {
    if (status) *status = -1;
    return output;
  }
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  int rc = pclose(pipe);
  if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return output;
}

std::vector<std::string> DumpTable(const std::string& database, const std::string& table) {
  std::istringstream in(RunCommand("msiinfo export '" + database + "' '" + table + "'"));
  std::vector<std::string> rows;
  std::string line;
  for (int n = 0; std::getline(in, line); ++n) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (n >= 3) rows.push_back(line);
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

qv::ComPtr<qv::IProject> OpenTemplateCopy(const ScratchDir& dir, std::string* path) {
  std::string copy = dir.File("project.vpx");
  CopyFile(BlankTemplate(), copy);
  auto project = Create<qv::IProject>("QvEntity.DLL", qv::CLSID_Project, qv::IID_IProject);
  if (project) {
    EXPECT_EQ(project->Open(copy), qv::kOk);
  }
  if (path) *path = copy;
  return project;
}

qv::ComPtr<qv::ITable> FindTable(qv::IProject* project, const std::string& name) {
  qv::ComPtr<qv::IDatabase> database;
  qv::ComPtr<qv::ITable> table;
  if (qv::Failed(project->QueryInterface(qv::IID_IDatabase, database.PutVoid()))) return table;
  qv::ComPtr<qv::ITableCollection> tables;
  if (qv::Failed(database->GetTables(tables.Put()))) return table;
  tables->Find("Name ='" + name + "'", table.Put());
  return table;
}

qv::ComPtr<qv::IProduct> ProductOf(qv::IProject* project) {
  qv::ComPtr<qv::IProduct> product;
  EXPECT_EQ(project->QueryInterface(qv::IID_IProduct, product.PutVoid()), qv::kOk);
  return product;
}

qv::HResult AddRow(qv::ITable* table, const std::vector<qv::Variant>& values) {
  qv::ComPtr<qv::IRow> row;
  qv::HResult hr = table->AddRow(row.Put());
  if (qv::Failed(hr)) return hr;
  qv::ComPtr<qv::IFieldCollection> fields;
  hr = row->GetFields(fields.Put());
  if (qv::Failed(hr)) return hr;
  for (size_t i = 0; i < values.size(); ++i) {
    qv::ComPtr<qv::IField> field;
    hr = fields->Item(static_cast<int32_t>(i + 1), field.Put());
    if (qv::Failed(hr)) return hr;
    hr = field->SetValue(values[i]);
    if (qv::Failed(hr)) return hr;
  }
  return row->Commit(0);
}

std::vector<qv::Variant> RowValues(qv::ITable* table, const std::vector<qv::Variant>& key) {
  std::vector<qv::Variant> values;
  qv::ComPtr<qv::IRow> row;
  if (table->FindRow(key, row.Put()) != qv::kOk) return values;
  qv::ComPtr<qv::IFieldCollection> fields;
  row->GetFields(fields.Put());
  int32_t count = 0;
  fields->GetCount(&count);
  for (int32_t c = 1; c <= count; ++c) {
    qv::ComPtr<qv::IField> field;
    fields->Item(c, field.Put());
    qv::Variant value;
    field->GetValue(&value);
    values.push_back(value);
  }
  return values;
}

}  // namespace engine_test
