#include "binary_actions.h"

#include <cctype>
#include <map>

#include "platform/host_paths.h"
#include "source_files.h"

namespace builder {
namespace {

using qv::engine::Cell;
using qv::engine::CellText;
using qv::engine::Row;
using qv::engine::RowId;
using qv::engine::Table;
using qv::engine::TextCell;

// Custom action type bits: the kind of code (low three bits) and where it comes from.
constexpr int32_t kCodeKindMask = 0x07;
constexpr int32_t kSourceLocationMask = 0x30;
constexpr int32_t kSourceInBinaryTable = 0x00;
constexpr int32_t kDllCode = 1, kExeCode = 2, kJScriptCode = 5, kVBScriptCode = 6;
// The stream of a Binary row is named "Binary.<key>"; a stream name holds at most 62 characters.
constexpr size_t kMaxKeyLength = 50;

bool RunsCodeFromBinaryTable(int32_t type) {
  // The DLL wrapper's types (0x20000 and up) are no installer types; they were left out before.
  if (type < 0 || type >= 0x10000) return false;
  const int32_t code = type & kCodeKindMask;
  return (type & kSourceLocationMask) == kSourceInBinaryTable &&
         (code == kDllCode || code == kExeCode || code == kJScriptCode || code == kVBScriptCode);
}

std::string FileNameOf(const std::string& path) {
  const size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string Where(const std::string& action) {
  return "Table 'CustomAction', row '" + action + "', column 'Source'";
}

}  // namespace

std::string BinaryKeyBase(const std::string& fileName) {
  std::string key;
  for (unsigned char c : fileName) key += std::isalnum(c) || c == '_' || c == '.' ? char(c) : '_';
  if (key.empty() || !(std::isalpha(static_cast<unsigned char>(key[0])) || key[0] == '_')) key = "_" + key;
  // Room for a number that makes the key unique.
  if (key.size() > kMaxKeyLength - 4) key.resize(kMaxKeyLength - 4);
  return key;
}

std::string AddBinaryRow(Table& binary, const std::string& keyBase, std::string data) {
  std::string key = keyBase;
  RowId taken = 0;
  for (int number = 1; binary.Find({TextCell(key)}, &taken); ++number) key = keyBase + std::to_string(number);
  Row row(binary.Columns().size());
  row[0] = TextCell(key);
  row[1] = Cell{std::move(data)};
  return qv::Failed(binary.Insert(std::move(row))) ? std::string() : key;
}

void CompileBinaryActions(qv::engine::Database& db, const std::string& sourceFilePath, BuildMessages& messages) {
  Table* actions = db.FindTable("CustomAction");
  if (!actions || actions->Columns().size() < 3) return;
  Table* binary = db.FindTable("Binary");

  // Actions first: their rows change while they are visited.
  std::vector<std::pair<RowId, std::string>> pending;  // row, source path
  for (const auto& [key, id] : actions->KeyOrder()) {
    const Row& row = *actions->Get(id);
    const std::optional<int32_t> type = row[1].Number();
    const std::string_view source = CellText(row[2]);
    if (!type || !RunsCodeFromBinaryTable(*type) || source.empty()) continue;
    RowId existing = 0;
    if (binary && binary->Find({TextCell(source)}, &existing)) continue;  // already a Binary key
    pending.emplace_back(id, source);
  }
  if (pending.empty()) return;
  if (!binary || binary->Columns().size() < 2) {
    messages.Error("The project has custom actions that run a file from the Binary table, but no Binary table.");
    return;
  }

  std::map<std::string, std::string> keyOfHostPath;  // one Binary row per file
  for (const auto& [id, source] : pending) {
    const std::string action(CellText((*actions->Get(id))[0]));
    const std::string hostPath = HostPathOfSource(source, sourceFilePath);
    if (const std::string refusal = SourceRefusal(source, hostPath, sourceFilePath); !refusal.empty()) {
      messages.Error(Where(action) + ": the file '" + source + "' that custom action '" + action + "' runs " +
                     refusal + ".");
      continue;
    }
    auto known = keyOfHostPath.find(hostPath);
    if (known == keyOfHostPath.end()) {
      std::string data;
      if (!platform::FileExists(hostPath) || !platform::ReadFile(hostPath, &data)) {
        messages.Error(Where(action) + ": the file '" + source + "' that custom action '" + action +
                       "' runs was not found (looked for " + hostPath + ").");
        continue;
      }
      const std::string key = AddBinaryRow(*binary, BinaryKeyBase(FileNameOf(source)), std::move(data));
      if (key.empty()) {
        messages.Error(Where(action) + ": cannot add a Binary row for '" + hostPath + "'.");
        continue;
      }
      known = keyOfHostPath.emplace(hostPath, key).first;
    }
    actions->SetCell(id, 2, TextCell(known->second));
  }
}

}  // namespace builder
