#include "validator.h"

#include <cstdio>

#include "rules.h"

namespace validation {
namespace {


// In the order of their numbers, so that findings come out in that order.
constexpr Rule kRules[] = {Ice02, Ice03, Ice06, Ice08, Ice09, Ice17, Ice18, Ice19, Ice20, Ice21, Ice24, Ice27, Ice30,
                           Ice32, Ice33, Ice38, Ice43, Ice46, Ice57, Ice64, Ice67, Ice69, Ice72, Ice80, Ice82, Ice91,
                           Ice99};

}  // namespace

Findings ValidatePackage(const qv::engine::Database& database) {
  const PackageIndex package(database);
  Findings findings;
  Report report(findings);
  for (Rule rule : kRules) rule(package, report);
  return findings;
}

std::string FormatFinding(const std::string& package, const Finding& finding) {
  return package + ": " + LevelName(finding.level) + " " + finding.rule + ": " + finding.text;
}

std::string JsonString(const std::string& text) {
  std::string json = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      json += '\\';
      json += char(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      json += escaped;
    } else {
      json += char(c);
    }
  }
  return json + "\"";
}

std::string FindingJson(const Finding& finding) {
  return "{\"rule\": " + JsonString(finding.rule) + ", \"level\": " + JsonString(LevelName(finding.level)) +
         ", \"table\": " + JsonString(finding.table) + ", \"row\": " + JsonString(finding.row) +
         ", \"text\": " + JsonString(finding.text) + "}";
}

}  // namespace validation
