// Custom actions and their places in the sequence tables.
#include "project/custom_actions.h"

#include <map>

#include "core/messages.h"
#include "platform/codepage.h"
#include "platform/text.h"
#include "project/check_hr.h"
#include "project/msi_record.h"
#include "project/sequence_list.h"
#include "project/vpx_writer.h"

namespace project {

namespace {

// The in-memory rows of the sequence tables, by table name; each is filled from the project at
// the first insertion into that table.
std::map<std::string, SequenceList, platform::LessNoCase>& SequenceLists() {
  static std::map<std::string, SequenceList, platform::LessNoCase> lists;
  return lists;
}

std::string ReadText(qv::IFieldCollection* fields, int column) {
  qv::ComPtr<qv::IField> field;
  qv::Variant value;
  if (qv::Failed(CHECK_HR(fields->Item(column, field.Put()))) ||
      qv::Failed(CHECK_HR(field->GetValue(&value))) || value.kind != qv::Variant::Kind::Text)
    return {};
  return platform::Utf8ToAnsi(value.text);
}

bool ReadInteger(qv::IFieldCollection* fields, int column, int* number) {
  qv::ComPtr<qv::IField> field;
  qv::Variant value;
  if (qv::Failed(CHECK_HR(fields->Item(column, field.Put()))) ||
      qv::Failed(CHECK_HR(field->GetValue(&value))) || value.kind != qv::Variant::Kind::Integer)
    return false;
  *number = value.integer;
  return true;
}

void FillFromProject(VpxWriter& writer, const std::string& table, SequenceList& list) {
  qv::ComPtr<qv::ITable> sequenceTable = writer.FindTable(table);
  qv::ComPtr<qv::IView> view;
  if (!sequenceTable ||
      qv::Failed(CHECK_HR(sequenceTable->OpenView("SELECT * FROM " + table, view.Put()))))
    return;
  for (;;) {
    qv::ComPtr<qv::IRow> row;
    if (CHECK_HR(view->Next(row.Put())) != qv::kOk || !row) break;
    qv::ComPtr<qv::IFieldCollection> fields;
    if (qv::Failed(CHECK_HR(row->GetFields(fields.Put())))) continue;
    int number = 0;
    std::string action = ReadText(fields.Get(), 1);
    // A row without a number (a disabled action) holds no place in the sequence.
    if (ReadInteger(fields.Get(), 3, &number)) list.Add(action, number);
  }
}

bool CustomActionExists(VpxWriter& writer, const std::string& name) {
  qv::ComPtr<qv::ITable> table = writer.FindTable("CustomAction");
  qv::ComPtr<qv::IRow> row;
  return table &&
         CHECK_HR(table->FindRow({qv::Variant::Text(platform::AnsiToUtf8(name))}, row.Put())) == qv::kOk;
}

// The in-memory rows of a sequence table, filled from the project at first use.
SequenceList& ListOf(project::VpxWriter& writer, const std::string& table) {
  auto [entry, firstUse] = SequenceLists().try_emplace(table);
  if (firstUse) FillFromProject(writer, table, entry->second);
  return entry->second;
}

}  // namespace

bool SequenceNumberOf(const std::string& table, const std::string& action, int* number) {
  project::VpxWriter* writer = project::CurrentProjectWriter();
  return writer && ListOf(*writer, table).Find(action, number);
}

void InsertIntoSequence(const std::string& table, const std::string& action,
                        const std::string& anchor, const std::string& condition) {
  VpxWriter* writer = CurrentProjectWriter();
  if (!writer) return;

  SequenceList& list = ListOf(*writer, table);
  if (list.Contains(action)) return;

  int number = list.NumberAfter(anchor);
  if (number == 0) {
    core::LogMessage(core::kWarning,
                     platform::Format("Can't insert custom action '%s' into %s table",
                                          platform::Excerpt(action).c_str(), table.c_str()));
    return;
  }
  {
    MSIRecord record(*writer, table);
    record.SetField(1, action);
    if (!condition.empty()) record.SetField(2, condition);
    record.SetField(3, number);
  }
  list.Add(action, number);
}

namespace {

void WriteCustomActionRow(VpxWriter& writer, const std::string& name, int32_t type,
                          const std::string& source, const std::string& target) {
  if (CustomActionExists(writer, name)) return;
  MSIRecord record(writer, "CustomAction");
  record.SetField(1, name);
  record.SetField(2, type);
  record.SetField(3, source);
  record.SetField(4, target);
}

}  // namespace

void AddCustomAction(const std::string& name, const std::string& anchor, int32_t type,
                     const std::string& source, const std::string& target,
                     const std::string& condition) {
  VpxWriter* writer = CurrentProjectWriter();
  if (!writer) return;
  WriteCustomActionRow(*writer, name, type, source, target);
  for (const char* table : {"InstallExecuteSequence", "InstallUISequence", "AdvtExecuteSequence"})
    InsertIntoSequence(table, name, anchor, condition);
}

void AddScriptCustomAction(const std::string& name, const std::string& anchor, bool inUiSequence,
                           int32_t type, const std::string& source, const std::string& target,
                           const std::string& condition) {
  VpxWriter* writer = CurrentProjectWriter();
  if (!writer) return;
  WriteCustomActionRow(*writer, name, type, source, target);
  InsertIntoSequence("InstallExecuteSequence", name, anchor, condition);
  if (inUiSequence) InsertIntoSequence("InstallUISequence", name, anchor, condition);
}

void ResetSequenceLists() { SequenceLists().clear(); }

}  // namespace project
