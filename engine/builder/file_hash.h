// The MsiFileHash of an unversioned file: the MD5 of its bytes as four signed 32-bit parts,
// each read little-endian from the digest, as the installer compares them.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace builder {

using FileHashParts = std::array<int32_t, 4>;

FileHashParts FileHashPartsOfDigest(const uint8_t digest[16]);
FileHashParts ComputeFileHashOfBytes(std::string_view bytes);

}  // namespace builder
