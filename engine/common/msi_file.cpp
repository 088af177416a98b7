#include "msi_file.h"

#include <fcntl.h>
#include <glib/gstdio.h>
#include <libmsi.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>

#include "code_page.h"
#include "temp_file.h"

namespace qv::engine {

namespace {

// Owning wrappers for the GLib objects libmsi hands out.
template <class T>
struct GObjectRef {
  T* p = nullptr;
  GObjectRef() = default;
  explicit GObjectRef(T* q) : p(q) {}
  GObjectRef(const GObjectRef&) = delete;
  GObjectRef& operator=(const GObjectRef&) = delete;
  ~GObjectRef() {
    if (p) g_object_unref(p);
  }
  T* get() const { return p; }
  explicit operator bool() const { return p != nullptr; }
};

struct ErrorRef {
  GError* e = nullptr;
  ~ErrorRef() {
    if (e) g_error_free(e);
  }
  GError** out() {
    if (e) g_clear_error(&e);
    return &e;
  }
};

std::string TakeString(gchar* s) {
  std::string text = s ? s : "";
  g_free(s);
  return text;
}

bool RunQuery(LibmsiDatabase* db, const std::string& sql) {
  ErrorRef error;
  GObjectRef<LibmsiQuery> query(libmsi_query_new(db, sql.c_str(), error.out()));
  if (!query) return false;
  bool ok = libmsi_query_execute(query.get(), nullptr, error.out());
  libmsi_query_close(query.get(), nullptr);
  return ok;
}

// The database code page, learnt from the export of the _ForceCodepage pseudo table.
int ReadCodePage(LibmsiDatabase* db) {
  char name[] = "/tmp/fernclip-cpXXXXXX";
  int fd = mkstemp(name);
  if (fd < 0) return 0;
  unlink(name);
  ErrorRef error;
  int codePage = 0;
  if (libmsi_database_export(db, "_ForceCodepage", fd, error.out())) {
    std::string text;
    char buffer[256];
    lseek(fd, 0, SEEK_SET);
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
    // "\r\n\r\n<code page>\t_ForceCodepage\r\n"
    size_t start = text.find_first_of("0123456789");
    if (start != std::string::npos) codePage = std::atoi(text.c_str() + start);
  }
  close(fd);
  return codePage;
}

std::string ReadStream(GInputStream* stream) {
  std::string data;
  if (!stream) return data;
  char buffer[65536];
  for (;;) {
    gssize n = g_input_stream_read(stream, buffer, sizeof buffer, nullptr, nullptr);
    if (n <= 0) break;
    data.append(buffer, static_cast<size_t>(n));
  }
  g_object_unref(stream);
  return data;
}

std::string Quoted(const std::string& name) { return "`" + name + "`"; }

uint64_t NowFileTime() {
  using namespace std::chrono;
  auto since1970 = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
  return static_cast<uint64_t>(since1970) * 10 + 116444736000000000ULL;
}

HResult LoadSchema(LibmsiDatabase* db, std::map<std::string, std::map<int, ColumnDef>>* schema) {
  ErrorRef error;
  GObjectRef<LibmsiQuery> query(
      libmsi_query_new(db, "SELECT `Table`, `Number`, `Name`, `Type` FROM `_Columns`", error.out()));
  if (!query || !libmsi_query_execute(query.get(), nullptr, error.out())) return kBadFormat;
  while (LibmsiRecord* record = libmsi_query_fetch(query.get(), nullptr)) {
    GObjectRef<LibmsiRecord> owned(record);
    std::string table = TakeString(libmsi_record_get_string(record, 1));
    int number = libmsi_record_get_int(record, 2);
    ColumnDef column;
    column.name = TakeString(libmsi_record_get_string(record, 3));
    if (!ColumnFromTypeBits(libmsi_record_get_int(record, 4), &column)) return kBadFormat;
    (*schema)[table][number] = column;
  }
  libmsi_query_close(query.get(), nullptr);
  return kOk;
}

HResult LoadRows(LibmsiDatabase* db, Table* table) {
  ErrorRef error;
  GObjectRef<LibmsiQuery> query(
      libmsi_query_new(db, ("SELECT * FROM " + Quoted(table->Name())).c_str(), error.out()));
  if (!query || !libmsi_query_execute(query.get(), nullptr, error.out())) return kBadFormat;
  const auto& columns = table->Columns();
  while (LibmsiRecord* record = libmsi_query_fetch(query.get(), nullptr)) {
    GObjectRef<LibmsiRecord> owned(record);
    Row row(columns.size());
    for (size_t c = 0; c < columns.size(); ++c) {
      guint field = static_cast<guint>(c + 1);
      if (columns[c].kind == ColumnKind::Binary) {
        std::string data = ReadStream(libmsi_record_get_stream(record, field));
        if (!data.empty()) row[c] = std::move(data);
        continue;
      }
      if (libmsi_record_is_null(record, field)) continue;
      if (columns[c].IsInteger()) row[c] = static_cast<int32_t>(libmsi_record_get_int(record, field));
      else row[c] = TextCell(TakeString(libmsi_record_get_string(record, field)));
    }
    // A damaged file may repeat a key: the first row wins, the table stays consistent.
    table->Insert(std::move(row));
  }
  libmsi_query_close(query.get(), nullptr);
  return kOk;
}

void LoadSummary(LibmsiDatabase* db, Database* database) {
  ErrorRef error;
  GObjectRef<LibmsiSummaryInfo> info(libmsi_summary_info_new(db, 0, error.out()));
  if (!info) return;
  GArray* properties = libmsi_summary_info_get_properties(info.get());
  if (!properties) return;
  for (guint i = 0; i < properties->len; ++i) {
    auto property = g_array_index(properties, LibmsiProperty, i);
    switch (libmsi_summary_info_get_property_type(info.get(), property, nullptr)) {
      case LIBMSI_PROPERTY_TYPE_INT:
        database->Summary()[property] = static_cast<int32_t>(libmsi_summary_info_get_int(info.get(), property, nullptr));
        break;
      case LIBMSI_PROPERTY_TYPE_STRING: {
        const gchar* text = libmsi_summary_info_get_string(info.get(), property, nullptr);
        database->Summary()[property] = std::string(text ? text : "");
        break;
      }
      case LIBMSI_PROPERTY_TYPE_FILETIME:
        database->Summary()[property] = FileTime{libmsi_summary_info_get_filetime(info.get(), property, nullptr)};
        break;
      default:
        break;
    }
  }
  g_array_unref(properties);
}

HResult CheckEncodable(const Database& database) {
  CodePageEncoder encoder(database.CodePage());
  if (!encoder.Valid()) return kBadValue;
  for (const Table* table : database.Tables()) {
    if (!encoder.CanEncode(table->Name())) return kBadValue;
    const auto& columns = table->Columns();
    for (const auto& [key, id] : table->KeyOrder()) {
      const Row& row = *table->Get(id);
      for (size_t c = 0; c < columns.size(); ++c)
        if (columns[c].kind == ColumnKind::String && !encoder.CanEncode(CellText(row[c]))) return kBadValue;
    }
  }
  return kOk;
}

bool ImportCodePage(LibmsiDatabase* db, int codePage) {
  TempDirectory folder;
  if (!folder.Valid()) return false;
  std::string idt = folder.Path() + "/_ForceCodepage.idt";
  FILE* f = std::fopen(idt.c_str(), "wb");
  if (!f) return false;
  std::fprintf(f, "\r\n\r\n%d\t_ForceCodepage\r\n", codePage);
  std::fclose(f);
  ErrorRef error;
  return libmsi_database_import(db, idt.c_str(), error.out());
}

std::string CreateTableSql(const Table& table) {
  std::string sql = "CREATE TABLE " + Quoted(table.Name()) + " (";
  const auto& columns = table.Columns();
  for (size_t c = 0; c < columns.size(); ++c) {
    if (c) sql += ", ";
    sql += Quoted(columns[c].name) + " " + SqlType(columns[c]);
  }
  sql += " PRIMARY KEY ";
  for (size_t c = 0; c < table.KeyColumnCount(); ++c) {
    if (c) sql += ", ";
    sql += Quoted(columns[c].name);
  }
  return sql + ")";
}

bool WriteTable(LibmsiDatabase* db, const Table& table) {
  if (!RunQuery(db, CreateTableSql(table))) return false;
  if (table.RowCount() == 0) return true;
  const auto& columns = table.Columns();
  std::string sql = "INSERT INTO " + Quoted(table.Name()) + " (";
  std::string marks;
  for (size_t c = 0; c < columns.size(); ++c) {
    sql += (c ? ", " : "") + Quoted(columns[c].name);
    marks += c ? ", ?" : "?";
  }
  sql += ") VALUES (" + marks + ")";
  ErrorRef error;
  GObjectRef<LibmsiQuery> query(libmsi_query_new(db, sql.c_str(), error.out()));
  if (!query) return false;
  // Rows go in in key order: libmsi inserts fastest that way.
  for (const auto& [key, id] : table.KeyOrder()) {
    const Row& row = *table.Get(id);
    GObjectRef<LibmsiRecord> record(libmsi_record_new(static_cast<guint>(columns.size())));
    for (size_t c = 0; c < columns.size(); ++c) {
      guint field = static_cast<guint>(c + 1);
      if (IsNull(row[c])) continue;
      if (const auto* number = std::get_if<int32_t>(&row[c])) {
        libmsi_record_set_int(record.get(), field, *number);
      } else if (columns[c].kind == ColumnKind::Binary) {
        const std::string& data = std::get<std::string>(row[c]);
        GObjectRef<GInputStream> stream(g_memory_input_stream_new_from_data(data.data(), static_cast<gssize>(data.size()), nullptr));
        if (!libmsi_record_set_stream(record.get(), field, stream.get(), data.size(), nullptr, error.out())) return false;
      } else {
        libmsi_record_set_string(record.get(), field, std::get<std::string>(row[c]).c_str());
      }
    }
    if (!libmsi_query_execute(query.get(), record.get(), error.out())) return false;
  }
  libmsi_query_close(query.get(), nullptr);
  return true;
}

bool WriteSummary(LibmsiDatabase* db, const Database& database, const SaveOptions& options) {
  std::map<int, SummaryValue> summary = database.Summary();
  uint64_t now = options.fixedTimestamps ? kFixedFileTime : NowFileTime();
  if (options.fixedTimestamps || !summary.count(kSummaryCreated)) summary[kSummaryCreated] = FileTime{now};
  summary[kSummaryLastSaved] = FileTime{now};
  if (options.fixedTimestamps) summary.erase(kSummaryLastPrinted);

  ErrorRef error;
  GObjectRef<LibmsiSummaryInfo> info(libmsi_summary_info_new(db, static_cast<unsigned>(summary.size() + 1), error.out()));
  if (!info) return false;
  for (const auto& [property, value] : summary) {
    auto id = static_cast<LibmsiProperty>(property);
    bool ok = true;
    if (const auto* number = std::get_if<int32_t>(&value)) ok = libmsi_summary_info_set_int(info.get(), id, *number, error.out());
    else if (const auto* text = std::get_if<std::string>(&value)) ok = libmsi_summary_info_set_string(info.get(), id, text->c_str(), error.out());
    else ok = libmsi_summary_info_set_filetime(info.get(), id, std::get<FileTime>(value).value, error.out());
    if (!ok) return false;
  }
  return libmsi_summary_info_persist(info.get(), error.out());
}

bool WriteStreams(LibmsiDatabase* db, const std::vector<std::pair<std::string, std::string>>& streams) {
  if (streams.empty()) return true;
  ErrorRef error;
  GObjectRef<LibmsiQuery> query(libmsi_query_new(db, "INSERT INTO `_Streams` (`Name`, `Data`) VALUES (?, ?)", error.out()));
  if (!query) return false;
  for (const auto& [name, hostPath] : streams) {
    GObjectRef<LibmsiRecord> record(libmsi_record_new(2));
    if (!libmsi_record_set_string(record.get(), 1, name.c_str()) ||
        !libmsi_record_load_stream(record.get(), 2, hostPath.c_str()) ||
        !libmsi_query_execute(query.get(), record.get(), error.out()))
      return false;
  }
  libmsi_query_close(query.get(), nullptr);
  return true;
}

// Whether the file begins with the signature of a compound file, the container of every MSI
// database. Checked first so that a text file is refused without libmsi complaining about it.
bool HasCompoundFileSignature(const std::string& path) {
  static const unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  unsigned char head[8] = {};
  size_t n = std::fread(head, 1, sizeof head, f);
  std::fclose(f);
  return n == sizeof head && std::memcmp(head, kSignature, sizeof head) == 0;
}

}  // namespace

bool IsMsiDatabase(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || !HasCompoundFileSignature(path)) return false;
  ErrorRef error;
  GObjectRef<LibmsiDatabase> db(libmsi_database_new(path.c_str(), LIBMSI_DB_FLAGS_READONLY, nullptr, error.out()));
  return static_cast<bool>(db);
}

