#include "mappers/type_lib_mapper.h"

#include <cstdlib>

#include "capture/capture_folder.h"
#include "core/cancellation.h"
#include "core/messages.h"
#include "core/string_table.h"
#include "platform/type_library.h"
#include "project/msi_record.h"

namespace mappers {
namespace {

constexpr int kUndefinedTypeLib = 22104;
constexpr int kTypeLibMismatch = 22112;
constexpr const char* kTypeLibRoot = "HKEY_CLASSES_ROOT\\TypeLib\\";

int32_t HexNumber(const std::string& text) {
  return static_cast<int32_t>(std::strtol(text.c_str(), nullptr, 16) & 0x7FFFFFFF);
}

std::string LibraryKey(const TypeLibRecord& record) { return kTypeLibRoot + record.guid + "\\" + record.version; }

}  // namespace

int32_t TypeLibVersionNumber(const std::string& version) {
  const size_t dot = version.find('.');
  if (dot == std::string::npos) return HexNumber(version);
  return (HexNumber(version.substr(0, dot)) << 8) + (HexNumber(version.substr(dot + 1)) & 0xFF);
}

KeyPosition TypeLibMapper::MapRegistry(KeyPosition start) {
  const KeyPattern pattern("HKEY_CLASSES_ROOT\\TypeLib\\\\\\\\win32");
  pattern.ForEach(Keys(), start, [&](capture::RegKey& key, const Captures& captures) {
    core::TestCancel();
    MapLibrary(start, key, captures);
  });
  if (ComMapping()) WriteTypeLibTable();
  if (MiscRegMapping()) MapInterfaces(start);
  return start;
}

void TypeLibMapper::MapLibrary(KeyPosition start, capture::RegKey& key, const Captures& captures) {
  const std::string guid = platform::ToUpper(captures[0]);
  std::string file;
  if (!GetValueData(start, key.FullPath(), "@", file, false)) return;
  // "lib.dll\3": the library is a resource of lib.dll; every resource is examined below.
  if (file.size() >= 3 && file[file.size() - 2] == '\\') file.resize(file.size() - 2);

  const ComponentRef component = ComponentOfFile(file);
  if (!component) {
    if (ComMapping())
      core::LogMessage(core::kWarning, core::FormatString(kUndefinedTypeLib, guid.c_str(), file.c_str()));
    return;
  }
  if (!FileHoldsLibrary(file, guid, captures[2])) {
    if (ComMapping())
      core::LogMessage(core::kWarning, core::FormatString(kTypeLibMismatch, guid.c_str()));
    return;
  }
  AddRecord({guid, captures[1], captures[2], component, key.FullPath()});
}

bool TypeLibMapper::FileHoldsLibrary(const std::string& file, const std::string& guid, const std::string& locale) {
  const std::string sourcePath = SourcePathOfFile(file);
  if (sourcePath.empty()) return false;
  const std::string hostPath = capture::HostPathOfSource(sourcePath);
  const uint32_t wantedLocale = static_cast<uint32_t>(HexNumber(locale));
  for (const platform::TypeLibraryAttributes& library : platform::LoadTypeLibraries(hostPath))
    if (platform::EqualsNoCase(library.guid, guid) && library.locale == wantedLocale) return true;
  return false;
}

// Two versions of one library in one component and language share the TypeLib table's key:
// the newer one is kept, the older one's registration stays in the Registry table.
void TypeLibMapper::AddRecord(TypeLibRecord record) {
  libraries_[record.guid] = record.component;
  auto key = std::make_tuple(record.guid, HexNumber(record.locale), ComponentName(record.component));
  auto [found, added] = records_.try_emplace(key, record);
  if (added) return;
  TypeLibRecord& kept = found->second;
  const bool newer = TypeLibVersionNumber(record.version) > TypeLibVersionNumber(kept.version);
  const std::string older = newer ? kept.version : record.version;
  const std::string newest = newer ? record.version : kept.version;
  if (ComMapping())
    core::LogMessage(core::kWarning,
                     platform::Format("Registry entries for version %s of typelib '%s' will remain in the Registry "
                                          "table because version %s of it is installed by the same component for the "
                                          "same language.",
                                          older.c_str(), record.guid.c_str(), newest.c_str()));
  if (newer) kept = std::move(record);
}

void TypeLibMapper::WriteTypeLibTable() {
  for (const auto& [key, record] : records_) {
    core::TestCancel();
    MarkMapped(record.win32Key, "@");
    const std::string componentName = ComponentName(record.component);
    core::LogTrace(core::kTraceGeneral, "Typelib created: guid='%s' component='%s' version='%s' locale='%s'",
                   record.guid.c_str(), componentName.c_str(), record.version.c_str(), record.locale.c_str());
    std::string description;
    const bool described = GetValueData(Begin(), LibraryKey(record), "@", description, true) && !description.empty();
    {
      project::MSIRecord row(project_, "TypeLib");
      row.SetField(1, record.guid);
      row.SetField(2, HexNumber(record.locale));
      row.SetField(3, componentName);
      row.SetField(4, TypeLibVersionNumber(record.version));
      if (described) row.SetField(5, description);
      row.SetField(7, FeatureOfComponent(project_, record.component));
      row.SetField(8, 0);
    }
    // The installer registers these with the library.
    MarkMapped(LibraryKey(record) + "\\HELPDIR", "@");
    MarkMapped(LibraryKey(record) + "\\FLAGS", "@");
    GiveComponentToRegistration(LibraryKey(record), record.component);
  }
}

// Interfaces that name a mapped library go with the library's component; registering the
// library writes their TypeLib value.
void TypeLibMapper::MapInterfaces(KeyPosition start) {
  const KeyPattern pattern("HKEY_CLASSES_ROOT\\Interface\\\\TypeLib");
  pattern.ForEach(Keys(), start, [&](capture::RegKey& key, const Captures& captures) {
    core::TestCancel();
    std::string guid;
    if (!GetValueData(start, key.FullPath(), "@", guid, false)) return;
    auto library = libraries_.find(guid);
    if (library == libraries_.end()) return;
    MarkMapped(key.FullPath(), "@");
    GiveComponentToKeys("HKEY_CLASSES_ROOT\\Interface\\" + captures[0], library->second);
  });
}

}  // namespace mappers
