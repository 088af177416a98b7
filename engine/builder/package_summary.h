// The summary information of a package: what tools and the installer read before any table
// (title, platform and language, package code, source image kind), set on the in-memory
// database that the engine then writes.
#pragma once

#include <cstdint>
#include <string>

#include "database.h"

namespace builder {

// Word Count bits: short file names (1), compressed files (2).
constexpr int32_t kWordCountShortNames = 1;
constexpr int32_t kWordCountCompressed = 2;

struct PackageSummary {
  // Fallbacks: the project's own title, subject, author, keywords and comments are kept.
  std::string title;
  std::string subject;
  std::string author;
  std::string keywords;
  std::string comments;
  // Always set.
  std::string templateText;  // "Intel;1033" or "x64;1033": platform and language
  std::string packageCode;   // the revision number: the package's GUID
  std::string creatingApplication;
  int32_t pageCount = 200;   // the installer version the package needs (2.0)
  int32_t wordCount = kWordCountCompressed;
  int32_t security = 2;      // read-only recommended
  uint64_t createdTime = 0;  // FILETIME; 0 leaves the time to the engine's save
};

// "Intel;<language>" for a 32-bit package, "x64;<language>" for a 64-bit one.
std::string SummaryTemplate(bool is64Bit, int32_t language);

// A FILETIME (100 ns since 1601-01-01 UTC) for seconds since the Unix epoch.
uint64_t FileTimeFromUnixSeconds(int64_t seconds);

void ApplyPackageSummary(qv::engine::Database& database, const PackageSummary& summary);

}  // namespace builder
