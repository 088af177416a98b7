#include "cabinet_writer.h"

#include <gio/gio.h>
#include <libgcab.h>

namespace builder {
namespace {

// Owns one GObject reference.
template <class T>
struct GObjectRef {
  T* p = nullptr;
  explicit GObjectRef(T* object) : p(object) {}
  ~GObjectRef() {
    if (p) g_object_unref(p);
  }
  GObjectRef(const GObjectRef&) = delete;
  GObjectRef& operator=(const GObjectRef&) = delete;
};

std::string TakeMessage(GError* error, const std::string& fallback) {
  if (!error) return fallback;
  std::string text = error->message ? error->message : fallback;
  g_error_free(error);
  return text;
}

}  // namespace

std::vector<size_t> SplitIntoCabinets(const std::vector<CabinetFile>& files, const CabinetLimits& limits) {
  std::vector<size_t> ends;
  size_t count = 0;
  uint64_t bytes = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    const bool full = count > 0 && (count >= limits.maxFiles || bytes + files[i].size > limits.maxBytes);
    if (full) {
      ends.push_back(i);
      count = 0;
      bytes = 0;
    }
    ++count;
    bytes += files[i].size;
  }
  if (count > 0) ends.push_back(files.size());
  return ends;
}

bool WriteCabinet(const std::string& cabinetPath, const std::vector<CabinetFile>& files,
                  std::optional<int64_t> fixedTime, std::string* error) {
  GObjectRef<GCabCabinet> cabinet(gcab_cabinet_new());
  GCabFolder* folder = gcab_folder_new(GCAB_COMPRESSION_MSZIP);
  GDateTime* date = fixedTime ? g_date_time_new_from_unix_utc(*fixedTime) : nullptr;
  GError* gerror = nullptr;
  bool ok = true;
  for (const CabinetFile& file : files) {
    GObjectRef<GFile> source(g_file_new_for_path(file.hostPath.c_str()));
    GObjectRef<GCabFile> entry(gcab_file_new_with_file(file.name.c_str(), source.p));
    if (date) gcab_file_set_date_time(entry.p, date);
    if (!gcab_folder_add_file(folder, entry.p, FALSE, nullptr, &gerror)) {
      *error = TakeMessage(gerror, "cannot add " + file.hostPath);
      ok = false;
      break;
    }
  }
  if (date) g_date_time_unref(date);
  if (ok && !gcab_cabinet_add_folder(cabinet.p, folder, &gerror)) {
    *error = TakeMessage(gerror, "cannot add the folder to the cabinet");
    ok = false;
  }
  g_object_unref(folder);
  if (!ok) return false;

  GObjectRef<GFile> target(g_file_new_for_path(cabinetPath.c_str()));
  GObjectRef<GFileOutputStream> stream(
      g_file_replace(target.p, nullptr, FALSE, G_FILE_CREATE_REPLACE_DESTINATION, nullptr, &gerror));
  if (!stream.p) {
    *error = TakeMessage(gerror, "cannot create " + cabinetPath);
    return false;
  }
  // Reading the source files happens here; a file that vanished or cannot be read fails now.
  if (!gcab_cabinet_write_simple(cabinet.p, G_OUTPUT_STREAM(stream.p), nullptr, nullptr, nullptr, &gerror)) {
    *error = TakeMessage(gerror, "cannot write " + cabinetPath);
    g_output_stream_close(G_OUTPUT_STREAM(stream.p), nullptr, nullptr);
    return false;
  }
  if (!g_output_stream_close(G_OUTPUT_STREAM(stream.p), nullptr, &gerror)) {
    *error = TakeMessage(gerror, "cannot write " + cabinetPath);
    return false;
  }
  return true;
}

}  // namespace builder
