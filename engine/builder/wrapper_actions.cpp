#include "wrapper_actions.h"

#include <map>

#include "binary_actions.h"
#include "call_text.h"
#include "platform/host_paths.h"
#include "qv/project_tables.h"
#include "source_files.h"

namespace builder {
namespace {

using qv::engine::Cell;
using qv::engine::CellText;
using qv::engine::Database;
using qv::engine::Row;
using qv::engine::RowId;
using qv::engine::Table;
using qv::engine::TextCell;

// A DLL of the Binary table whose failure does not stop the install.
constexpr int32_t kDllFromBinaryIgnoringFailure = 1 + 64;
constexpr int32_t kSetProperty = 51;
constexpr uint16_t kMachineI386 = 0x14c;
constexpr uint16_t kMachineX64 = 0x8664;
constexpr const char* kCallProperty = "QvDllWrapperCall";
// The property that holds the call of one action: its value is not formatted, so the wrapper
// sees the property references of the arguments and of the result as they are written.
constexpr const char* kCallTextPrefix = "QvDllCall_";
constexpr const char* kEntryPoint = "CallDllFunction";
const char* const kSequenceTables[] = {"InstallExecuteSequence", "InstallUISequence", "AdvtExecuteSequence",
                                       "AdminExecuteSequence", "AdminUISequence"};

int32_t IntegerOf(const Cell& cell) {
  if (const std::optional<int32_t> number = cell.Number()) return *number;
  return 0;
}

std::string Where(const std::string& action) { return "Table 'CustomAction', row '" + action + "'"; }

void EraseByKey(Table* table, const std::string& key) {
  RowId id = 0;
  if (table && table->Find({TextCell(key)}, &id)) table->Erase(id);
}

void LeaveOut(Database& db, const std::string& action) {
  EraseByKey(db.FindTable("CustomAction"), action);
  for (const char* sequence : kSequenceTables) EraseByKey(db.FindTable(sequence), action);
}

// Places actions just before others in every sequence table that holds the other action, with
// its condition: at the free number before it, else at its number with the action and the run of
// rows that follows it moved up by one. Each table's numbers are read once.
class SequencePlaces {
 public:
  explicit SequencePlaces(Database& db) : db_(db) {}

  void PlaceBefore(const std::string& action, const std::string& setter) {
    for (const char* name : kSequenceTables) {
      Table* table = db_.FindTable(name);
      RowId actionRow = 0;
      if (!table || table->Columns().size() < 3 || !table->Find({TextCell(action)}, &actionRow)) continue;
      std::map<int32_t, RowId>& byNumber = NumbersOf(*table);
      const Row row = *table->Get(actionRow);
      const int32_t number = IntegerOf(row[2]);
      int32_t setterNumber = number - 1;
      if (setterNumber <= 0 || byNumber.count(setterNumber)) {
        setterNumber = number;
        int32_t end = number;
        while (byNumber.count(end)) ++end;
        for (int32_t n = end - 1; n >= number; --n) {
          table->SetCell(byNumber[n], 2, Cell{n + 1});
          byNumber[n + 1] = byNumber[n];
        }
        byNumber.erase(number);
      }
      Row setterRow(table->Columns().size());
      setterRow[0] = TextCell(setter);
      setterRow[1] = row[1];
      setterRow[2] = Cell{setterNumber};
      RowId setterId = 0;
      if (qv::Succeeded(table->Insert(std::move(setterRow), &setterId))) byNumber[setterNumber] = setterId;
    }
  }

 private:
  std::map<int32_t, RowId>& NumbersOf(const Table& table) {
    auto [entry, firstUse] = numbers_.try_emplace(table.Name());
    if (firstUse)
      for (const auto& [key, id] : table.KeyOrder()) entry->second[IntegerOf((*table.Get(id))[2])] = id;
    return entry->second;
  }

