#include "module_cabinet.h"

#include <gio/gio.h>
#include <libgcab.h>

#include <cstdint>
#include <memory>

#include "compound_file.h"
#include "msi_stream_name.h"

namespace builder {
namespace {

constexpr const char* kCabinetStream = "MergeModule.CABinet";
// What a package's cabinet can hold: the files past it are not unpacked, and the module is refused.
constexpr uint64_t kMaxUnpackedBytes = 0x7F000000;

template <typename T>
struct GObjectDeleter {
  void operator()(T* object) const {
    if (object) g_object_unref(object);
  }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectDeleter<T>>;

struct Unpacking {
  const std::string* folder;
  std::map<std::string, std::string>* filesByName;
  size_t next = 0;
  uint64_t bytes = 0;
  bool tooLarge = false;
};

// Every file goes out under a plain name of ours: the cabinet's names are the module's, and a
// damaged or hostile one could name a path anywhere.
gboolean NameExtractedFile(GCabFile* file, gpointer data) {
  auto* unpacking = static_cast<Unpacking*>(data);
  unpacking->bytes += gcab_file_get_size(file);
  if (unpacking->bytes > kMaxUnpackedBytes) {
    unpacking->tooLarge = true;
    return FALSE;
  }
  const std::string name = "f" + std::to_string(++unpacking->next);
  gcab_file_set_extract_name(file, name.c_str());
  (*unpacking->filesByName)[gcab_file_get_name(file)] = *unpacking->folder + "/" + name;
  return TRUE;
}

}  // namespace

bool UnpackModuleCabinet(const std::string& modulePath, const std::string& folder,
                         std::map<std::string, std::string>* filesByName, std::string* error) {
  qv::engine::CompoundFileReader file;
  const auto* stream = file.Open(modulePath) ? file.Find(qv::engine::EncodeStreamName(kCabinetStream, false)) : nullptr;
  std::string bytes;
  if (!stream || !file.Read(*stream, &bytes)) {
    *error = std::string("it holds no readable stream '") + kCabinetStream + "'";
    return false;
  }
  GBytes* data = g_bytes_new(bytes.data(), bytes.size());
  GObjectPtr<GInputStream> input(g_memory_input_stream_new_from_bytes(data));
  g_bytes_unref(data);
  GObjectPtr<GCabCabinet> cabinet(gcab_cabinet_new());
  GError* failure = nullptr;
  auto fail = [&](const char* what) {
    *error = std::string(what) + (failure ? std::string(": ") + failure->message : std::string());
    if (failure) g_error_free(failure);
    return false;
  };
  if (!gcab_cabinet_load(cabinet.get(), input.get(), nullptr, &failure)) return fail("its cabinet cannot be read");

  Unpacking unpacking{&folder, filesByName};
  GObjectPtr<GFile> target(g_file_new_for_path(folder.c_str()));
  if (!gcab_cabinet_extract_simple(cabinet.get(), target.get(), NameExtractedFile, &unpacking, nullptr,
                                   &failure))
    return fail("its cabinet cannot be unpacked");
  if (unpacking.tooLarge) return fail("its cabinet holds more than a package's cabinet can");
  return true;
}

}  // namespace builder