HResult LoadDatabase(const std::string& path, std::unique_ptr<Database>* database) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return kFileNotFound;
  if (!S_ISREG(st.st_mode) || !HasCompoundFileSignature(path)) return kBadFormat;
  ErrorRef error;
  GObjectRef<LibmsiDatabase> db(libmsi_database_new(path.c_str(), LIBMSI_DB_FLAGS_READONLY, nullptr, error.out()));
  if (!db) return kBadFormat;

  std::map<std::string, std::map<int, ColumnDef>> schema;
  HResult hr = LoadSchema(db.get(), &schema);
  if (Failed(hr)) return hr;
  auto loaded = std::make_unique<Database>();
  loaded->SetCodePage(ReadCodePage(db.get()));
  for (auto& [name, numbered] : schema) {
    std::vector<ColumnDef> columns;
    for (auto& [number, column] : numbered) columns.push_back(std::move(column));
    Table* table = loaded->AddTable(name, std::move(columns));
    if (!table) return kBadFormat;
    hr = LoadRows(db.get(), table);
    if (Failed(hr)) return hr;
  }
  LoadSummary(db.get(), loaded.get());
  *database = std::move(loaded);
  return kOk;
}

HResult SaveDatabase(const Database& database, const std::string& path, const SaveOptions& options) {
  HResult hr = CheckEncodable(database);
  if (Failed(hr)) return hr;
  TempFileBeside temp(path);
  if (!temp.Valid()) return kAccessDenied;
  {
    ErrorRef error;
    GObjectRef<LibmsiDatabase> db(libmsi_database_new(temp.Path().c_str(), LIBMSI_DB_FLAGS_CREATE, nullptr, error.out()));
    if (!db) return kAccessDenied;
    if (!ImportCodePage(db.get(), database.CodePage())) return kFail;
    for (const Table* table : database.Tables())
      if (!WriteTable(db.get(), *table)) return kFail;
    if (!WriteStreams(db.get(), options.streams)) return kFail;
    if (!WriteSummary(db.get(), database, options)) return kFail;
    if (!libmsi_database_commit(db.get(), error.out())) return kFail;
  }
  return temp.MoveTo(path) ? kOk : kAccessDenied;
}

}  // namespace qv::engine
