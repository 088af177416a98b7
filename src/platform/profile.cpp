#include "platform/profile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <memory>

#include "platform/host_paths.h"
#include "platform/text.h"
#include "platform/text_file.h"

namespace platform {

namespace {

struct ProfileEntry {
  std::string key;
  std::string value;  // trimmed, quotes kept
  bool hasEquals = false;
  size_t line = 0;
};

struct ProfileSection {
  std::string name;
  size_t headerLine = 0;
  std::vector<ProfileEntry> entries;
  std::map<std::string, size_t, LessNoCase> firstEntryByKey;
};

// A profile file split into lines (kept byte for byte for writing) and its sections.
struct ProfileDocument {
  TextEncoding encoding = TextEncoding::kAnsi;
  bool cutAtNul = false;  // only the text before a NUL byte was read
  std::vector<std::string> lines;    // without line ends
  std::vector<std::string> endings;  // the line end of each line ("" for a last line without one)
  std::vector<ProfileSection> sections;
  std::map<std::string, size_t, LessNoCase> firstSectionByName;

  const ProfileSection* FindSection(const std::string& name) const {
    auto found = firstSectionByName.find(name);
    return found == firstSectionByName.end() ? nullptr : &sections[found->second];
  }
  static const ProfileEntry* FindEntry(const ProfileSection& section, const std::string& key) {
    auto found = section.firstEntryByKey.find(key);
    return found == section.firstEntryByKey.end() ? nullptr : &section.entries[found->second];
  }
  std::string LineEnding() const {
    for (const std::string& ending : endings)
      if (!ending.empty()) return ending;
    return "\r\n";
  }
};

void SplitLines(const std::string& text, ProfileDocument* document) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    const bool lastWithoutEnd = end == std::string::npos;
    if (lastWithoutEnd) end = text.size();
    const bool crlf = !lastWithoutEnd && end > start && text[end - 1] == '\r';
    const size_t contentEnd = crlf ? end - 1 : end;
    document->lines.push_back(text.substr(start, contentEnd - start));
    document->endings.emplace_back(lastWithoutEnd ? "" : crlf ? "\r\n" : "\n");
    start = end + 1;
  }
}

void IndexSections(ProfileDocument* document) {
  ProfileSection* current = nullptr;
  for (size_t i = 0; i < document->lines.size(); ++i) {
    const std::string line = Trim(document->lines[i]);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      const size_t close = line.rfind(']');
      ProfileSection section;
      section.name = Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
      section.headerLine = i;
      document->firstSectionByName.emplace(section.name, document->sections.size());
      document->sections.push_back(std::move(section));
      current = &document->sections.back();
      continue;
    }
    if (!current) continue;  // lines before the first section belong to none
    ProfileEntry entry;
    entry.line = i;
    const size_t equals = line.find('=');
    if (equals == std::string::npos) {
      entry.key = line;
    } else {
      entry.key = Trim(line.substr(0, equals));
      entry.value = Trim(line.substr(equals + 1));
      entry.hasEquals = true;
    }
    current->firstEntryByKey.emplace(entry.key, current->entries.size());
    current->entries.push_back(std::move(entry));
  }
}

// Reads and parses the file. False (with errno set) when it exists but cannot be used; a
// missing file gives an empty document.
bool ParseFile(const std::string& hostPath, ProfileDocument* document, bool* exists) {
  std::string bytes;
  FileIdentity identity;
  *exists = IdentifyFile(hostPath, &identity);
  if (!*exists) return true;
  if (!ReadFile(hostPath, &bytes)) return false;
  DecodedText decoded;
  if (!DecodeTextFile(bytes, &decoded)) {
    // A NUL byte ends the text, as it ends the buffer that Windows reads the file into.
    const size_t nul = bytes.find('\0');
    if (nul == std::string::npos || !DecodeTextFile(bytes.substr(0, nul), &decoded)) {
      errno = EINVAL;
      return false;
    }
    document->cutAtNul = true;
  }
  document->encoding = decoded.encoding;
  SplitLines(decoded.text, document);
  IndexSections(document);
  return true;
}

// Parsed documents by host path, reused while the file on disk is unchanged: the options file is
// read key by key, and many readers ask the same file again and again.
std::shared_ptr<const ProfileDocument> Document(const std::string& path) {
  struct Cached {
    FileIdentity identity;
    std::shared_ptr<const ProfileDocument> document;
  };
  static std::map<std::string, Cached> cache;
  static const auto empty = std::make_shared<const ProfileDocument>();

  const std::string host = ResolveHostPath(path);
  FileIdentity identity;
  if (!IdentifyFile(host, &identity)) return empty;
  auto found = cache.find(host);
  if (found != cache.end() && found->second.identity == identity) return found->second.document;

  auto document = std::make_shared<ProfileDocument>();
  bool exists = false;
  if (!ParseFile(host, document.get(), &exists)) document = std::make_shared<ProfileDocument>();
  if (cache.size() > 64) cache.clear();
  cache[host] = Cached{identity, document};
  return document;
}

// Rewrites the file with text. Atomically (a temporary file beside it, renamed over it) where a
// temporary file can be made there; in place where the folder cannot take one (a read-only
// capture folder holding a writable options file).
bool Rewrite(const std::string& host, const std::string& text) {
  if (WriteFileAtomically(host, text)) return true;
  const int saved = errno;
  if (saved != EACCES && saved != EPERM && saved != EROFS) return false;
  const int fd = ::open(host.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) {
    errno = saved;
    return false;
  }
  bool ok = true;
  for (size_t done = 0; ok && done < text.size();) {
    const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR) continue;
    ok = written > 0;
    if (ok) done += static_cast<size_t>(written);
  }
  ok = ok && ::ftruncate(fd, static_cast<off_t>(text.size())) == 0 && ::fsync(fd) == 0;
  const int failure = errno;
  ::close(fd);
  errno = failure;
  return ok;
}

