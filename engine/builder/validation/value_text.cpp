#include "value_text.h"

#include <cctype>
#include <cstdlib>

namespace validation {
namespace {

bool IsDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

bool IsIdentifierStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsIdentifierPart(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.';
}

// Characters no long file name may hold; short names refuse a few more.
constexpr std::string_view kBadLongNameCharacters = "\\?|><:/*\"";
constexpr std::string_view kBadShortNameCharacters = "\\?|><:/*\"+,;=[] ";

// Why a name holds a character that the file system refuses, or empty.
std::string BadCharacterProblem(std::string_view name, std::string_view bad, bool wildcards, const char* kind) {
  for (char c : name) {
    if (wildcards && (c == '*' || c == '?')) continue;
    if (bad.find(c) != std::string_view::npos || static_cast<unsigned char>(c) < 0x20)
      return std::string(kind) + " '" + std::string(name) + "' holds the character '" + std::string(1, c) + "'";
  }
  return {};
}

std::string ShortNameProblem(std::string_view name, bool wildcards) {
  const size_t dot = name.find('.');
  const std::string_view base = name.substr(0, dot);
  const std::string_view extension = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || extension.size() > 3 || extension.find('.') != std::string_view::npos)
    return "'" + std::string(name) + "' is not a short file name (8.3)";
  return BadCharacterProblem(name, kBadShortNameCharacters, wildcards, "the short file name");
}

std::string LongNameProblem(std::string_view name, bool wildcards) {
  if (name.empty()) return "a file name is empty";
  return BadCharacterProblem(name, kBadLongNameCharacters, wildcards, "the file name");
}

// "short|long" or a name that must itself be short.
std::string FilenameProblem(std::string_view value, bool wildcards) {
  const size_t bar = value.find('|');
  if (bar == std::string_view::npos) return ShortNameProblem(value, wildcards);
  if (std::string problem = ShortNameProblem(value.substr(0, bar), wildcards); !problem.empty()) return problem;
  return LongNameProblem(value.substr(bar + 1), wildcards);
}

std::string DefaultDirProblem(std::string_view value) {
  const size_t colon = value.find(':');
  for (std::string_view part : {value.substr(0, colon),
                                colon == std::string_view::npos ? std::string_view() : value.substr(colon + 1)}) {
    if (part.empty() || part == "." || part == "SourceDir") continue;
    if (std::string problem = FilenameProblem(part, false); !problem.empty()) return problem;
  }
  return {};
}

// Square brackets of formatted text must pair up; "[\x]" is an escaped character.
std::string FormattedProblem(std::string_view value) {
  int depth = 0;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '[') {
      if (i + 1 < value.size() && value[i + 1] == '\\') {
        i += 2;  // the escaped character; its closing bracket follows
        if (i + 1 < value.size() && value[i + 1] == ']') ++i;
        continue;
      }
      ++depth;
    } else if (value[i] == ']') {
      if (--depth < 0) return "a ']' closes no '['";
    }
  }
  return depth > 0 ? "a '[' is not closed" : std::string();
}

std::string RegPathProblem(std::string_view value) {
  if (value.front() == '\\') return "a registry path may not begin with '\\'";
  int depth = 0;
  for (size_t i = 0; i + 1 < value.size(); ++i) {
    if (value[i] == '[') ++depth;
    if (value[i] == ']') --depth;
    if (depth == 0 && value[i] == '\\' && value[i + 1] == '\\') return "the registry path holds an empty key name ('\\\\')";
  }
  return FormattedProblem(value);
}

