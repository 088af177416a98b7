#include "view_query.h"

#include <cctype>
#include <charconv>

namespace qv::engine {

namespace {

class Scanner {
 public:
  explicit Scanner(const std::string& text) : text_(text) {}

  void SkipBlanks() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
  }
  bool AtEnd() {
    SkipBlanks();
    return pos_ >= text_.size();
  }
  // A keyword, compared without regard to case, followed by a blank or the end.
  bool Keyword(const char* word) {
    SkipBlanks();
    size_t n = std::char_traits<char>::length(word);
    if (text_.size() - pos_ < n) return false;
    for (size_t i = 0; i < n; ++i)
      if (std::toupper(static_cast<unsigned char>(text_[pos_ + i])) != word[i]) return false;
    if (pos_ + n < text_.size() && !std::isspace(static_cast<unsigned char>(text_[pos_ + n])) && text_[pos_ + n] != '*' &&
        text_[pos_ + n] != '`')
      return false;
    pos_ += n;
    return true;
  }
  bool Symbol(char c) {
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  // A name, bare or in back quotes.
  bool Name(std::string* name) {
    SkipBlanks();
    if (Symbol('`')) {
      size_t end = text_.find('`', pos_);
      if (end == std::string::npos || end == pos_) return false;
      *name = text_.substr(pos_, end - pos_);
      pos_ = end + 1;
      return true;
    }
    size_t start = pos_;
    while (pos_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_' || text_[pos_] == '.'))
      ++pos_;
    *name = text_.substr(start, pos_ - start);
    return !name->empty();
  }
  // 'text' (a doubled quote stands for one) or a whole number.
  bool Value(Variant* value) {
    SkipBlanks();
    if (Symbol('\'')) {
      std::string text;
      while (pos_ < text_.size()) {
        char c = text_[pos_++];
        if (c == '\'') {
          if (pos_ < text_.size() && text_[pos_] == '\'') {
            text += '\'';
            ++pos_;
            continue;
          }
          *value = Variant::Text(text);
          return true;
        }
        text += c;
      }
      return false;
    }
    size_t start = pos_;
    if (pos_ < text_.size() && text_[pos_] == '-') ++pos_;
    while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    int32_t number = 0;
    auto [end, ec] = std::from_chars(text_.data() + start, text_.data() + pos_, number);
    if (ec != std::errc() || end != text_.data() + pos_) return false;
    *value = Variant::Int(number);
    return true;
  }

 private:
  const std::string& text_;
  size_t pos_ = 0;
};

}  // namespace

bool ParseViewQuery(const std::string& text, ViewQuery* query) {
  Scanner in(text);
  if (!in.Keyword("SELECT") || !in.Symbol('*') || !in.Keyword("FROM") || !in.Name(&query->table)) return false;
  query->conditions.clear();
  if (in.AtEnd()) return true;
  if (!in.Keyword("WHERE")) return false;
  do {
    ViewCondition condition;
    if (!in.Name(&condition.column) || !in.Symbol('=') || !in.Value(&condition.value)) return false;
    query->conditions.push_back(std::move(condition));
  } while (in.Keyword("AND"));
  return in.AtEnd();
}

}  // namespace qv::engine
