// fernclip-validate: checks Windows Installer packages against the installer's validation rules.
//   fernclip-validate [--json] PACKAGE.msi...
// Text output names each finding like a compiler ("app.msi: error ICE38: ..."); --json writes one
// JSON document instead. Exit codes: 0 no errors (warnings allowed), 1 some package breaks a
// rule with an error, 2 the command line is wrong, 3 some package could not be read (the others
// are still checked; 3 wins over 1).
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "msi_file.h"
#include "validator.h"

namespace {

constexpr int kExitClean = 0, kExitErrors = 1, kExitUsage = 2, kExitUnreadable = 3;

const char kUsage[] =
    "Usage: fernclip-validate [--json] PACKAGE.msi...\n"
    "Checks Windows Installer packages (and other MSI-format databases) against the installer's\n"
    "validation rules. Exit codes: 0 no errors, 1 errors found, 2 bad usage, 3 a file could not be read.\n";

std::string ReadProblem(qv::HResult result) {
  return result == qv::kFileNotFound ? "the file does not exist" : "not a readable MSI-format database";
}

}  // namespace

int main(int argc, char** argv) {
  bool json = false;
  std::vector<std::string> packages;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--json") {
      json = true;
    } else if (argument == "--help" || argument == "-h") {
      std::fputs(kUsage, stdout);
      return kExitClean;
    } else if (argument.size() > 1 && argument[0] == '-') {
      std::fprintf(stderr, "fernclip-validate: unknown option %s\n%s", argument.c_str(), kUsage);
      return kExitUsage;
    } else {
      packages.push_back(argument);
    }
  }
  if (packages.empty()) {
    std::fputs(kUsage, stderr);
    return kExitUsage;
  }

  int exitCode = kExitClean;
  std::string document = "{\"packages\": [";
  for (size_t p = 0; p < packages.size(); ++p) {
    const std::string& path = packages[p];
    std::unique_ptr<qv::engine::Database> database;
    const qv::HResult loaded = qv::engine::LoadDatabase(path, &database);
    if (p) document += ", ";
    if (qv::Failed(loaded) || !database) {
      exitCode = kExitUnreadable;
      if (json)
        document += "{\"path\": " + validation::JsonString(path) + ", \"readable\": false, \"problem\": " +
                    validation::JsonString(ReadProblem(loaded)) + "}";
      else
        std::fprintf(stderr, "%s: cannot read: %s\n", path.c_str(), ReadProblem(loaded).c_str());
      continue;
    }
    const validation::Findings findings = validation::ValidatePackage(*database);
    int errors = 0, warnings = 0;
    std::string items;
    for (const validation::Finding& finding : findings) {
      (finding.level == validation::Level::Error ? errors : warnings)++;
      if (json) items += std::string(items.empty() ? "" : ", ") + validation::FindingJson(finding);
      else std::printf("%s\n", validation::FormatFinding(path, finding).c_str());
    }
    if (errors && exitCode == kExitClean) exitCode = kExitErrors;
    if (json)
      document += "{\"path\": " + validation::JsonString(path) + ", \"readable\": true, \"errors\": " +
                  std::to_string(errors) + ", \"warnings\": " + std::to_string(warnings) + ", \"findings\": [" + items + "]}";
    else
      std::printf("%s: %d errors, %d warnings\n", path.c_str(), errors, warnings);
  }
  if (json) std::printf("%s]}\n", document.c_str());
  return exitCode;
}
