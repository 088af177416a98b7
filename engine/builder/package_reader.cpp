#include "package_reader.h"

#include <libmsi.h>

#include <cctype>
#include <set>

namespace builder {
namespace {

struct QueryCloser {
  LibmsiQuery* query;
  ~QueryCloser() {
    if (query) {
      libmsi_query_close(query, nullptr);
      g_object_unref(query);
    }
  }
};

std::string TakeMessage(GError* gerror) {
  std::string text = gerror && gerror->message ? gerror->message : "unknown error";
  if (gerror) g_error_free(gerror);
  return text;
}

bool ReadTable(LibmsiDatabase* db, const std::string& name, PackageTable* table, std::string* error) {
  GError* gerror = nullptr;
  table->name = name;
  const std::string sql = "SELECT * FROM `" + name + "`";
  QueryCloser query{libmsi_query_new(db, sql.c_str(), &gerror)};
  if (!query.query || !libmsi_query_execute(query.query, nullptr, &gerror)) {
    *error = "cannot read table " + name + ": " + TakeMessage(gerror);
    return false;
  }
  LibmsiRecord* names = libmsi_query_get_column_info(query.query, LIBMSI_COL_INFO_NAMES, nullptr);
  LibmsiRecord* types = libmsi_query_get_column_info(query.query, LIBMSI_COL_INFO_TYPES, nullptr);
  LibmsiRecord* keys = libmsi_database_get_primary_keys(db, name.c_str(), nullptr);
  std::set<std::string> keyNames;
  if (keys)
    for (guint i = 1; i <= libmsi_record_get_field_count(keys); ++i) {
      gchar* key = libmsi_record_get_string(keys, i);
      if (key) keyNames.insert(key);
      g_free(key);
    }
  const guint count = names ? libmsi_record_get_field_count(names) : 0;
  std::vector<bool> isStream(count + 1, false);
  for (guint i = 1; i <= count; ++i) {
    ColumnDefinition column;
    gchar* columnName = libmsi_record_get_string(names, i);
    gchar* type = types ? libmsi_record_get_string(types, i) : nullptr;
    column.name = columnName ? columnName : "";
    const std::string typeText = type ? type : "s0";
    const char kind = typeText.empty() ? 's' : typeText[0];
    column.isString = std::tolower(static_cast<unsigned char>(kind)) != 'i';
    column.nullable = std::isupper(static_cast<unsigned char>(kind));
    column.width = typeText.size() > 1 ? std::atoi(typeText.c_str() + 1) : 0;
    if (std::tolower(static_cast<unsigned char>(kind)) == 'v') {
      column.width = 0;
      isStream[i] = true;
    }
    column.primaryKey = keyNames.count(column.name) != 0;
    table->columns.push_back(column);
    g_free(columnName);
    g_free(type);
  }
  if (names) g_object_unref(names);
  if (types) g_object_unref(types);
  if (keys) g_object_unref(keys);

  while (LibmsiRecord* record = libmsi_query_fetch(query.query, nullptr)) {
    std::vector<qv::Variant> row(count);
    for (guint i = 1; i <= count; ++i) {
      const ColumnDefinition& column = table->columns[i - 1];
      if (libmsi_record_is_null(record, i)) continue;
      if (!column.isString) {
        row[i - 1] = qv::Variant::Int(libmsi_record_get_int(record, i));
      } else if (isStream[i]) {
        row[i - 1] = qv::Variant::Text("(stream)");  // the data itself is not checked
      } else {
        gchar* text = libmsi_record_get_string(record, i);
        row[i - 1] = qv::Variant::Text(text ? text : "");
        g_free(text);
      }
    }
    table->rows.push_back(std::move(row));
    g_object_unref(record);
  }
  return true;
}

}  // namespace

bool ReadPackageTables(const std::string& packagePath, std::vector<PackageTable>* tables, std::string* error) {
  GError* gerror = nullptr;
  LibmsiDatabase* db = libmsi_database_new(packagePath.c_str(), LIBMSI_DB_FLAGS_READONLY, nullptr, &gerror);
  if (!db) {
    *error = "cannot open " + packagePath + ": " + TakeMessage(gerror);
    return false;
  }
  std::vector<std::string> names;
  {
    QueryCloser query{libmsi_query_new(db, "SELECT `Name` FROM `_Tables`", &gerror)};
    if (!query.query || !libmsi_query_execute(query.query, nullptr, &gerror)) {
      *error = "cannot list the tables of " + packagePath + ": " + TakeMessage(gerror);
      g_object_unref(db);
      return false;
    }
    while (LibmsiRecord* record = libmsi_query_fetch(query.query, nullptr)) {
      gchar* name = libmsi_record_get_string(record, 1);
      if (name) names.push_back(name);
      g_free(name);
      g_object_unref(record);
    }
  }
  bool ok = true;
  for (const std::string& name : names) {
    tables->emplace_back();
    if (!(ok = ReadTable(db, name, &tables->back(), error))) break;
  }
  g_object_unref(db);
  return ok;
}

}  // namespace builder
