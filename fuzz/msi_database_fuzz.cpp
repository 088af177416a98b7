// Fuzzes the MSI-format database reader (the compound file container, the string pool, the
// table streams, the summary information) with arbitrary files. Refusing a file is the reader's
// defined answer to damage; a crash, a hang or a read out of bounds is a fault. A file that
// reads is saved again, which must succeed or refuse cleanly too.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "msi_file.h"

namespace {

std::string ScratchPath(const char* name) {
  static const std::string folder = [] {
    char pattern[] = "/tmp/fernclip-msi-fuzz-XXXXXX";
    const char* made = mkdtemp(pattern);
    return std::string(made ? made : "/tmp");
  }();
  return folder + "/" + name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input = ScratchPath("input.msi");
  FILE* f = std::fopen(input.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  std::unique_ptr<qv::engine::Database> database;
  qv::engine::IsMsiDatabase(input);
  if (qv::Succeeded(qv::engine::LoadDatabase(input, &database))) {
    qv::engine::SaveOptions options;
    options.fixedTimestamps = true;
    qv::engine::SaveDatabase(*database, ScratchPath("output.msi"), options);
  }
  return 0;
}
