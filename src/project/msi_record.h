// One new row of any table of the open project, addressed by table name. Columns are set by
// 1-based number in ascending order; the row is committed when the record is destroyed. A
// failed commit writes "Failure writing to MSI table '%s'" to the log and the row is lost.
#pragma once

#include <cstdint>
#include <string>

#include "qv/com.h"
#include "qv/entity.h"

namespace project {

class VpxWriter;

class MSIRecord {
 public:
  MSIRecord(VpxWriter& project, const std::string& tableName);
  ~MSIRecord();
  MSIRecord(const MSIRecord&) = delete;
  MSIRecord& operator=(const MSIRecord&) = delete;

  void SetField(int column, const std::string& ansiText);   // ANSI text
  void SetFieldUtf8(int column, const std::string& utf8Text);  // the "wide text" form
  void SetField(int column, int32_t value);
  void SetField(int column, const char* ansiText) { SetField(column, std::string(ansiText)); }
  // Commits the row now (instead of at destruction); false when it was not written.
  bool Commit();

 private:
  qv::ComPtr<qv::IRow> row_;
  qv::ComPtr<qv::IFieldCollection> fields_;
  bool pending_ = false;
  VpxWriter& project_;
  std::string tableName_;
};

}  // namespace project
