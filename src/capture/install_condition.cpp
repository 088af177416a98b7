#include "capture/install_condition.h"

#include <optional>

#include "options/project_options.h"
#include "platform/codepage.h"
#include "platform/text.h"

namespace capture {
namespace {

struct OsTerm {
  uint32_t bit;
  const char* coarse;
  const char* granular;
};

constexpr OsTerm kOsTerms[] = {
    {0x10, "Version9X", "Version9X=400"},       {0x40, "Version9X", "Version9X=410"},
    {0x80, "Version9X", "Version9X=490"},       {0x10000, "VersionNT", "VersionNT=400"},
    {0x100000, "VersionNT", "VersionNT=500"},   {0x400000, "VersionNT", "VersionNT=501"},
};

std::string TextBetween(const std::string& line, size_t from, size_t to) {
  if (from > line.size()) return {};
  return line.substr(from, to == std::string::npos ? std::string::npos : to - from);
}

}  // namespace

const std::map<uint32_t, std::string>& OsConditionTable() {
  static std::map<uint32_t, std::string> table;
  static std::optional<bool> filledForGranular;
  const bool granular = options::Options().OSGranular();
  if (filledForGranular != granular) {
    for (const OsTerm& term : kOsTerms) table[term.bit] = granular ? term.granular : term.coarse;
    filledForGranular = granular;
  }
  return table;
}

std::string BuildInstallCondition(const std::string& line, std::string& fileListExtra) {
  const size_t first = platform::FindCharacter(line, '|');
  if (first == std::string::npos) return {};

  const size_t second = platform::FindCharacter(line, '|', first + 1);
  const uint32_t mask = static_cast<uint32_t>(platform::Atol(TextBetween(line, first + 1, second)));
  std::string language;
  std::string extra;
  if (second != std::string::npos) {
    const size_t third = line.find('|', second + 1);
    if (third != std::string::npos) {
      language = TextBetween(line, second + 1, third);
      const size_t close = line.find(')', third + 1);
      if (close != std::string::npos) extra = TextBetween(line, third + 1, close);
    } else {
      const size_t close = line.find(')', second + 1);
      if (close != std::string::npos) language = TextBetween(line, second + 1, close);
    }
  }
  fileListExtra = extra;

  std::string condition;
  for (const auto& [bit, term] : OsConditionTable()) {
    if ((mask & bit) == 0 || condition.find(term) != std::string::npos) continue;
    condition += condition.empty() ? "(" : " OR ";
    condition += term;
  }
  if (!condition.empty()) condition += ")";

  language = language.substr(0, language.find(';'));
  if (!language.empty() && platform::Atol(language) != 0) {
    condition += condition.empty() ? "(" : " AND (";
    condition += "UserLanguageID=" + language + ")";
  }
  return condition;
}

}  // namespace capture