std::string Cut(const std::string& text, size_t bufferSize) {
  if (bufferSize == 0) return std::string();
  return text.size() < bufferSize ? text : text.substr(0, bufferSize - 1);
}

std::string Unquote(const std::string& value) {
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
    return value.substr(1, value.size() - 2);
  return value;
}

// Cuts a list of entries so that the entries, one terminator each and the final terminator fit
// into bufferSize characters, as the double-zero-terminated Windows buffers do.
std::vector<std::string> CutList(std::vector<std::string> entries, size_t bufferSize) {
  std::vector<std::string> result;
  size_t used = 1;  // the final terminator
  for (std::string& entry : entries) {
    if (used + entry.size() + 1 > bufferSize) {
      if (used + 1 < bufferSize) result.push_back(entry.substr(0, bufferSize - used - 1));
      break;
    }
    used += entry.size() + 1;
    result.push_back(std::move(entry));
  }
  return result;
}

bool HasLineBreak(const std::string& text) {
  return text.find_first_of("\r\n") != std::string::npos;
}

}  // namespace

std::string GetProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue, const std::string& path,
                             size_t bufferSize) {
  const auto document = Document(path);
  const ProfileSection* found = document->FindSection(section);
  const ProfileEntry* entry = found ? ProfileDocument::FindEntry(*found, key) : nullptr;
  if (!entry) return Cut(defaultValue, bufferSize);
  return Cut(Unquote(entry->value), bufferSize);
}

int GetProfileInt(const std::string& section, const std::string& key, int defaultValue,
                  const std::string& path) {
  const std::string value = GetProfileString(section, key, std::string(), path);
  if (value.empty()) return defaultValue;
  return static_cast<int>(Atol(value));
}

std::vector<std::string> GetProfileSection(const std::string& section, const std::string& path,
                                           size_t bufferSize) {
  const auto document = Document(path);
  const ProfileSection* found = document->FindSection(section);
  if (!found) return {};
  std::vector<std::string> entries;
  for (const ProfileEntry& entry : found->entries)
    entries.push_back(entry.hasEquals ? entry.key + "=" + entry.value : entry.key);
  return CutList(std::move(entries), bufferSize);
}

std::vector<std::string> GetProfileKeyNames(const std::string& section, const std::string& path,
                                            size_t bufferSize) {
  const auto document = Document(path);
  const ProfileSection* found = document->FindSection(section);
  if (!found) return {};
  std::vector<std::string> keys;
  for (const ProfileEntry& entry : found->entries) keys.push_back(entry.key);
  return CutList(std::move(keys), bufferSize);
}

bool WriteProfileString(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& path, int* error) {
  auto fail = [error](int code) {
    if (error) *error = code;
    return false;
  };
  // A line break would split the entry and corrupt the file.
  if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) ||
      key.find('=') != std::string::npos || Trim(key).empty() || path.empty()) {
    return fail(EINVAL);
  }
  const std::string host = ResolveHostPath(path);
  ProfileDocument document;
  bool exists = false;
  // A file that cannot be read as a profile file (binary, unreadable, cut at a NUL byte) is
  // left alone, and so is a read-only one.
  if (!ParseFile(host, &document, &exists)) return fail(errno ? errno : EINVAL);
  if (document.cutAtNul) return fail(EINVAL);
  if (exists && ::access(host.c_str(), W_OK) != 0) return fail(errno);

  const std::string eol = document.LineEnding();
  const std::string entryLine = key + "=" + value;
  const ProfileSection* found = document.FindSection(section);
  if (found) {
    if (const ProfileEntry* entry = ProfileDocument::FindEntry(*found, key)) {
      // Keep the key as it is spelled in the file.
      document.lines[entry->line] = entry->key + "=" + value;
    } else {
      const size_t after = found->entries.empty() ? found->headerLine : found->entries.back().line;
      if (document.endings[after].empty()) document.endings[after] = eol;
      document.lines.insert(document.lines.begin() + after + 1, entryLine);
      document.endings.insert(document.endings.begin() + after + 1, eol);
    }
  } else {
    if (!document.lines.empty()) {
      if (document.endings.back().empty()) document.endings.back() = eol;
      if (!Trim(document.lines.back()).empty()) {
        document.lines.push_back(std::string());
        document.endings.push_back(eol);
      }
    }
    document.lines.push_back("[" + section + "]");
    document.endings.push_back(eol);
    document.lines.push_back(entryLine);
    document.endings.push_back(eol);
  }

  std::string text;
  for (size_t i = 0; i < document.lines.size(); ++i) text += document.lines[i] + document.endings[i];
  if (!Rewrite(host, EncodeTextFile(document.encoding, text))) return fail(errno ? errno : EIO);
  if (error) *error = 0;
  return true;
}

ProfileFileState InspectProfileFile(const std::string& path) {
  const std::string host = ResolveHostPath(path);
  ProfileDocument document;
  bool exists = false;
  if (!ParseFile(host, &document, &exists)) return ProfileFileState::kUnreadable;
  if (!exists) return ProfileFileState::kMissing;
  return document.cutAtNul ? ProfileFileState::kCutAtNul : ProfileFileState::kReadable;
}

}  // namespace platform
