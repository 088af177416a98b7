#include "module_sequences.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "module_tables.h"

namespace builder {
namespace {

using qv::engine::Cell;
using qv::engine::CellText;
using qv::engine::ColumnDef;
using qv::engine::ColumnKind;
using qv::engine::Row;
using qv::engine::RowId;
using qv::engine::Table;
using qv::engine::TextCell;

constexpr int32_t kLastSequence = 32767;  // the Sequence column holds 16-bit numbers

const char* const kModuleSequences[] = {"ModuleInstallExecuteSequence", "ModuleInstallUISequence",
                                        "ModuleAdminExecuteSequence", "ModuleAdminUISequence",
                                        "ModuleAdvtExecuteSequence"};

std::optional<int32_t> NumberOf(const Cell& cell) {
  if (const std::optional<int32_t> number = cell.Number()) return *number;
  return std::nullopt;
}

// The package's sequence table with its numbers in order.
class PackageSequence {
 public:
  PackageSequence(Table* table)
      : table_(table),
        action_(table->ColumnIndex("Action")),
        condition_(table->ColumnIndex("Condition")),
        sequence_(table->ColumnIndex("Sequence")) {
    if (!Usable()) return;
    for (const auto& [key, id] : table->KeyOrder())
      if (auto number = NumberOf((*table->Get(id))[size_t(sequence_)])) numbers_.insert(*number);
  }
  bool Usable() const { return action_ >= 0 && sequence_ >= 0; }
  bool Holds(const std::string& action) const {
    RowId id = 0;
    return table_->Find({TextCell(action)}, &id);
  }
  std::optional<int32_t> NumberOfAction(const std::string& action) const {
    RowId id = 0;
    if (!table_->Find({TextCell(action)}, &id)) return std::nullopt;
    return NumberOf((*table_->Get(id))[size_t(sequence_)]);
  }
  std::optional<int32_t> Below(int32_t number) const {
    auto it = numbers_.lower_bound(number);
    if (it == numbers_.begin()) return std::nullopt;
    return *std::prev(it);
  }
  std::optional<int32_t> Above(int32_t number) const {
    auto it = numbers_.upper_bound(number);
    if (it == numbers_.end()) return std::nullopt;
    return *it;
  }
  void Add(const std::string& action, const Cell& condition, int32_t number) {
    Row row(table_->Columns().size());
    row[size_t(action_)] = TextCell(action);
    if (condition_ >= 0) row[size_t(condition_)] = condition;
    row[size_t(sequence_)] = Cell{number};
    table_->Insert(std::move(row));
    numbers_.insert(number);
  }
  const std::string& Name() const { return table_->Name(); }

