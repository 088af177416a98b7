#include "capture/text_lines.h"

#include <algorithm>
#include <cstring>

#include "core/messages.h"
#include "core/repackager_exception.h"
#include "core/string_table.h"
#include "platform/codepage.h"
#include "platform/host_paths.h"
#include "platform/text.h"

namespace capture {
namespace {

constexpr int kCantOpenFile = 22114;
constexpr int kCharactersWithoutForm = 22606;

bool StartsWithUtf16ByteOrderMark(const std::string& text) {
  if (text.size() < 2) return false;
  const auto first = static_cast<unsigned char>(text[0]);
  const auto second = static_cast<unsigned char>(text[1]);
  return (first == 0xFF && second == 0xFE) || (first == 0xFE && second == 0xFF);
}

}  // namespace

TextLines::TextLines(std::string contents, std::string fileName)
    : contents_(std::move(contents)), fileName_(std::move(fileName)) {
  if (StartsWithUtf16ByteOrderMark(contents_)) {
    throw core::repackager_exception(
        "Can't read file '" + fileName_ +
        "': it is Unicode (UTF-16) text. Save it as ANSI text (registry data in the REGEDIT4 "
        "format) and convert again.");
  }
  // A file that begins with the UTF-8 byte-order mark is UTF-8 text: the conversion works in the
  // capture's code page.
  if (contents_.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    const size_t questionMarks = std::count(contents_.begin() + 3, contents_.end(), '?');
    contents_ = platform::Utf8ToAnsi(contents_.substr(3));
    const size_t lost = static_cast<size_t>(std::count(contents_.begin(), contents_.end(), '?')) - questionMarks;
    if (lost > 0)
      core::LogMessage(core::kWarning,
                       core::FormatString(kCharactersWithoutForm, platform::Excerpt(fileName_).c_str(),
                                              static_cast<int>(lost), platform::ActiveCodePage()));
  }
}

bool TextLines::Next(std::string_view& line) {
  if (position_ >= contents_.size()) return false;
  const size_t start = position_;
  // A plain loop: find_first_of calls memchr on its set for every character of a large file.
  size_t end = start;
  while (end < contents_.size() && contents_[end] != '\n' && contents_[end] != '\r') ++end;
  if (end == contents_.size()) {
    position_ = end;
  } else if (contents_[end] == '\r' && end + 1 < contents_.size() && contents_[end + 1] == '\n') {
    position_ = end + 2;
  } else {
    position_ = end + 1;
  }
  ++lineNumber_;
  line = std::string_view(contents_).substr(start, end - start);
  if (std::memchr(line.data(), '\0', line.size()) != nullptr) {
    throw core::repackager_exception(platform::Format(
        "Can't read file '%s': line %zu holds a NUL byte, so the file is not ANSI text.",
        fileName_.c_str(), lineNumber_));
  }
  return true;
}

std::string ReadCapturedFile(const std::string& path) {
  std::string contents;
  if (!platform::ReadFile(platform::ResolveHostPath(path), &contents)) {
    const std::string text = core::FormatString(kCantOpenFile, path.c_str());
    core::LogTrace(core::kTraceGeneral, "%s", text.c_str());
    throw core::repackager_exception(text);
  }
  return contents;
}

}  // namespace capture
