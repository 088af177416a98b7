// One data block of an MSZIP cabinet folder (CFDATA): at most 32 KB of the folder's bytes,
// compressed as "CK" and a complete deflate stream, behind its checksum and sizes.
//
// Every block is compressed on its own, without references to the bytes of the block before:
// a reader keeps that history, but does not need it, so any reader takes the blocks, and the
// blocks of a folder can be compressed at the same time on different threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct libdeflate_compressor;

namespace builder {

constexpr size_t kMszipBlockBytes = 32768;

// The cabinet checksum (CSUMCompute) of bytes, continued from seed.
uint32_t CabinetChecksum(std::string_view bytes, uint32_t seed);

// Compresses blocks; one per thread.
class MszipBlockCompressor {
 public:
  MszipBlockCompressor();
  ~MszipBlockCompressor();
  MszipBlockCompressor(const MszipBlockCompressor&) = delete;
  MszipBlockCompressor& operator=(const MszipBlockCompressor&) = delete;

  // The whole CFDATA record of a block of at most kMszipBlockBytes bytes.
  std::string DataRecord(std::string_view block);

 private:
  libdeflate_compressor* compressor_;
};

}  // namespace builder
