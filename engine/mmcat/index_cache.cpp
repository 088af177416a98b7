#include "index_cache.h"

#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/host_paths.h"

namespace qv::engine {

namespace {

constexpr std::string_view kHeader = "fernclip merge module index 1";
// A cache larger than this is not ours (a catalog of thousands of modules stays far below).
constexpr uintmax_t kMaxCacheBytes = 64u << 20;

std::string Escape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

bool Unescape(std::string_view text, std::string* out) {
  out->clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      *out += text[i];
      continue;
    }
    if (++i == text.size()) return false;
    switch (text[i]) {
      case '\\': *out += '\\'; break;
      case 't': *out += '\t'; break;
      case 'n': *out += '\n'; break;
      case 'r': *out += '\r'; break;
      default: return false;
    }
  }
  return true;
}

// The tab-separated fields of a line, unescaped; false on a bad escape.
bool SplitFields(std::string_view line, std::vector<std::string>* fields) {
  fields->clear();
  size_t start = 0;
  while (true) {
    const size_t tab = line.find('\t', start);
    std::string field;
    if (!Unescape(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start), &field))
      return false;
    fields->push_back(std::move(field));
    if (tab == std::string_view::npos) return true;
    start = tab + 1;
  }
}

template <class Number>
bool ParseNumber(const std::string& text, Number* number) {
  if (text.empty() || text.size() > 20) return false;
  bool negative = false;
  size_t i = 0;
  if (text[0] == '-') {
    if (!std::is_signed_v<Number> || text.size() == 1) return false;
    negative = true;
    i = 1;
  }
  unsigned long long value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    const unsigned digit = static_cast<unsigned>(text[i] - '0');
    if (value > (~0ULL - digit) / 10) return false;
    value = value * 10 + digit;
  }
  *number = negative ? static_cast<Number>(-static_cast<long long>(value)) : static_cast<Number>(value);
  return true;
}

}  // namespace

std::string DefaultIndexCachePath() {
  std::string folder;
  if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache) {
    folder = cache;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    folder = std::string(home) + "/.cache";
  } else {
    return {};
  }
  return folder + "/fernclip/merge-modules.index";
}

ModuleEntries LoadIndexCache(const std::string& path) {
  std::error_code error;
  if (path.empty() || !std::filesystem::is_regular_file(path, error)) return {};
  const uintmax_t size = std::filesystem::file_size(path, error);
  if (error || size > kMaxCacheBytes) return {};
  std::string contents;
  if (!platform::ReadFile(path, &contents)) return {};

  ModuleEntries entries;
  ModuleEntry* current = nullptr;
  std::vector<std::string> fields;
  size_t start = 0;
  bool first = true, ended = false;
  while (start < contents.size()) {
    size_t end = contents.find('\n', start);
    if (end == std::string::npos) return {};  // cut off
    std::string_view line(contents.data() + start, end - start);
    start = end + 1;
    if (ended) return {};  // text after the end mark
    if (first) {
      if (line != kHeader) return {};
      first = false;
      continue;
    }
    if (!SplitFields(line, &fields)) return {};
    if (fields[0] == "M" && fields.size() == 7) {
      ModuleEntry entry;
      entry.path = fields[1];
      if (entry.path.empty() || !ParseNumber(fields[2], &entry.size) || !ParseNumber(fields[3], &entry.modified))
        return {};
      entry.language = fields[4];
      entry.version = fields[5];
      entry.problem = fields[6];
      auto [it, added] = entries.emplace(entry.path, std::move(entry));
      if (!added) return {};
      current = &it->second;
    } else if (fields[0] == "F" && fields.size() == 5 && current && current->problem.empty()) {
      if (fields[1].empty()) return {};
      current->files.push_back({fields[1], fields[2], fields[3], fields[4]});
    } else if (fields[0] == "end" && fields.size() == 2) {
      size_t count = 0;
      if (!ParseNumber(fields[1], &count) || count != entries.size()) return {};
      ended = true;
    } else {
      return {};
    }
  }
  return ended ? entries : ModuleEntries();
}

bool SaveIndexCache(const std::string& path, const ModuleEntries& entries) {
  if (path.empty()) return false;
  std::string text(kHeader);
  text += '\n';
  for (const auto& [modulePath, entry] : entries) {
    text += "M\t" + Escape(entry.path) + '\t' + std::to_string(entry.size) + '\t' + std::to_string(entry.modified) + '\t' +
            Escape(entry.language) + '\t' + Escape(entry.version) + '\t' + Escape(entry.problem) + '\n';
    for (const ModuleFile& file : entry.files)
      text += "F\t" + Escape(file.longName) + '\t' + Escape(file.version) + '\t' + Escape(file.language) + '\t' +
              Escape(file.folder) + '\n';
  }
  text += "end\t" + std::to_string(entries.size()) + '\n';
  const std::string folder = path.substr(0, platform::LastSeparator(path));
  if (!platform::CreateDirectories(folder)) return false;
  return platform::WriteFileAtomically(path, text);
}

}  // namespace qv::engine
