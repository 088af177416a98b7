// The in-memory database: tables by name, the summary information, the code page. Loaded from
// and saved to MSI-format files by msi_file.h.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "table.h"

namespace qv::engine {

// Summary information property ids (the MSI summary stream).
enum SummaryProperty : int {
  kSummaryCodePage = 1,
  kSummaryTitle = 2,
  kSummarySubject = 3,
  kSummaryAuthor = 4,
  kSummaryKeywords = 5,
  kSummaryComments = 6,
  kSummaryTemplate = 7,
  kSummaryLastAuthor = 8,
  kSummaryRevisionNumber = 9,
  kSummaryLastPrinted = 11,
  kSummaryCreated = 12,
  kSummaryLastSaved = 13,
  kSummaryPageCount = 14,
  kSummaryWordCount = 15,
  kSummaryCharCount = 16,
  kSummaryCreatingApplication = 18,
  kSummarySecurity = 19,
};

// A FILETIME (100 ns units since 1601).
struct FileTime {
  uint64_t value = 0;
  bool operator==(const FileTime&) const = default;
};
using SummaryValue = std::variant<int32_t, std::string, FileTime>;

class Database {
 public:
  Database() = default;
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Tables in name order.
  std::vector<Table*> Tables() const;
  Table* FindTable(std::string_view name) const;
  // nullptr when a table of that name exists or the columns are not usable (no columns, key
  // columns not leading, duplicate names).
  Table* AddTable(const std::string& name, std::vector<ColumnDef> columns);
  bool DropTable(const std::string& name);

  int CodePage() const { return codePage_; }
  void SetCodePage(int codePage) { codePage_ = codePage; }

  std::map<int, SummaryValue>& Summary() { return summary_; }
  const std::map<int, SummaryValue>& Summary() const { return summary_; }
  std::string SummaryString(int property) const;

  // Gives the row of a single-key table a new key and points every reference to the old key
  // (columns named "<Table>_", and the few other columns that refer to that table) at the new
  // one. kDuplicateKey when the new key is taken; nothing changes then.
  HResult RenameKey(Table& table, RowId id, const std::string& newKey);

 private:
  struct ColumnRef {
    Table* table;
    size_t column;
  };
  // The columns of every table that refer to the keys of the named table; kept until the set
  // of tables changes, so that re-keying does not look at every column every time.
  const std::vector<ColumnRef>& ReferencesTo(const std::string& tableName);

  std::map<std::string, std::unique_ptr<Table>, std::less<>> tables_;
  std::map<std::string, std::vector<ColumnRef>, std::less<>> references_;
  std::map<int, SummaryValue> summary_;
  int codePage_ = 1252;
};

}  // namespace qv::engine