  Database& db_;
  std::map<std::string, std::map<int32_t, RowId>> numbers_;  // by table: sequence number -> row
};

}  // namespace

uint16_t PeMachineOf(const std::string& bytes) {
  auto read16 = [&](size_t at) { return uint16_t(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8); };
  if (bytes.size() < 0x40 || bytes[0] != 'M' || bytes[1] != 'Z') return 0;
  const size_t header = size_t(read16(0x3c)) | size_t(read16(0x3e)) << 16;
  if (header > bytes.size() || bytes.size() - header < 6 || bytes.compare(header, 4, std::string("PE\0\0", 4)) != 0)
    return 0;
  return read16(header + 4);
}

void CompileWrapperActions(Database& db, const WrapperSettings& settings, BuildMessages& messages) {
  Table* actions = db.FindTable("CustomAction");
  if (!actions || actions->Columns().size() < 4) return;
  std::vector<RowId> calls;
  for (const auto& [key, id] : actions->KeyOrder()) {
    const int32_t type = IntegerOf((*actions->Get(id))[1]);
    if (type == qv::kDllWrapperCallAction || type == qv::kDllWrapperCallInDirectoryAction) calls.push_back(id);
  }
  if (calls.empty()) return;
  Table* binary = db.FindTable("Binary");
  Table* properties = db.FindTable("Property");
  if (!binary || binary->Columns().size() < 2 || !properties || properties->Columns().size() < 2) {
    messages.Error("The project has custom actions that call DLL functions, but no Binary or Property table.");
    return;
  }
  std::string wrapperName = qv::kDefaultDllWrapperName;
  if (const Table* recorded = db.FindTable(qv::kDllWrapperTable); recorded && !recorded->KeyOrder().empty())
    wrapperName = CellText(recorded->KeyOrder().begin()->first[0]);

  std::map<uint16_t, std::string> wrapperKeys;  // by machine type
  auto wrapperKey = [&](uint16_t machine) -> std::string {
    if (auto known = wrapperKeys.find(machine); known != wrapperKeys.end()) return known->second;
    const bool x64 = machine == kMachineX64;
    const std::string path = settings.engineFolder + (x64 ? "/QvDLLWrapper-x64.dll" : "/QvDLLWrapper-x86.dll");
    std::string data;
    std::string key;
    if (!platform::ReadFile(path, &data) || data.empty())
      messages.Error("The DLL wrapper " + path + " cannot be read.");
    else if ((key = AddBinaryRow(*binary, BinaryKeyBase(x64 ? wrapperName + "64" : wrapperName), std::move(data))).empty())
      messages.Error("Cannot add the DLL wrapper to the Binary table.");
    return wrapperKeys[machine] = key;
  };

  std::map<std::string, std::pair<std::string, uint16_t>> capturedDlls;  // host path -> Binary key, machine
  SequencePlaces places(db);
  std::vector<std::string> leftOut;  // erased at the end, so that the sequence numbers read stay true
  for (RowId id : calls) {
    const Row row = *actions->Get(id);
    const std::string action(CellText(row[0])), source(CellText(row[2])), callText(CellText(row[3]));
    dllcall::Call call;
    std::string problem;
    if (!dllcall::ParseCall(callText, &call, &problem)) {
      messages.Warning(Where(action) + ": the DLL call '" + callText + "' cannot be made (" + problem +
                       "); the action is left out of the package.");
      leftOut.push_back(action);
      continue;
    }
    std::string location;
    uint16_t machine = settings.package64Bit ? kMachineX64 : kMachineI386;
    if (IntegerOf(row[1]) == qv::kDllWrapperCallInDirectoryAction) {
      location = "[" + source + "]" + call.module + ".dll";
    } else {
      const std::string hostPath = HostPathOfSource(source, settings.sourceFilePath);
      auto known = capturedDlls.find(hostPath);
      if (known == capturedDlls.end()) {
        std::string data;
        if (!platform::FileExists(hostPath) || !platform::ReadFile(hostPath, &data)) {
          messages.Error(Where(action) + ", column 'Source': the DLL '" + source + "' that custom action '" + action +
                         "' calls was not found (looked for " + hostPath + ").");
          continue;
        }
        const uint16_t dllMachine = PeMachineOf(data);
        if (dllMachine != kMachineI386 && dllMachine != kMachineX64) {
          messages.Warning(Where(action) + ": '" + source +
                           "' is no 32-bit or 64-bit Windows DLL; the action is left out of the package.");
          leftOut.push_back(action);
          continue;
        }
        const size_t cut = source.find_last_of("\\/");
        const std::string key =
            AddBinaryRow(*binary, BinaryKeyBase(cut == std::string::npos ? source : source.substr(cut + 1)), std::move(data));
        if (key.empty()) {
          messages.Error(Where(action) + ": cannot add a Binary row for '" + hostPath + "'.");
          continue;
        }
        known = capturedDlls.emplace(hostPath, std::make_pair(key, dllMachine)).first;
      }
      location = "binary:" + known->second.first;
      machine = known->second.second;
    }
    const std::string wrapper = wrapperKey(machine);
    if (wrapper.empty()) continue;

    std::string setter = action + "_Call";
    for (int number = 2; actions->Find({TextCell(setter)}, nullptr); ++number)
      setter = action + "_Call" + std::to_string(number);
    const std::string callProperty = kCallTextPrefix + action;
    EraseByKey(properties, callProperty);
    Row callRow(properties->Columns().size());
    callRow[0] = TextCell(callProperty);
    callRow[1] = TextCell(location + "|" + callText);
    Row setterRow(actions->Columns().size());
    setterRow[0] = TextCell(setter);
    setterRow[1] = Cell{kSetProperty};
    setterRow[2] = TextCell(kCallProperty);
    setterRow[3] = TextCell(callProperty);
    if (qv::Failed(properties->Insert(std::move(callRow))) || qv::Failed(actions->Insert(std::move(setterRow)))) {
      messages.Error(Where(action) + ": cannot add the rows that hand the call to the DLL wrapper.");
      continue;
    }
    actions->SetCell(id, 1, Cell{kDllFromBinaryIgnoringFailure});
    actions->SetCell(id, 2, TextCell(wrapper));
    actions->SetCell(id, 3, TextCell(kEntryPoint));
    places.PlaceBefore(action, setter);
  }
  for (const std::string& action : leftOut) LeaveOut(db, action);
}

}  // namespace builder
