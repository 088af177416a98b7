// One new row of any table of the open project.
#include "project/msi_record.h"

#include <new>

#include "core/messages.h"
#include "platform/codepage.h"
#include "project/check_hr.h"
#include "project/vpx_writer.h"

namespace project {

namespace {

// Text for the engine; the error value when there is no memory for the conversion.
qv::Variant TextValue(const std::string& ansiText) {
  try {
    return qv::Variant::Text(platform::AnsiToUtf8(ansiText));
  } catch (const std::bad_alloc&) {
    return qv::Variant::Err(qv::kOutOfMemory);
  }
}

}  // namespace

MSIRecord::MSIRecord(VpxWriter& project, const std::string& tableName)
    : project_(project), tableName_(tableName) {
  qv::ComPtr<qv::ITable> table = project_.FindTable(tableName_);
  if (!table) return;
  if (qv::Failed(CHECK_HR(table->AddRow(row_.Put())))) return;
  if (qv::Failed(CHECK_HR(row_->GetFields(fields_.Put())))) return;
  pending_ = true;
}

MSIRecord::~MSIRecord() {
  if (pending_) Commit();
  fields_.Reset();
  row_.Reset();
}

bool MSIRecord::Commit() {
  if (!pending_) return false;
  pending_ = false;
  if (qv::Succeeded(row_->Commit(0))) return true;
  core::LogTrace(core::kTraceGeneral, "Failure writing to MSI table '%s'", tableName_.c_str());
  return false;
}

namespace {

void SetValue(qv::IFieldCollection* fields, int column, const qv::Variant& value, bool& pending) {
  if (!fields) return;
  if (value.kind == qv::Variant::Kind::Error) {
    CHECK_HR(value.error);
    pending = false;  // a row with a lost column would be wrong: it is not written
    return;
  }
  qv::ComPtr<qv::IField> field;
  if (qv::Failed(CHECK_HR(fields->Item(column, field.Put())))) {
    pending = false;
    return;
  }
  if (qv::Failed(CHECK_HR(field->SetValue(value)))) pending = false;
}

}  // namespace

void MSIRecord::SetField(int column, const std::string& ansiText) {
  SetValue(fields_.Get(), column, TextValue(ansiText), pending_);
}

void MSIRecord::SetFieldUtf8(int column, const std::string& utf8Text) {
  SetValue(fields_.Get(), column, qv::Variant::Text(utf8Text), pending_);
}

void MSIRecord::SetField(int column, int32_t value) {
  SetValue(fields_.Get(), column, qv::Variant::Int(value), pending_);
}

}  // namespace project
