// 8.3 short names.
#include "shortcuts/short_names.h"

#include <cctype>
#include <string_view>

namespace shortcuts {

namespace {

constexpr size_t kShortBaseLength = 8;
constexpr size_t kShortExtensionLength = 3;
constexpr size_t kNumberedStemLength = 6;

// Characters that never stay in a short name.
constexpr std::string_view kDroppedCharacters = ". '\\?|><:/*+,;=[]";
// Characters besides ASCII letters and digits that every file system takes in a short name.
constexpr std::string_view kStrictExtraCharacters = "$%'-_@~`!(){}^#&";

std::string FileNamePart(const std::string& longName) {
  const size_t separator = longName.rfind('\\');
  return separator == std::string::npos ? longName : longName.substr(separator + 1);
}

std::string WithoutExtension(const std::string& fileName) {
  const size_t dot = fileName.rfind('.');
  return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

std::string ExtensionOf(const std::string& fileName) {
  const size_t dot = fileName.rfind('.');
  return dot == std::string::npos ? std::string() : fileName.substr(dot + 1);
}

std::string DropCharacters(const std::string& text) {
  std::string kept;
  for (char c : text)
    if (kDroppedCharacters.find(c) == std::string_view::npos) kept += c;
  return kept;
}

// Characters outside the strict set become '_'; blanks and dots go.
std::string StrictCharacters(const std::string& text) {
  std::string kept;
  for (char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == ' ' || c == '.') continue;
    if (u < 0x80 && (std::isalnum(u) || kStrictExtraCharacters.find(c) != std::string_view::npos))
      kept += c;
    else
      kept += '_';
  }
  return kept;
}

// A cleaned base of at most 8 characters as it is; a longer one numbered "~n" and registered.
std::string ShortBaseFrom(const std::string& cleaned) {
  if (cleaned.size() <= kShortBaseLength) return cleaned;
  const std::string stem = cleaned.substr(0, kNumberedStemLength);
  long& next = ShortNames().NextNumber(stem);
  for (long n = next;; ++n) {
    const std::string suffix = platform::Format("~%li", n);
    std::string front = stem;
    while (!front.empty() && front.size() + suffix.size() > kShortBaseLength) front.pop_back();
    const std::string candidate = front + suffix;
    if (!ShortNames().Contains(candidate)) {
      ShortNames().Add(candidate);
      next = n + 1;
      return candidate;
    }
  }
}

std::string JoinShortLong(const std::string& shortBase, const std::string& extension,
                          const std::string& longName) {
  const std::string shortName = extension.empty() ? shortBase : shortBase + "." + extension;
  if (platform::EqualsNoCase(shortName, longName)) return longName;
  return shortName + "|" + longName;
}

bool HasWildcard(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

}  // namespace

ShortNameRegistry& ShortNames() {
  static ShortNameRegistry registry;
  return registry;
}

std::string MakeShortName(const std::string& longName) {
  return ShortBaseFrom(DropCharacters(WithoutExtension(FileNamePart(longName))));
}

std::string MakeShortExtension(const std::string& longName) {
  return ExtensionOf(FileNamePart(longName)).substr(0, kShortExtensionLength);
}

std::string InstallerFileName(const std::string& longName) {
  if (longName.empty() || HasWildcard(longName)) return longName;
  return JoinShortLong(MakeShortName(longName), MakeShortExtension(longName), longName);
}

std::string StrictInstallerFileName(const std::string& longName) {
  if (longName.empty() || HasWildcard(longName)) return longName;
  const std::string fileName = FileNamePart(longName);
  std::string base = StrictCharacters(WithoutExtension(fileName));
  if (base.empty()) base.push_back('_');
  const std::string extension =
      StrictCharacters(ExtensionOf(fileName)).substr(0, kShortExtensionLength);
  return JoinShortLong(ShortBaseFrom(base), extension, longName);
}

bool HasValidShortPart(const std::string& fileNameForm) {
  const size_t bar = fileNameForm.find('|');
  if (bar == std::string::npos) return true;
  const std::string shortName = fileNameForm.substr(0, bar);
  const size_t dot = shortName.find('.');
  const std::string base = shortName.substr(0, dot);
  const std::string extension = dot == std::string::npos ? std::string() : shortName.substr(dot + 1);
  if (base.empty() || base.size() > kShortBaseLength || extension.size() > kShortExtensionLength ||
      (dot != std::string::npos && extension.empty()))
    return false;
  return StrictCharacters(base) == base && StrictCharacters(extension) == extension;
}

}  // namespace shortcuts