std::string LanguageProblem(std::string_view value) {
  size_t start = 0;
  while (start <= value.size()) {
    const size_t comma = value.find(',', start);
    const std::string_view part = value.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    if (!IsDigits(part) || std::strtol(std::string(part).c_str(), nullptr, 10) > 65535)
      return "'" + std::string(value) + "' is not a list of language numbers";
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return {};
}

// A recursive-descent reader of the installer's condition grammar:
//   expression := term { (OR | AND | XOR | EQV | IMP) term }   (precedence is irrelevant for syntax)
//   term := NOT term | '(' expression ')' | value [comparison value]
//   value := property | %env | $comp | ?comp | &feat | !feat | integer | "string"
class ConditionReader {
 public:
  explicit ConditionReader(std::string_view text) : text_(text) {}

  std::string Read() {
    Next();
    if (token_.kind == Kind::End) return {};  // an empty condition is always true
    if (!Expression()) return problem_;
    if (token_.kind != Kind::End) Fail("unexpected '" + std::string(token_.text) + "'");
    return problem_;
  }
  const std::vector<std::string>& Properties() const { return properties_; }

 private:
  enum class Kind { End, Name, Number, String, Open, Close, Operator, Logical, Not, Bad };
  struct Token {
    Kind kind = Kind::End;
    std::string_view text;
  };

  void Next() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    const size_t start = pos_;
    if (pos_ >= text_.size()) {
      token_ = {Kind::End, {}};
      return;
    }
    const char c = text_[pos_];
    auto take = [&](Kind kind, size_t length) {
      pos_ += length;
      token_ = {kind, text_.substr(start, length)};
    };
    if (c == '(') return take(Kind::Open, 1);
    if (c == ')') return take(Kind::Close, 1);
    if (c == '"') {
      const size_t close = text_.find('"', pos_ + 1);
      if (close == std::string_view::npos) return take(Kind::Bad, text_.size() - pos_);
      return take(Kind::String, close + 1 - pos_);
    }
    if (std::isdigit(static_cast<unsigned char>(c)) || (c == '-' && pos_ + 1 < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_ + 1])))) {
      size_t end = pos_ + 1;
      while (end < text_.size() && std::isdigit(static_cast<unsigned char>(text_[end]))) ++end;
      return take(Kind::Number, end - pos_);
    }
    if (c == '~' || c == '=' || c == '<' || c == '>') {
      size_t end = pos_;
      if (text_[end] == '~') ++end;
      for (std::string_view op : {"<>", "><", "<<", ">>", ">=", "<=", "=", "<", ">"})
        if (text_.substr(end, op.size()) == op) return take(Kind::Operator, end + op.size() - pos_);
      return take(Kind::Bad, 1);
    }
    if (c == '%' || c == '$' || c == '?' || c == '&' || c == '!' || IsIdentifierStart(c)) {
      size_t end = pos_ + 1;
      while (end < text_.size() && IsIdentifierPart(text_[end])) ++end;
      std::string upper;
      for (char ch : text_.substr(pos_, end - pos_)) upper += char(std::toupper(static_cast<unsigned char>(ch)));
      if (upper == "NOT") return take(Kind::Not, end - pos_);
      if (upper == "AND" || upper == "OR" || upper == "XOR" || upper == "EQV" || upper == "IMP")
        return take(Kind::Logical, end - pos_);
      if (end == pos_ + 1 && !IsIdentifierStart(c)) return take(Kind::Bad, 1);
      return take(Kind::Name, end - pos_);
    }
    take(Kind::Bad, 1);
  }

  bool Fail(const std::string& what) {
    if (problem_.empty()) problem_ = what;
    return false;
  }

  bool Expression() {
    if (!Term()) return false;
    while (token_.kind == Kind::Logical) {
      Next();
      if (!Term()) return false;
    }
    return true;
  }

  bool Term() {
    if (token_.kind == Kind::Not) {
      Next();
      return Term();
    }
    if (token_.kind == Kind::Open) {
      Next();
      if (!Expression()) return false;
      if (token_.kind != Kind::Close) return Fail("a '(' is not closed");
      Next();
      return true;
    }
    if (!Value()) return false;
    if (token_.kind == Kind::Operator) {
      Next();
      return Value();
    }
    return true;
  }

  bool Value() {
    switch (token_.kind) {
      case Kind::Name:
        if (IsIdentifierStart(token_.text.front())) properties_.emplace_back(token_.text);
        [[fallthrough]];
      case Kind::Number:
      case Kind::String:
        Next();
        return true;
      case Kind::End:
        return Fail("the condition ends where a value is expected");
      case Kind::Bad:
        return Fail("'" + std::string(token_.text) + "' is no part of a condition");
      default:
        return Fail("'" + std::string(token_.text) + "' where a value is expected");
    }
  }

  std::string_view text_;
  size_t pos_ = 0;
  Token token_;
  std::string problem_;
  std::vector<std::string> properties_;
};

}  // namespace

bool IsIdentifier(std::string_view text) {
  if (text.empty() || !IsIdentifierStart(text.front())) return false;
  for (char c : text)
    if (!IsIdentifierPart(c)) return false;
  return true;
}

