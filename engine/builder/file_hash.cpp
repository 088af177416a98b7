#include "file_hash.h"

#include <glib.h>

#include <cstdio>
#include <memory>

namespace builder {
namespace {

FileHashParts PartsOfDigest(const guint8 digest[16]) {
  FileHashParts parts{};
  for (int i = 0; i < 4; ++i) {
    const uint32_t v = uint32_t(digest[4 * i]) | (uint32_t(digest[4 * i + 1]) << 8) |
                       (uint32_t(digest[4 * i + 2]) << 16) | (uint32_t(digest[4 * i + 3]) << 24);
    parts[i] = static_cast<int32_t>(v);
  }
  return parts;
}

struct ChecksumDeleter {
  void operator()(GChecksum* c) const { g_checksum_free(c); }
};
struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};

FileHashParts Finish(GChecksum* checksum) {
  guint8 digest[16];
  gsize length = sizeof digest;
  g_checksum_get_digest(checksum, digest, &length);
  return PartsOfDigest(digest);
}

}  // namespace

FileHashParts ComputeFileHashOfBytes(std::string_view bytes) {
  std::unique_ptr<GChecksum, ChecksumDeleter> checksum(g_checksum_new(G_CHECKSUM_MD5));
  g_checksum_update(checksum.get(), reinterpret_cast<const guchar*>(bytes.data()), bytes.size());
  return Finish(checksum.get());
}

bool ComputeFileHash(const std::string& hostPath, FileHashParts* parts) {
  std::unique_ptr<FILE, FileCloser> file(std::fopen(hostPath.c_str(), "rb"));
  if (!file) return false;
  std::unique_ptr<GChecksum, ChecksumDeleter> checksum(g_checksum_new(G_CHECKSUM_MD5));
  std::unique_ptr<char[]> buffer(new char[1 << 16]);
  size_t n;
  while ((n = std::fread(buffer.get(), 1, 1 << 16, file.get())) > 0)
    g_checksum_update(checksum.get(), reinterpret_cast<const guchar*>(buffer.get()), n);
  if (std::ferror(file.get())) return false;
  *parts = Finish(checksum.get());
  return true;
}

}  // namespace builder
