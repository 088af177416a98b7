#include "mappers/extension_mapper.h"

#include "capture/path_translation.h"
#include "core/cancellation.h"
#include "core/messages.h"
#include "core/string_table.h"
#include "project/msi_record.h"

namespace mappers {
namespace {

constexpr int kUndefinedProgId = 22101;
constexpr const char* kClassesRoot = "HKEY_CLASSES_ROOT\\";
constexpr const char* kMimeDatabase = "HKEY_CLASSES_ROOT\\MIME\\Database\\Content Type\\";

void Warn(const std::string& text) {
  if (ComMapping()) core::LogMessage(core::kWarning, text);
}

std::string Quoted(const char* format, const std::string& first, const std::string& second = "") {
  return platform::Format(format, first.c_str(), second.c_str());
}

}  // namespace

KeyPosition ExtensionMapper::MapRegistry(KeyPosition start) {
  KeyPattern("HKEY_CLASSES_ROOT\\.").ForEach(Keys(), start, [&](capture::RegKey& key, const Captures&) {
    core::TestCancel();
    // The extension key itself: one component below the root, more than the "." alone.
    const std::string name = key.FullPath().substr(std::string(kClassesRoot).size());
    if (name.size() > 1 && name.find('\\') == std::string::npos) MapExtension(start, key, name);
  });
  ReadMimeDatabase(start);
  if (ComMapping()) {
    WriteExtensionTable();
    WriteMimeTable();
  }
  return start;
}

const ExtensionRecord* ExtensionMapper::Find(const std::string& extension) const {
  auto found = extensions_.find(extension);
  return found == extensions_.end() ? nullptr : &found->second;
}

// The first rule that applies decides: the program of a shell command of the extension, its
// ProgID, its class.
void ExtensionMapper::MapExtension(KeyPosition start, capture::RegKey& key, const std::string& name) {
  std::string progId, clsid;
  GetValueData(start, key.FullPath(), "@", progId, false);
  bool decided = false;
  ComponentRef component = ComponentOfVerbCommand(start, name, &decided);
  if (!decided && !progId.empty()) component = ComponentOfProgId(name, progId, &decided);
  if (!decided && GetValueData(start, key.FullPath(), "CLSID", clsid, false)) {
    decided = true;
    component = capture::GetComponentFor(clsid);
    if (!component)
      Warn(Quoted("Registry entries for file extension '%s' will remain in the Registry table because CLSID "
                  "value '%s' does not have a component associated with it",
                  name, clsid));
  }
  if (!decided)
    Warn(Quoted("Registry entries for file extension '%s' will remain in the Registry table because no "
                "ProgId, CLSID, or shell verb was associated with it",
                name));
  if (!component) return;

  const std::string extension = name.substr(1);
  ExtensionRecord& record = extensions_[extension];
  record.progId = progId;
  record.component = component;
  GetValueData(start, key.FullPath(), "Content Type", record.contentType, false);
  if (!progId.empty()) capture::LinkProgIdExtension(progId, extension);
  GiveComponentToRegistration(key.FullPath(), component);
  MarkMapped(key.FullPath(), "@");
}

ComponentRef ExtensionMapper::ComponentOfVerbCommand(KeyPosition start, const std::string& name, bool* decided) {
  const KeyPattern pattern(kClassesRoot + name + "\\shell\\\\command");
  Captures captures;
  const KeyPosition verb = pattern.FindNext(Keys(), start, &captures);
  if (verb == Keys().end()) return {};
  *decided = true;
  std::string command, program, arguments;
  GetValueData(start, verb->first, "@", command, false);
  capture::SplitCommandLine(command, program, arguments);
  ComponentRef component = ComponentOfFile(program);
  if (!component)
    Warn(Quoted("Registry entries for file extension '%s' will remain in the Registry table because a "
                "component for the verb command '%s' does not exist",
                name, command));
  return component;
}

// The component of the ProgID's version-independent form; a ProgID that has none (a plain
// "VBSFile") lends its own.
ComponentRef ExtensionMapper::ComponentOfProgId(const std::string& name, const std::string& progId, bool* decided) {
  if (!capture::IsProgIdOfSomeClsid(progId) && !capture::HasProgIdComponent(progId)) {
    Warn(core::FormatString(kUndefinedProgId, name.c_str(), progId.c_str()));
    return {};
  }
  *decided = true;
  if (!capture::HasVersionIndependent(progId)) {
    core::LogTrace(core::kTraceGeneral,
                   "File extension '%s' takes the component of ProgID '%s', which has no "
                   "version-independent form",
                   name.c_str(), progId.c_str());
    return capture::GetProgIdComponent(progId);
  }
  const std::string viProgId = capture::GetVersionIndependent(progId);
  ComponentRef component = capture::HasProgIdComponent(viProgId) ? capture::GetProgIdComponent(viProgId) : ComponentRef();
  if (!component)
    Warn(Quoted("Registry entries for file extension '%s' will remain in the Registry table because a "
                "component for the version-independent progid '%s' does not exist",
                name, viProgId));
  return component;
}

// Content types of the MIME database and of the extensions. A content type is tied to an
// extension that has a row, where there is one.
void ExtensionMapper::ReadMimeDatabase(KeyPosition start) {
  const KeyPattern pattern(std::string(kMimeDatabase) + "\\");
  pattern.ForEach(Keys(), start, [&](capture::RegKey& key, const Captures& captures) {
    core::TestCancel();
    MimeRecord& record = mimeTypes_[captures[0]];
    record.databaseKey = key.FullPath();
    std::string extension;
    if (GetValueData(start, key.FullPath(), "Extension", extension, false) && extension.size() > 1 &&
        extension.front() == '.')
      record.extension = record.databaseExtension = extension.substr(1);
    GetValueData(start, key.FullPath(), "CLSID", record.clsid, false);
  });
  for (const auto& [extension, record] : extensions_) {
    if (record.contentType.empty()) continue;
    MimeRecord& mime = mimeTypes_[record.contentType];
    if (mime.extension.empty() || !Find(mime.extension)) mime.extension = extension;
  }
}

void ExtensionMapper::WriteExtensionTable() {
  for (const auto& [extension, record] : extensions_) {
    core::TestCancel();
    project::MSIRecord row(project_, "Extension");
    row.SetField(1, extension);
    row.SetField(2, ComponentName(record.component));
    if (!record.progId.empty()) row.SetField(3, record.progId);
    if (!record.contentType.empty()) row.SetField(4, record.contentType);
    row.SetField(5, FeatureOfComponent(project_, record.component));
  }
}

void ExtensionMapper::WriteMimeTable() {
  for (const auto& [contentType, mime] : mimeTypes_) {
    core::TestCancel();
    const ExtensionRecord* extension = Find(mime.extension);
    if (!extension) continue;
    if (!extension->contentType.empty() && !platform::EqualsNoCase(extension->contentType, contentType)) {
      Warn(Quoted("Registry entries for mime type '%s' will remain in the Registry table because the "
                  "associated extension '.%s' was already created for a different mime type.",
                  contentType, mime.extension));
      continue;
    }
    // The class column names a row of the Class table: only a class that was mapped.
    const bool mappedClass = !mime.clsid.empty() && capture::HasComponentFor(mime.clsid);
    {
      project::MSIRecord row(project_, "MIME");
      row.SetField(1, contentType);
      row.SetField(2, mime.extension);
      if (mappedClass) row.SetField(3, platform::ToUpper(mime.clsid));
    }
    if (!extension->contentType.empty()) MarkMapped(kClassesRoot + ("." + mime.extension), "Content Type");
    if (!mime.databaseKey.empty()) {
      if (platform::EqualsNoCase(mime.databaseExtension, mime.extension)) MarkMapped(mime.databaseKey, "Extension");
      if (mappedClass) MarkMapped(mime.databaseKey, "CLSID");
    }
  }
}

}  // namespace mappers
