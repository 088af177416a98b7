#include "file_digest.h"

#include <glib.h>

#include <cstdio>

namespace builder {
namespace {

// A PE image starts with the DOS header's "MZ".
constexpr std::string_view kImageSignature = "MZ";

}  // namespace

struct FileInspector::Digest {
  GChecksum* md5 = g_checksum_new(G_CHECKSUM_MD5);
  ~Digest() { g_checksum_free(md5); }
  void Add(std::string_view bytes) {
    g_checksum_update(md5, reinterpret_cast<const guchar*>(bytes.data()), gssize(bytes.size()));
  }
};

FileInspector::FileInspector() : digest_(std::make_unique<Digest>()) {}
FileInspector::~FileInspector() = default;

void FileInspector::Add(std::string_view bytes) {
  if (holdsImage_) {
    image_.append(bytes);
    if (image_.size() < kImageSignature.size() || image_.compare(0, kImageSignature.size(), kImageSignature) == 0)
      return;
    // Not an image: no version resource, only the digest of the bytes.
    holdsImage_ = false;
    digest_->Add(image_);
    image_.clear();
    image_.shrink_to_fit();
    return;
  }
  digest_->Add(bytes);
}

FileFacts FileInspector::Finish() {
  FileFacts facts;
  if (holdsImage_) {
    facts.versionStatus = platform::ParseFileVersionInfo(image_, &facts.version);
    if (facts.versionStatus != platform::VersionStatus::kFound) digest_->Add(image_);
  }
  if (facts.versionStatus != platform::VersionStatus::kFound) {
    guint8 digest[16];
    gsize length = sizeof digest;
    g_checksum_get_digest(digest_->md5, digest, &length);
    facts.hash = FileHashPartsOfDigest(digest);
  }
  g_checksum_reset(digest_->md5);
  image_.clear();
  if (image_.capacity() > (1u << 20)) image_.shrink_to_fit();  // a large image is not kept for the next file
  holdsImage_ = true;
  return facts;
}

bool InspectFile(const std::string& hostPath, FileFacts* facts) {
  FILE* file = std::fopen(hostPath.c_str(), "rb");
  if (!file) return false;
  FileInspector inspector;
  std::string buffer(1 << 16, '\0');
  size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), file)) > 0) inspector.Add({buffer.data(), n});
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return false;
  *facts = inspector.Finish();
  return true;
}

}  // namespace builder
