#include "platform/windows_names.h"

#include <string_view>

#include "platform/codepage.h"
#include "platform/text.h"

namespace platform {
namespace {

constexpr size_t kMaxNameLength = 255;
constexpr std::string_view kForbiddenCharacters = "<>:\"/\\|?*";

bool IsControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

}  // namespace

bool IsReservedDeviceName(const std::string& name) {
  // The device name counts with any extension and with blanks before the dot ("nul .txt").
  std::string stem = ToUpper(name.substr(0, name.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return true;
  return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) && stem[3] >= '1' &&
         stem[3] <= '9';
}

namespace {

std::string NameFault(const std::string& name, std::string_view forbidden) {
  // A trail byte of a double-byte character may look like '\' or '|': only characters count.
  for (size_t i = 0; i < name.size(); i += CharacterLength(name, i)) {
    const char c = name[i];
    if (IsControl(c)) return "holds a control character";
    if (forbidden.find(c) != std::string_view::npos)
      return Format("holds '%c', which no Windows file name may hold", c);
  }
  if (IsReservedDeviceName(name)) return "is a device name of Windows";
  if (name.size() > kMaxNameLength) return Format("is longer than %zu characters", kMaxNameLength);
  return std::string();
}

}  // namespace

std::string WindowsNameFault(const std::string& name) { return NameFault(name, kForbiddenCharacters); }

std::string RemovedNameFault(const std::string& name) { return NameFault(name, "<>:\"/\\|"); }

std::string FolderNameFault(const std::string& folderPath) {
  size_t start = 0;
  if (folderPath.starts_with('[')) {
    const size_t closing = FindCharacter(folderPath, ']');
    start = closing == std::string::npos ? 0 : closing + 1;
  } else if (folderPath.size() >= 2 && folderPath[1] == ':') {
    start = 2;
  }
  while (start < folderPath.size()) {
    size_t end = FindCharacter(folderPath, '\\', start);
    if (end == std::string::npos) end = folderPath.size();
    const std::string name = folderPath.substr(start, end - start);
    if (!name.empty()) {
      if (const std::string fault = WindowsNameFault(name); !fault.empty()) return "'" + name + "' " + fault;
    }
    start = end + 1;
  }
  return std::string();
}

std::string InstallPathFault(const std::string& folderPath, const std::string& name) {
  if (const std::string fault = WindowsNameFault(name); !fault.empty()) return "its name " + fault;
  if (const std::string fault = FolderNameFault(folderPath); !fault.empty()) return "its folder " + fault;
  return std::string();
}

std::string PlainFileName(const std::string& name, const std::string& fallback) {
  std::string plain = name;
  for (size_t i = 0; i < plain.size(); ++i) {
    const bool inDotRun = name[i] == '.' && ((i + 1 < name.size() && name[i + 1] == '.') ||
                                             (i > 0 && name[i - 1] == '.'));
    if (IsControl(name[i]) || kForbiddenCharacters.find(name[i]) != std::string_view::npos || inDotRun)
      plain[i] = '_';
  }
  if (plain.empty() || plain == ".") return fallback;
  if (IsReservedDeviceName(plain)) plain += '_';
  return plain;
}

}  // namespace platform
