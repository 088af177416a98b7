// Text files as Windows programs read them: ANSI bytes, or Unicode with a byte-order mark
// (UTF-16 LE/BE, UTF-8), which is converted to the active code page for the conversion and back
// when the file is written again. A file holding NUL bytes in its ANSI form is binary.
#pragma once

#include <string>
#include <sys/types.h>
#include <ctime>

namespace platform {

enum class TextEncoding { kAnsi, kUtf8Bom, kUtf16Le, kUtf16Be };

struct DecodedText {
  TextEncoding encoding = TextEncoding::kAnsi;
  std::string text;  // in the active code page
};

// False for a binary file (a NUL byte outside a Unicode encoding, or a broken UTF-16 file).
bool DecodeTextFile(const std::string& bytes, DecodedText* decoded);
// The bytes of text written in encoding (with its byte-order mark).
std::string EncodeTextFile(TextEncoding encoding, const std::string& text);

// What identifies one version of a file on disk: a cached reading stays valid while the
// identity is unchanged.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  timespec changed{};
  bool operator==(const FileIdentity& other) const;
};
// False when the host path names no regular file.
bool IdentifyFile(const std::string& hostPath, FileIdentity* identity);

}  // namespace platform
