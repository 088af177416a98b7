// Generates the blank project template from the table sources in data/template: every *.idt
// file becomes a table, the engine's project tables are added, every column gets a _Validation
// row, and the summary information of a blank package is set. Usage:
//   make_template <source folder> <output .vpx>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "idt.h"
#include "msi_file.h"
#include "project_schema.h"
#include "validation.h"

using namespace qv::engine;

namespace {

void SetBlankSummary(Database& database) {
  auto& summary = database.Summary();
  summary[kSummaryCodePage] = int32_t{1252};
  summary[kSummaryTitle] = std::string("Installation Database");
  summary[kSummarySubject] = std::string("Blank project");
  summary[kSummaryAuthor] = std::string("fernclip");
  summary[kSummaryKeywords] = std::string("Installer");
  summary[kSummaryComments] = std::string("This installer database contains the logic and data required to install the product.");
  summary[kSummaryTemplate] = std::string("Intel;1033");
  // The package code of the template; the build gives every package its own.
  summary[kSummaryRevisionNumber] = std::string("{00000000-0000-0000-0000-000000000000}");
  summary[kSummaryPageCount] = int32_t{200};
  summary[kSummaryWordCount] = int32_t{2};
  summary[kSummaryCreatingApplication] = std::string("fernclip");
  summary[kSummarySecurity] = int32_t{2};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "Usage: make_template <source folder> <output .vpx>\n");
    return 2;
  }
  namespace fs = std::filesystem;
  std::vector<std::string> sources;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(argv[1], ec))
    if (entry.is_regular_file() && entry.path().extension() == ".idt") sources.push_back(entry.path().string());
  if (ec || sources.empty()) {
    std::fprintf(stderr, "make_template: no table sources (*.idt) in %s\n", argv[1]);
    return 1;
  }
  std::sort(sources.begin(), sources.end());

  Database database;
  database.SetCodePage(1252);
  for (const std::string& source : sources) {
    std::string error;
    if (!ImportIdt(database, source, &error)) {
      std::fprintf(stderr, "make_template: %s\n", error.c_str());
      return 1;
    }
  }
  if (!database.FindTable("_Validation")) database.AddTable("_Validation", ValidationColumns());
  if (qv::Failed(AddProjectTables(database))) {
    std::fprintf(stderr, "make_template: a project table in %s clashes with the engine's\n", argv[1]);
    return 1;
  }
  for (Table* table : database.Tables())
    if (table->Name() != "_Validation") AddDefaultValidation(database, *table);
  SetBlankSummary(database);

  SaveOptions options;
  options.fixedTimestamps = true;  // the template is the same on every build
  qv::HResult hr = SaveDatabase(database, argv[2], options);
  if (qv::Failed(hr)) {
    std::fprintf(stderr, "make_template: cannot write %s (0x%08x)\n", argv[2], static_cast<unsigned>(hr));
    return 1;
  }
  return 0;
}
