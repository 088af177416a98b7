// The summary information stream of a package: what tools and the installer read before any
// table (title, platform and language, package code, source image kind).
#pragma once

#include <cstdint>
#include <string>

typedef struct _LibmsiDatabase LibmsiDatabase;

namespace builder {

// Word Count bits: short file names (1), compressed files (2).
constexpr int32_t kWordCountShortNames = 1;
constexpr int32_t kWordCountCompressed = 2;

struct PackageSummary {
  std::string title;
  std::string subject;
  std::string author;
  std::string keywords;
  std::string comments;
  std::string templateText;   // "Intel;1033" or "x64;1033": platform and language
  std::string packageCode;    // the revision number: the package's GUID
  std::string creatingApplication;
  int32_t pageCount = 200;    // the installer version the package needs (2.0)
  int32_t wordCount = kWordCountCompressed;
  int32_t security = 2;       // read-only recommended
  uint64_t createdTime = 0;   // FILETIME: 100 ns since 1601-01-01 UTC
  uint64_t savedTime = 0;
  // Title, subject, author, keywords and comments that the stream already holds (the project's
  // own) are kept; the texts above are then only fallbacks.
  bool keepExistingDescriptions = false;
};

// "Intel;<language>" for a 32-bit package, "x64;<language>" for a 64-bit one.
std::string SummaryTemplate(bool is64Bit, int32_t language);

// A FILETIME for seconds since the Unix epoch.
uint64_t FileTimeFromUnixSeconds(int64_t seconds);

// Sets every property and persists the stream into the open database (the caller commits).
// False with a message on failure.
bool WriteSummaryInformation(LibmsiDatabase* database, const PackageSummary& summary, std::string* error);

}  // namespace builder
