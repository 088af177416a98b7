#include "mappers/prog_id_mapper.h"

#include "capture/path_translation.h"
#include "core/cancellation.h"
#include "core/messages.h"
#include "core/string_table.h"
#include "project/msi_record.h"

namespace mappers {
namespace {

constexpr int kUndefinedClass = 22105;
constexpr int kUndefinedIconFile = 22108;
constexpr int kNoFileAssociated = 22109;
constexpr int kIconNeedsVerb = 22111;
constexpr int kMissingClsid = 22115;
constexpr const char* kClassesRoot = "HKEY_CLASSES_ROOT\\";

void Warn(int id, const std::string& first, const std::string& second = "") {
  core::LogMessage(core::kWarning, core::FormatString(id, first.c_str(), second.c_str()));
}

}  // namespace

bool IsProgIdName(const std::string& name) {
  if (name.empty() || name.front() == '.') return false;
  for (const char* reserved : {"CLSID", "TypeLib", "Interface", "Licenses", "AppId", "Component Categories",
                               "MIME", "Software"})
    if (platform::EqualsNoCase(name, reserved)) return false;
  return true;
}

KeyPosition ProgIdMapper::MapRegistry(KeyPosition start) {
  MapCurrentVersions(start);
  MapVersionIndependentNames(start);
  MapClasses(start);
  MapShellCommands(start);
  MapDefaultIcons(start);
  return start;
}

// HKEY_CLASSES_ROOT\<version-independent ProgID>\CurVer names the versioned ProgID.
void ProgIdMapper::MapCurrentVersions(KeyPosition start) {
  KeyPattern("HKEY_CLASSES_ROOT\\\\CurVer").ForEach(Keys(), start, [&](capture::RegKey& key, const Captures& captures) {
    core::TestCancel();
    const std::string& viProgId = captures[0];
    std::string progId;
    if (!IsProgIdName(viProgId) || !GetValueData(start, key.FullPath(), "@", progId, false)) return;
    // A ProgID that is its own current version has no version-independent form.
    if (progId.empty() || platform::EqualsNoCase(progId, viProgId)) return;
    capture::LinkVersionIndependent(progId, viProgId);
    AddVersionIndependent(start, progId, viProgId, key.FullPath());
  });
}

// CLSID\{X}\VersionIndependentProgID names the version-independent form of the class's ProgID.
void ProgIdMapper::MapVersionIndependentNames(KeyPosition start) {
  const KeyPattern pattern("HKEY_CLASSES_ROOT\\CLSID\\\\VersionIndependentProgID");
  pattern.ForEach(Keys(), start, [&](capture::RegKey& key, const Captures& captures) {
    core::TestCancel();
    std::string viProgId;
    if (!capture::HasClsidProgId(captures[0]) || !GetValueData(start, key.FullPath(), "@", viProgId, false)) return;
    const std::string progId = capture::GetClsidProgId(captures[0]);
    if (viProgId.empty() || progId.empty() || platform::EqualsNoCase(progId, viProgId)) return;
    if (!capture::HasVersionIndependent(progId)) {
      capture::LinkVersionIndependent(progId, viProgId);
      AddVersionIndependent(start, progId, viProgId, key.FullPath());
    } else if (platform::EqualsNoCase(capture::GetVersionIndependent(progId), viProgId)) {
      // Named by CurVer already: the installer writes this value from the same ProgId rows.
      records_[viProgId].consumed.emplace_back(key.FullPath(), "@");
    }
  });
}

void ProgIdMapper::AddVersionIndependent(KeyPosition start, const std::string& progId,
                                         const std::string& viProgId, const std::string& consumedKey) {
  ProgIdRecord& record = records_[viProgId];
  record.progId = progId;
  record.viProgId = viProgId;
  record.consumed.emplace_back(consumedKey, "@");
  Describe(start, record, viProgId);
}

// HKEY_CLASSES_ROOT\<ProgID>\CLSID names the class; the ProgID joins the class's component.
void ProgIdMapper::MapClasses(KeyPosition start) {
  KeyPattern("HKEY_CLASSES_ROOT\\\\CLSID").ForEach(Keys(), start, [&](capture::RegKey& key, const Captures& captures) {
    core::TestCancel();
    const std::string& name = captures[0];
    std::string clsid;
    if (!IsProgIdName(name) || !GetValueData(start, key.FullPath(), "@", clsid, false) || clsid.empty()) return;
    const ComponentRef component = capture::GetComponentFor(clsid);
    if (!component) {
      if (ComMapping()) Warn(kUndefinedClass, name, clsid);
      return;
    }
    GiveComponentToRegistration(kClassesRoot + name, component);
    ProgIdRecord& record = RecordFor(name);
    TakeComponent(record, name, component);
    record.consumed.emplace_back(key.FullPath(), "@");
    Describe(start, record, name);
    if (!record.viProgId.empty()) return;  // the version-independent form names its class too
    record.clsid = clsid;
    if (!capture::HasClsidProgId(clsid)) capture::SetClsidProgId(clsid, name);
    GetValueData(start, kClassesRoot + name + "\\DefaultIcon", "@", record.defaultIcon, false);
  });
}

// ProgIDs of file associations: their shell commands name a captured program.
void ProgIdMapper::MapShellCommands(KeyPosition start) {
  const KeyPattern pattern("HKEY_CLASSES_ROOT\\\\shell\\\\command");
  pattern.ForEach(Keys(), start, [&](capture::RegKey& key, const Captures& captures) {
    core::TestCancel();
    const std::string& name = captures[0];
    std::string command, program, arguments;
    if (!IsProgIdName(name) || !GetValueData(start, key.FullPath(), "@", command, false)) return;
    capture::SplitCommandLine(command, program, arguments);
    const ComponentRef component = ComponentOfFile(program);
    if (!component) return;
    ProgIdRecord& record = RecordFor(name);
    if (!record.component) GiveComponentToRegistration(kClassesRoot + name, component);
    TakeComponent(record, name, component);
    Describe(start, record, name);
  });
}

void ProgIdMapper::MapDefaultIcons(KeyPosition start) {
  const KeyPattern pattern("HKEY_CLASSES_ROOT\\\\DefaultIcon");
  pattern.ForEach(Keys(), start, [&](capture::RegKey& key, const Captures& captures) {
    core::TestCancel();
    const std::string& name = captures[0];
    std::string value, file;
    int32_t index = 0;
    if (!IsProgIdName(name) || !GetValueData(start, key.FullPath(), "@", value, false) || value.empty()) return;
    SplitIconValue(value, file, index);
    const ComponentRef component = ComponentOfFile(file);
    if (!component) {
      if (ComMapping()) Warn(kUndefinedIconFile, name, file);
      return;
    }
    ProgIdRecord& record = RecordFor(name);
    if (record.viProgId.empty()) record.defaultIcon = value;
    if (!record.component) GiveComponentToRegistration(kClassesRoot + name, component);
    TakeComponent(record, name, component);
    Describe(start, record, name);
  });
}

ProgIdRecord& ProgIdMapper::RecordFor(const std::string& name) {
  auto [found, created] = records_.try_emplace(name);
  if (created) found->second.progId = name;
  return found->second;
}

void ProgIdMapper::Describe(KeyPosition start, ProgIdRecord& record, const std::string& name) {
  if (!record.description.empty()) return;
  if (GetValueData(start, kClassesRoot + name, "@", record.description, false) && !record.description.empty())
    record.consumed.emplace_back(kClassesRoot + name, "@");
}

void ProgIdMapper::TakeComponent(ProgIdRecord& record, const std::string& name, const ComponentRef& component) {
  if (!record.component) record.component = component;
  capture::SetProgIdComponent(name, record.component);
}

void ProgIdMapper::WriteProgIdTable() {
  if (!ComMapping()) return;
  std::vector<std::string> keys;
  keys.reserve(records_.size());
  for (const auto& [key, record] : records_) keys.push_back(key);
  for (const std::string& key : keys) {
    core::TestCancel();
    ProgIdRecord& record = records_.at(key);
    if (!WriteRecord(record) || record.viProgId.empty() || records_.count(record.progId)) continue;
    // The parent of a version-independent row needs a row of its own.
    ProgIdRecord& parent = records_[record.progId];
    parent.progId = record.progId;
    parent.component = record.component;
    WriteRecord(parent);
  }
}

bool ProgIdMapper::WriteRecord(ProgIdRecord& record) {
  const std::string& progId = record.progId;
  if (progId.empty()) return false;
  const bool versionIndependent = !record.viProgId.empty();
  if (!versionIndependent && record.clsid.empty() && record.defaultIcon.empty() &&
      !capture::HasProgIdExtension(progId) && !capture::IsProgIdOfSomeClsid(progId)) {
    Drop(record);
    return false;
  }
  if (!record.component && capture::HasProgIdComponent(progId)) record.component = capture::GetProgIdComponent(progId);
  if (!record.component) {
    Drop(record);
    return false;
  }
  capture::SetProgIdComponent(progId, record.component);

  const std::string rowKey = versionIndependent ? record.viProgId : progId;
  std::string iconKey;
  int32_t iconIndex = 0;
  if (!versionIndependent && !record.defaultIcon.empty()) {
    if (capture::HasProgIdWithVerbs(progId)) iconKey = IconKeyOf(record, iconIndex);
    if (iconKey.empty()) KeepIconInRegistry(record);
    if (!capture::HasProgIdWithVerbs(progId) && !capture::IsProgIdOfSomeClsid(progId) && record.clsid.empty())
      Warn(kMissingClsid, progId);
  }
  {
    project::MSIRecord row(project_, "ProgId");
    row.SetField(1, rowKey);
    if (versionIndependent) row.SetField(2, progId);
    if (!versionIndependent && !record.clsid.empty()) row.SetField(3, platform::ToUpper(record.clsid));
    if (!record.description.empty()) row.SetField(4, record.description);
    if (!iconKey.empty()) {
      row.SetField(5, iconKey);
      row.SetField(6, iconIndex);
    }
  }
  for (const auto& [keyName, valueName] : record.consumed) MarkMapped(keyName, valueName);
  if (!iconKey.empty()) MarkMapped(kClassesRoot + progId + "\\DefaultIcon", "@");
  core::LogTrace(core::kTraceGeneral,
                 "ProgID created: ProgId = '%s' VersionIndependent = '%s' CLSID='%s' for component '%s'",
                 progId.c_str(), record.viProgId.c_str(), record.clsid.c_str(),
                 ComponentName(record.component).c_str());
  return true;
}

// A dropped ProgID leaves every value it stands for in the Registry table.
void ProgIdMapper::Drop(const ProgIdRecord& record) {
  KeepIconInRegistry(record);
  if (warnedOrphans_.insert(record.progId).second) Warn(kNoFileAssociated, record.progId);
}

void ProgIdMapper::KeepIconInRegistry(const ProgIdRecord& record) {
  if (record.defaultIcon.empty()) return;
  if (FindValue(Begin(), kClassesRoot + record.progId + "\\DefaultIcon", "@")) Warn(kIconNeedsVerb, record.progId);
}

// The Icon row of the ProgID's default icon, when the icon file is a captured file.
std::string ProgIdMapper::IconKeyOf(const ProgIdRecord& record, int32_t& index) {
  std::string file;
  SplitIconValue(record.defaultIcon, file, index);
  const std::string sourcePath = SourcePathOfFile(file);
  return sourcePath.empty() ? std::string() : content_.iconKey(sourcePath, index);
}

}  // namespace mappers