 private:
  Table* table_;
  int action_, condition_, sequence_;
  std::multiset<int32_t> numbers_;
};

Table* PackageSequenceTable(qv::engine::Database& package, const std::string& name) {
  if (Table* table = package.FindTable(name)) return table;
  // The installer's schema of a sequence table.
  return package.AddTable(name, {ColumnDef{"Action", ColumnKind::String, 72, false, false, true},
                                 ColumnDef{"Condition", ColumnKind::String, 255, true, false, false},
                                 ColumnDef{"Sequence", ColumnKind::Int16, 0, true, false, false}});
}

struct PlacedAction {
  std::string action;
  Cell condition;
};

}  // namespace

std::string PackageSequenceOf(const std::string& moduleTableName) {
  for (const char* name : kModuleSequences)
    if (moduleTableName == name) return moduleTableName.substr(6);
  return {};
}

void MergeModuleSequence(qv::engine::Database& package, const Table& moduleSequence, const std::string& moduleName,
                         BuildMessages& messages) {
  const std::string label = ModuleLabel(moduleName) + ": table '" + moduleSequence.Name() + "'";
  const int action = moduleSequence.ColumnIndex("Action"), sequence = moduleSequence.ColumnIndex("Sequence"),
            base = moduleSequence.ColumnIndex("BaseAction"), after = moduleSequence.ColumnIndex("After"),
            condition = moduleSequence.ColumnIndex("Condition");
  Table* table = PackageSequenceTable(package, PackageSequenceOf(moduleSequence.Name()));
  if (action < 0 || sequence < 0 || base < 0 || after < 0 || !table) {
    messages.Error(label + " lacks the columns of a module sequence table.");
    return;
  }
  PackageSequence target(table);
  if (!target.Usable()) {
    messages.Error(label + ": the package's table '" + table->Name() + "' has no Action and Sequence columns.");
    return;
  }

  // Actions with numbers first: the base actions of the others may be among them.
  struct Pending {
    std::string action, base;
    bool after;
    Cell condition;
  };
  std::vector<Pending> pending;
  for (const auto& [key, id] : moduleSequence.KeyOrder()) {
    const Row& row = *moduleSequence.Get(id);
    const std::string name(CellText(row[size_t(action)]));
    const Cell rowCondition = condition >= 0 ? row[size_t(condition)] : Cell{};
    if (target.Holds(name)) continue;  // a standard action the package has, or one merged before
    if (auto number = NumberOf(row[size_t(sequence)])) {
      target.Add(name, rowCondition, *number);
    } else if (const std::string baseAction(CellText(row[size_t(base)])); !baseAction.empty()) {
      pending.push_back({name, baseAction, NumberOf(row[size_t(after)]).value_or(0) != 0, rowCondition});
    } else {
      messages.Error(label + ", action '" + name + "' has neither a sequence number nor a base action.");
    }
  }

  // Then, round by round, the actions whose base action has a number now: those against one base
  // (and on one side of it) together, evenly between the base and its neighbour.
  while (!pending.empty()) {
    std::map<std::pair<std::string, bool>, std::vector<PlacedAction>> groups;
    std::vector<std::pair<std::string, bool>> groupOrder;
    std::vector<Pending> waiting;
    for (Pending& p : pending) {
      if (!target.NumberOfAction(p.base)) {
        waiting.push_back(std::move(p));
        continue;
      }
      auto& group = groups[{p.base, p.after}];
      if (group.empty()) groupOrder.push_back({p.base, p.after});
      group.push_back({p.action, p.condition});
    }
    if (groupOrder.empty()) {
      for (const Pending& p : waiting)
        messages.Error(label + ", action '" + p.action + "': its base action '" + p.base +
                       "' is in neither the module's nor the package's '" + target.Name() + "' with a sequence number.");
      return;
    }
    for (const auto& groupKey : groupOrder) {
      const std::vector<PlacedAction>& actions = groups[groupKey];
      const int32_t baseNumber = *target.NumberOfAction(groupKey.first);
      const int64_t needed = int64_t(actions.size()) + 1;
      // The gap next to the base action; when the package's own actions fill it, the nearest gap
      // further on the same side that is wide enough (the actions keep their side of the base).
      int32_t low = 0, high = 0;
      bool found = false;
      if (groupKey.second) {
        for (low = baseNumber; !found;) {
          const std::optional<int32_t> above = target.Above(low);
          high = above.value_or(kLastSequence + 1);
          found = int64_t(high) - low >= needed;
          if (!above) break;
          if (!found) low = *above;
        }
      } else {
        for (high = baseNumber; !found && high > 0;) {
          low = std::max<int32_t>(0, target.Below(high).value_or(0));
          found = int64_t(high) - low >= needed;
          if (!found) high = low;
        }
      }
      if (!found) {
        messages.Error(label + ": no room in '" + target.Name() + "' for " + std::to_string(actions.size()) +
                       " action(s) " + (groupKey.second ? "after '" : "before '") + groupKey.first + "'.");
        continue;
      }
      const int64_t span = int64_t(high) - low;
      for (size_t i = 0; i < actions.size(); ++i)
        target.Add(actions[i].action, actions[i].condition,
                   int32_t(low + span * int64_t(i + 1) / int64_t(actions.size() + 1)));
    }
    pending = std::move(waiting);
  }
}

}  // namespace builder
