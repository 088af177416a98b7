#include "capture/text_edit.h"

namespace capture {

std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view replace) {
  if (find.empty()) return std::string(text);
  std::string result;
  result.reserve(text.size());
  size_t start = 0;
  for (size_t at = text.find(find); at != std::string_view::npos; at = text.find(find, start)) {
    result.append(text.substr(start, at - start));
    result.append(replace);
    start = at + find.size();
  }
  result.append(text.substr(start));
  return result;
}

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    const size_t at = text.find(separator, start);
    if (at == std::string_view::npos) {
      parts.emplace_back(text.substr(start));
      return parts;
    }
    parts.emplace_back(text.substr(start, at - start));
    start = at + 1;
  }
}

}  // namespace capture