bool IsGuid(std::string_view text) {
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') return false;
  for (size_t i = 1; i < 37; ++i) {
    const char c = text[i];
    if (i == 9 || i == 14 || i == 19 || i == 24) {
      if (c != '-') return false;
    } else if (!std::isdigit(static_cast<unsigned char>(c)) && !(c >= 'A' && c <= 'F')) {
      return false;
    }
  }
  return true;
}

bool IsVersion(std::string_view text) {
  int parts = 0;
  size_t start = 0;
  while (true) {
    const size_t dot = text.find('.', start);
    const std::string_view part = text.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
    if (!IsDigits(part) || part.size() > 5 || std::atoi(std::string(part).c_str()) > 65535) return false;
    ++parts;
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  return parts <= 4;
}

std::string ConditionProblem(std::string_view condition) { return ConditionReader(condition).Read(); }

std::vector<std::string> ConditionProperties(std::string_view condition) {
  ConditionReader reader(condition);
  reader.Read();
  return reader.Properties();
}

std::vector<FormattedReference> FormattedReferences(std::string_view text) {
  std::vector<FormattedReference> references;
  size_t open = text.find('[');
  while (open != std::string_view::npos) {
    // The innermost bracket pair: "[[A]]" reads the property named by A's value.
    const size_t close = text.find(']', open);
    if (close == std::string_view::npos) break;
    const size_t inner = text.rfind('[', close);
    std::string_view content = text.substr(inner + 1, close - inner - 1);
    if (!content.empty()) {
      const char sign = content.front();
      if (sign == '$' || sign == '#' || sign == '!') {
        references.push_back({sign == '!' ? '#' : sign, std::string(content.substr(1))});
      } else if (IsIdentifier(content)) {
        references.push_back({0, std::string(content)});
      }
    }
    open = text.find('[', close + 1);
  }
  return references;
}

std::string CategoryProblem(const std::string& category, std::string_view value) {
  if (value.empty()) return {};
  if (category == "Identifier")
    return IsIdentifier(value) ? std::string() : "'" + std::string(value) + "' is not an identifier";
  if (category == "Property") {
    const std::string_view name = value.front() == '%' ? value.substr(1) : value;
    return IsIdentifier(name) ? std::string() : "'" + std::string(value) + "' is not a property name";
  }
  if (category == "Filename") return FilenameProblem(value, false);
  if (category == "WildCardFilename") return FilenameProblem(value, true);
  if (category == "DefaultDir") return DefaultDirProblem(value);
  if (category == "Formatted" || category == "KeyFormatted" || category == "FormattedSDDLText") {
    std::string problem = FormattedProblem(value);
    return problem.empty() ? problem : "invalid formatted text: " + problem;
  }
  if (category == "Condition") {
    std::string problem = ConditionProblem(value);
    return problem.empty() ? problem : "invalid condition: " + problem;
  }
  if (category == "Guid" || category == "GUID") {
    if (IsGuid(value)) return {};
    std::string upper(value);
    for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
    return IsGuid(upper) ? "the GUID '" + std::string(value) + "' is not in upper case"
                         : "'" + std::string(value) + "' is not a GUID";
  }
  if (category == "RegPath") return RegPathProblem(value);
  if (category == "Shortcut") {
    // A non-advertised shortcut names its target in formatted text; an advertised one names a feature.
    if (value.find('[') != std::string_view::npos) return FormattedProblem(value);
    return IsIdentifier(value) ? std::string() : "'" + std::string(value) + "' is neither a feature nor formatted text";
  }
  if (category == "Version") return IsVersion(value) ? std::string() : "'" + std::string(value) + "' is not a version";
  if (category == "Language") return LanguageProblem(value);
  if (category == "UpperCase" || category == "LowerCase") {
    for (char c : value)
      if (category == "UpperCase" ? std::islower(static_cast<unsigned char>(c)) : std::isupper(static_cast<unsigned char>(c)))
        return "'" + std::string(value) + "' is not in " + (category == "UpperCase" ? "upper" : "lower") + " case";
    return {};
  }
  if (category == "Cabinet") {
    const std::string_view name = value.front() == '#' ? value.substr(1) : value;
    if (value.front() == '#') return IsIdentifier(name) ? std::string() : "'" + std::string(value) + "' is not a stream name";
    return LongNameProblem(name, false).empty() ? std::string() : "'" + std::string(value) + "' is not a cabinet name";
  }
  return {};
}

}  // namespace validation
