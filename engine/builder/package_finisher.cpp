#include "package_finisher.h"

#include <libmsi.h>

namespace builder {
namespace {

class Failure {
 public:
  explicit Failure(std::string* error) : error_(error) {}
  bool operator()(GError* gerror, const std::string& what) {
    *error_ = what + (gerror && gerror->message ? std::string(": ") + gerror->message : std::string());
    if (gerror) g_error_free(gerror);
    return false;
  }

 private:
  std::string* error_;
};

// Runs one statement, with an optional record for its parameters.
bool Execute(LibmsiDatabase* db, const std::string& sql, LibmsiRecord* parameters, GError** gerror) {
  LibmsiQuery* query = libmsi_query_new(db, sql.c_str(), gerror);
  if (!query) return false;
  bool ok = libmsi_query_execute(query, parameters, gerror);
  if (ok) ok = libmsi_query_close(query, gerror);
  g_object_unref(query);
  return ok;
}

// The Column values of the _Validation rows of a table.
bool SelectColumnsOf(LibmsiDatabase* db, const std::string& table, std::vector<std::string>* columns,
                     GError** gerror) {
  const std::string sql = "SELECT `Column` FROM `_Validation` WHERE `Table` = '" + table + "'";
  LibmsiQuery* query = libmsi_query_new(db, sql.c_str(), gerror);
  if (!query) return false;
  bool ok = libmsi_query_execute(query, nullptr, gerror);
  while (ok) {
    LibmsiRecord* row = libmsi_query_fetch(query, nullptr);  // null after the last row
    if (!row) break;
    gchar* column = libmsi_record_get_string(row, 1);
    if (column) columns->push_back(column);
    g_free(column);
    g_object_unref(row);
  }
  libmsi_query_close(query, nullptr);
  g_object_unref(query);
  return ok;
}

}  // namespace

bool FinishPackage(const std::string& packagePath, const std::vector<std::string>& tablesToDrop,
                   const std::vector<EmbeddedStream>& streams, const PackageSummary& summary,
                   std::string* error) {
  Failure fail(error);
  GError* gerror = nullptr;
  LibmsiDatabase* db = libmsi_database_new(packagePath.c_str(), LIBMSI_DB_FLAGS_TRANSACT, nullptr, &gerror);
  if (!db) return fail(gerror, "cannot open " + packagePath);
  struct Closer {
    LibmsiDatabase* db;
    ~Closer() { g_object_unref(db); }
  } closer{db};

  for (const std::string& table : tablesToDrop) {
    if (!Execute(db, "DROP TABLE `" + table + "`", nullptr, &gerror)) return fail(gerror, "cannot drop table " + table);
    // Their validation rows go too, so that the package validates. They are deleted one key
    // at a time: libmsi's DELETE skips rows when several match.
    std::vector<std::string> columns;
    if (!SelectColumnsOf(db, table, &columns, &gerror))
      return fail(gerror, "cannot read the validation rows of " + table);
    for (const std::string& column : columns) {
      if (!Execute(db, "DELETE FROM `_Validation` WHERE `Table` = '" + table + "' AND `Column` = '" + column + "'",
                   nullptr, &gerror))
        return fail(gerror, "cannot remove the validation rows of " + table);
    }
  }
  for (const EmbeddedStream& stream : streams) {
    LibmsiRecord* record = libmsi_record_new(2);
    bool ok = libmsi_record_set_string(record, 1, stream.name.c_str()) &&
              libmsi_record_load_stream(record, 2, stream.hostPath.c_str());
    if (ok) ok = Execute(db, "INSERT INTO `_Streams` (`Name`, `Data`) VALUES (?, ?)", record, &gerror);
    g_object_unref(record);
    if (!ok) return fail(gerror, "cannot embed " + stream.hostPath + " as stream " + stream.name);
  }
  if (!WriteSummaryInformation(db, summary, error)) return false;
  if (!libmsi_database_commit(db, &gerror)) return fail(gerror, "cannot write " + packagePath);
  return true;
}

}  // namespace builder
