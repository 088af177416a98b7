// Helpers of the engine tests: loading the engine libraries from the build folder as the
// program does (dlopen, DllGetClassObject, class factory), temporary folders, running the
// msitools programs, and writing a row through the table interfaces.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "column.h"
#include "qv/com.h"
#include "qv/entity.h"

namespace engine_test {

// Creates the class of the library (a file name in the build folder) and asks for iid.
qv::HResult CreateEngineObject(const std::string& library, const qv::Guid& clsid, const qv::Guid& iid, void** out);

template <class T>
qv::ComPtr<T> Create(const std::string& library, const qv::Guid& clsid, const qv::Guid& iid) {
  qv::ComPtr<T> object;
  EXPECT_EQ(CreateEngineObject(library, clsid, iid, object.PutVoid()), qv::kOk) << library;
  return object;
}

std::string BuildDir();
std::string BlankTemplate();

// A fresh folder, removed with its contents at the end of the test.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void CopyFile(const std::string& from, const std::string& to);
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& data);
// Runs a shell command; returns its standard output and sets *status to its exit status.
std::string RunCommand(const std::string& command, int* status = nullptr);
// The rows of one table as msitools export it (header lines removed, text in UTF-8), sorted.
std::vector<std::string> DumpTable(const std::string& database, const std::string& table);

// Opens a copy of the blank template in dir as project.vpx.
qv::ComPtr<qv::IProject> OpenTemplateCopy(const ScratchDir& dir, std::string* path = nullptr);
qv::ComPtr<qv::ITable> FindTable(qv::IProject* project, const std::string& name);
qv::ComPtr<qv::IProduct> ProductOf(qv::IProject* project);
// Adds and commits a row with the given values (column 1 first); returns Commit's result.
qv::HResult AddRow(qv::ITable* table, const std::vector<qv::Variant>& values);
// The values of a row found by its key.
std::vector<qv::Variant> RowValues(qv::ITable* table, const std::vector<qv::Variant>& key);

// A column of the in-memory database from its IDT type ("s72", "I2", ...).
inline qv::engine::ColumnDef Col(const char* name, const char* type, bool key = false) {
  qv::engine::ColumnDef c;
  c.name = name;
  EXPECT_TRUE(qv::engine::ParseIdtType(type, &c)) << type;
  c.primaryKey = key;
  return c;
}

inline qv::Variant T(const std::string& text) { return qv::Variant::Text(text); }
inline qv::Variant I(int32_t number) { return qv::Variant::Int(number); }

}  // namespace engine_test
