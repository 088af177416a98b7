#include "file_hash.h"

#include <glib.h>

namespace builder {

FileHashParts FileHashPartsOfDigest(const uint8_t digest[16]) {
  FileHashParts parts{};
  for (int i = 0; i < 4; ++i) {
    const uint32_t v = uint32_t(digest[4 * i]) | (uint32_t(digest[4 * i + 1]) << 8) |
                       (uint32_t(digest[4 * i + 2]) << 16) | (uint32_t(digest[4 * i + 3]) << 24);
    parts[i] = static_cast<int32_t>(v);
  }
  return parts;
}

FileHashParts ComputeFileHashOfBytes(std::string_view bytes) {
  GChecksum* checksum = g_checksum_new(G_CHECKSUM_MD5);
  g_checksum_update(checksum, reinterpret_cast<const guchar*>(bytes.data()), gssize(bytes.size()));
  guint8 digest[16];
  gsize length = sizeof digest;
  g_checksum_get_digest(checksum, digest, &length);
  g_checksum_free(checksum);
  return FileHashPartsOfDigest(digest);
}

}  // namespace builder
