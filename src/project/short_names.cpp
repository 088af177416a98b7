// 8.3 short names.
#include "project/short_names.h"

#include <cctype>
#include <string_view>

#include "platform/codepage.h"

namespace project {

namespace {

constexpr size_t kShortBaseLength = 8;
constexpr size_t kShortExtensionLength = 3;
constexpr size_t kNumberedStemLength = 6;

// Characters that never stay in a short name.
constexpr std::string_view kDroppedCharacters = ". '\\?|><:/*+,;=[]";
// Characters besides ASCII letters and digits that every file system takes in a short name.
constexpr std::string_view kStrictExtraCharacters = "$%'-_@~`!(){}^#&";

std::string FileNamePart(const std::string& longName) {
  const size_t separator = platform::FindLastCharacter(longName, '\\');
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

// A double-byte character is kept whole: its trail byte may look like a dropped character.
std::string DropCharacters(const std::string& text) {
  std::string kept;
  for (size_t i = 0; i < text.size();) {
    const size_t length = platform::CharacterLength(text, i);
    if (length > 1 || kDroppedCharacters.find(text[i]) == std::string_view::npos) kept.append(text, i, length);
    i += length;
  }
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

std::string WithExtension(const std::string& base, const std::string& extension) {
  return extension.empty() ? base : base + "." + extension;
}

// A file name that is its own short name: a base of 1 to 8 and an extension of at most 3
// characters, none of which a short name drops.
bool IsShortName(const std::string& fileName) {
  const std::string base = WithoutExtension(fileName), extension = ExtensionOf(fileName);
  const bool hasDot = fileName.find('.') != std::string::npos;
  return !base.empty() && base.size() <= kShortBaseLength && extension.size() <= kShortExtensionLength &&
         (!hasDot || !extension.empty()) && DropCharacters(base) == base && DropCharacters(extension) == extension;
}

// "stem~n.ext" with the first n that is free in the folder (the stem shortened as the number
// grows), registered there.
std::string NumberedName(const std::string& cleanedBase, const std::string& extension, const std::string& folder) {
  const std::string stem = cleanedBase.substr(0, kNumberedStemLength);
  long& next = ShortNames().NextNumber(folder, WithExtension(stem, extension));
  for (long n = next;; ++n) {
    const std::string suffix = platform::Format("~%li", n);
    std::string front = stem;
    while (!front.empty() && front.size() + suffix.size() > kShortBaseLength) front.pop_back();
    const std::string candidate = WithExtension(front + suffix, extension);
    if (!ShortNames().Contains(folder, candidate)) {
      ShortNames().Add(folder, candidate);
      next = n + 1;
      return candidate;
    }
  }
}

// The name itself when it is a short name still free in the folder, else a numbered one.
std::string ShortNameFrom(const std::string& fileName, const std::string& cleanedBase,
                          const std::string& cleanedExtension, const std::string& folder) {
  if (IsShortName(fileName) && !ShortNames().Contains(folder, fileName)) {
    ShortNames().Add(folder, fileName);
    return fileName;
  }
  return NumberedName(cleanedBase, cleanedExtension.substr(0, kShortExtensionLength), folder);
}

std::string JoinShortLong(const std::string& shortName, const std::string& longName) {
  if (platform::EqualsNoCase(shortName, longName)) return longName;
  return shortName + "|" + longName;
}

bool HasWildcard(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

}  // namespace

ShortNameRegistry& ShortNames() {
  static ShortNameRegistry registry;
  return registry;
}

std::string MakeShortName(const std::string& longName, const std::string& folder) {
  const std::string fileName = FileNamePart(longName);
  return ShortNameFrom(fileName, DropCharacters(WithoutExtension(fileName)), DropCharacters(ExtensionOf(fileName)),
                       folder);
}

std::string MakeShortExtension(const std::string& longName) {
  return ExtensionOf(FileNamePart(longName)).substr(0, kShortExtensionLength);
}

std::string InstallerFileName(const std::string& longName, const std::string& folder) {
  if (longName.empty() || HasWildcard(longName)) return longName;
  return JoinShortLong(MakeShortName(longName, folder), longName);
}

std::string StrictInstallerFileName(const std::string& longName, const std::string& folder) {
  if (longName.empty() || HasWildcard(longName)) return longName;
  const std::string fileName = FileNamePart(longName);
  std::string base = StrictCharacters(WithoutExtension(fileName));
  if (base.empty()) base.push_back('_');
  const std::string extension = StrictCharacters(ExtensionOf(fileName));
  const std::string strictName = WithExtension(base, extension.substr(0, kShortExtensionLength));
  return JoinShortLong(ShortNameFrom(strictName, base, extension, folder), longName);
}

std::string RemovedFileName(const std::string& longName) {
  if (longName.empty() || HasWildcard(longName)) return longName;
  const std::string fileName = FileNamePart(longName);
  if (IsShortName(fileName)) return fileName;
  std::string stem = DropCharacters(WithoutExtension(fileName)).substr(0, kNumberedStemLength);
  const std::string extension = DropCharacters(ExtensionOf(fileName)).substr(0, kShortExtensionLength);
  std::string form = JoinShortLong(WithExtension(stem + "~1", extension), longName);
  if (!HasValidShortPart(form)) {
    stem = StrictCharacters(WithoutExtension(fileName)).substr(0, kNumberedStemLength);
    form = JoinShortLong(WithExtension(stem + "~1", StrictCharacters(extension)), longName);
  }
  return form;
}

bool HasValidShortPart(const std::string& fileNameForm) {
  const size_t bar = platform::FindCharacter(fileNameForm, '|');
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

}  // namespace project
