#include "package_summary.h"

namespace builder {
namespace {

constexpr uint64_t kFileTimeTicksPerSecond = 10000000ull;
constexpr uint64_t kSecondsFrom1601To1970 = 11644473600ull;

}  // namespace

std::string SummaryTemplate(bool is64Bit, int32_t language) {
  return std::string(is64Bit ? "x64" : "Intel") + ";" + std::to_string(language);
}

uint64_t FileTimeFromUnixSeconds(int64_t seconds) {
  return (uint64_t(seconds) + kSecondsFrom1601To1970) * kFileTimeTicksPerSecond;
}

void ApplyPackageSummary(qv::engine::Database& database, const PackageSummary& summary) {
  auto& values = database.Summary();
  auto fallback = [&](int property, const std::string& text) {
    if (text.empty() || !database.SummaryString(property).empty()) return;
    values[property] = text;
  };
  fallback(qv::engine::kSummaryTitle, summary.title);
  fallback(qv::engine::kSummarySubject, summary.subject);
  fallback(qv::engine::kSummaryAuthor, summary.author);
  fallback(qv::engine::kSummaryKeywords, summary.keywords);
  fallback(qv::engine::kSummaryComments, summary.comments);
  values[qv::engine::kSummaryTemplate] = summary.templateText;
  values[qv::engine::kSummaryRevisionNumber] = summary.packageCode;
  values[qv::engine::kSummaryCreatingApplication] = summary.creatingApplication;
  values[qv::engine::kSummaryPageCount] = summary.pageCount;
  values[qv::engine::kSummaryWordCount] = summary.wordCount;
  values[qv::engine::kSummarySecurity] = summary.security;
  if (summary.createdTime) values[qv::engine::kSummaryCreated] = qv::engine::FileTime{summary.createdTime};
}

}  // namespace builder
