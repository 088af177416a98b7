#include "project/limited_ui.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "project/check_hr.h"
#include "project/vpx_writer.h"

namespace project {

namespace {

// ControlEvent columns.
constexpr int kEventColumn = 3;
constexpr int kArgumentColumn = 4;
constexpr int kOrderingColumn = 6;

struct ControlEvent {
  qv::ComPtr<qv::IRow> row;
  qv::ComPtr<qv::IFieldCollection> fields;
  std::string event;
  int32_t ordering = 0;
};

qv::Variant ReadField(qv::IFieldCollection* fields, int column) {
  qv::ComPtr<qv::IField> field;
  qv::Variant value;
  if (qv::Succeeded(CHECK_HR(fields->Item(column, field.Put()))))
    CHECK_HR(field->GetValue(&value));
  return value;
}

bool WriteField(qv::IFieldCollection* fields, int column, const char* text) {
  qv::ComPtr<qv::IField> field;
  return qv::Succeeded(CHECK_HR(fields->Item(column, field.Put()))) &&
         qv::Succeeded(CHECK_HR(field->SetValue(qv::Variant::Text(text))));
}

}  // namespace

void ApplyLimitedUI(VpxWriter& writer) {
  qv::ComPtr<qv::ITable> table = writer.FindTable("ControlEvent");
  qv::ComPtr<qv::IView> view;
  if (!table ||
      qv::Failed(CHECK_HR(table->OpenView(
          "SELECT * FROM ControlEvent WHERE `Dialog_` = 'InstallWelcome' AND `Control_` = 'Next'",
          view.Put()))))
    return;

  std::vector<ControlEvent> events;
  for (;;) {
    ControlEvent event;
    if (CHECK_HR(view->Next(event.row.Put())) != qv::kOk || !event.row) break;
    if (qv::Failed(CHECK_HR(event.row->GetFields(event.fields.Put())))) continue;
    qv::Variant name = ReadField(event.fields.Get(), kEventColumn);
    qv::Variant ordering = ReadField(event.fields.Get(), kOrderingColumn);
    event.event = name.kind == qv::Variant::Kind::Text ? name.text : std::string();
    // Events without an ordering run after the ordered ones.
    event.ordering = ordering.kind == qv::Variant::Kind::Integer ? ordering.integer
                                                                 : std::numeric_limits<int32_t>::max();
    events.push_back(std::move(event));
  }
  std::stable_sort(events.begin(), events.end(),
                   [](const ControlEvent& a, const ControlEvent& b) { return a.ordering < b.ordering; });

  for (ControlEvent& event : events) {
    if (event.event != "NewDialog") continue;
    if (WriteField(event.fields.Get(), kEventColumn, "EndDialog") &&
        WriteField(event.fields.Get(), kArgumentColumn, "Return"))
      CHECK_HR(event.row->Commit(0));
    return;
  }
}

}  // namespace project
