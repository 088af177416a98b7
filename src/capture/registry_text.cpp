#include "capture/registry_text.h"

#include "capture/folder_rules.h"
#include "capture/formatted_text.h"
#include "capture/knowledge_base.h"
#include "capture/path_translation.h"
#include "capture/registry_model.h"
#include "platform/codepage.h"
#include "platform/text.h"
#include "project/check_hr.h"

namespace capture {
namespace {

constexpr std::string_view kShortMarker = "_Short(";

bool FileNameMatches(const std::string& fileNames, const std::string& fileName) {
  // "short|long" or one name.
  const size_t bar = platform::FindCharacter(fileNames, '|');
  if (bar == std::string::npos) return platform::EqualsNoCase(fileNames, fileName);
  return platform::EqualsNoCase(std::string_view(fileNames).substr(bar + 1), fileName) ||
         platform::EqualsNoCase(std::string_view(fileNames).substr(0, bar), fileName);
}

}  // namespace

// The File key of a captured file: the File of that captured file's component that has its
// name; empty when the package installs no such file.
std::string FileKeyFor(const std::string& path) {
  const qv::ComPtr<qv::IFile> file = CapturedFileNamed(path);
  std::string key;
  if (!file || qv::Failed(CHECK_HR(file->GetKey(&key)))) return {};
  return platform::Utf8ToAnsi(key);
}

namespace {

// "_Short(path)" becomes "[!FileKey]" where the file is known. Returns whether any did.
bool ReplaceShortMarkers(std::string& text) {
  bool replaced = false;
  std::string result;
  size_t copied = 0;
  size_t from = 0;
  for (size_t at = text.find(kShortMarker, from); at != std::string::npos;
       at = text.find(kShortMarker, from)) {
    const size_t pathStart = at + kShortMarker.size();
    const size_t close = text.find(')', pathStart);
    if (close == std::string::npos) break;
    const std::string key = FileKeyFor(text.substr(pathStart, close - pathStart));
    from = key.empty() ? pathStart : close + 1;
    if (key.empty()) continue;
    result.append(text, copied, at - copied);
    result += "[!" + key + "]";
    copied = close + 1;
    replaced = true;
  }
  if (replaced) text = result.append(text, copied);
  return replaced;
}

// A directory property already ends with a separator: "[INSTALLDIR]\" would install as a
// doubled one. The value the capture held ("...\App\") is "[INSTALLDIR]" alone.
void DropSeparatorAfterFolder(std::string& text) {
  if (text.size() < 3 || text.back() != '\\' || text[text.size() - 2] != ']') return;
  const size_t open = text.rfind('[', text.size() - 2);
  if (open == std::string::npos) return;
  if (IsFolderReference(text.substr(open, text.size() - 1 - open))) text.pop_back();
}

bool IsTextType(int type) {
  return type == kString || type == kMultiStringHex || type == kExpandStringHex ||
         type == kMultiStringList;
}

}  // namespace

// The knowledge base holds captured files by their installed path ("[INSTALLDIR]app.exe"), a
// value names them as the capture does ("%ProgramFilesFolder%\App\app.exe"): its folder is
// translated the way the files' folders were.
ComponentRef ComponentOfNamedFile(const std::string& path) {
  if (ComponentRef component = GetComponentFor(path)) return component;
  const size_t separator = platform::FindLastCharacter(path, '\\');
  if (separator == std::string::npos) return {};
  std::string folder = path.substr(0, separator);
  ToInstallerFolder(folder, true, false);
  return GetComponentFor(folder + path.substr(separator + 1));
}

// Among the files of the component that the knowledge base holds for the path, the one of the
// same name.
qv::ComPtr<qv::IFile> CapturedFileNamed(const std::string& path) {
  const ComponentRef component = ComponentOfNamedFile(path);
  if (!component) return {};
  // "[INSTALLDIR]app.exe" names app.exe as "%ProgramFilesFolder%\\App\\app.exe" does.
  const size_t separator = platform::FindLastOfCharacters(path, "\\]");
  const std::string fileName = separator == std::string::npos ? path : path.substr(separator + 1);
  qv::ComPtr<qv::IFileCollection> files;
  if (qv::Failed(CHECK_HR(component->GetFiles(files.Put()))) || !files) return {};
  int32_t count = 0;
  if (qv::Failed(CHECK_HR(files->GetCount(&count)))) return {};
  for (int32_t i = 0; i < count; ++i) {
    qv::ComPtr<qv::IFile> file;
    std::string names;
    if (qv::Failed(CHECK_HR(files->Item(i, file.Put()))) || !file ||
        qv::Failed(CHECK_HR(file->GetFileName(&names))))
      continue;
    if (FileNameMatches(platform::Utf8ToAnsi(names), fileName)) return file;
  }
  return {};
}

std::string GetRegistryTableValue(const RegValue& value) {
  std::string text = value.Data();
  if (IsTextType(value.Type()) && !text.starts_with("[\\{]") && !ReplaceShortMarkers(text)) {
    const bool endedWithBackslash = !text.empty() && text.back() == '\\';
    ConvertEmbeddedPaths(text, true, true);
    if (!endedWithBackslash && !text.empty() && text.back() == '\\') text.pop_back();
    DropSeparatorAfterFolder(text);
    if (value.Type() == kMultiStringHex) text = "[~]" + text;
  }
  return std::string(value.Prefix()) + text;
}

}  // namespace capture
