#include "mappers/com_class_mapper.h"

#include "capture/capture_folder.h"
#include "capture/folder_rules.h"
#include "capture/formatted_text.h"
#include "core/cancellation.h"
#include "core/messages.h"
#include "core/string_table.h"
#include "platform/codepage.h"
#include "platform/icon_count.h"
#include "project/msi_record.h"
#include "project/vpx_writer.h"

namespace mappers {
namespace {

constexpr int kUndefinedClsid = 22103;
constexpr const char* kClsidRoot = "HKEY_CLASSES_ROOT\\CLSID\\";

// Server patterns in the order they are handled, with the context the installer spells.
struct ServerPattern {
  const char* pattern;
  const char* context;
};
constexpr ServerPattern kServerPatterns[] = {
    {"HKEY_CLASSES_ROOT\\CLSID\\\\InProcServer32", "InprocServer32"},
    {"HKEY_CLASSES_ROOT\\CLSID\\\\InProcServer", "InprocServer"},
    {"HKEY_CLASSES_ROOT\\CLSID\\\\LocalServer32", "LocalServer32"},
    {"HKEY_CLASSES_ROOT\\CLSID\\\\LocalServer", "LocalServer"},
};

// The handlers the Class table can express: the standard OLE handler DLLs.
bool IsStandardHandler(const std::string& file, const char* name) {
  std::string plain = platform::Trim(file);
  const size_t separator = platform::FindLastCharacter(plain, '\\');
  if (separator != std::string::npos) plain.erase(0, separator + 1);
  return platform::EqualsNoCase(plain, name);
}

}  // namespace

void SplitServerCommand(const std::string& command, std::string& path, std::string& arguments) {
  std::string text = platform::Trim(command);
  capture::StripShortMarker(text);
  arguments.clear();
  if (!text.empty() && text.front() == '"') {
    const size_t close = text.find('"', 1);
    path = text.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    if (close != std::string::npos) arguments = platform::Trim(text.substr(close + 1));
    return;
  }
  const size_t exe = platform::ToLower(text).find(".exe ");
  if (exe == std::string::npos) {
    path = text;
    return;
  }
  path = text.substr(0, exe + 4);
  arguments = platform::Trim(text.substr(exe + 5));
}

KeyPosition ComClassMapper::MapRegistry(KeyPosition start) {
  for (const ServerPattern& server : kServerPatterns) {
    const KeyPattern pattern(server.pattern);
    pattern.ForEach(Keys(), start, [&](capture::RegKey& key, const Captures& captures) {
      core::TestCancel();
      MapServer(start, key, captures[0], server.context);
    });
  }
  MapInterfaces(start);
  return start;
}

void ComClassMapper::MapServer(KeyPosition start, capture::RegKey& key, const std::string& clsid,
                               const std::string& context) {
  std::string command;
  if (!GetValueData(start, key.FullPath(), "@", command, false) || command.empty()) return;
  std::string path, arguments;
  SplitServerCommand(command, path, arguments);
  if (path.empty()) return;

  const ComponentRef component = ComponentOfFile(path);
  if (!component) {
    if (ComMapping() && reportedServers_.insert(clsid + "|" + path).second)
      core::LogMessage(core::kWarning, core::FormatString(kUndefinedClsid, clsid.c_str(), path.c_str(),
                                                          clsid.c_str(), path.c_str()));
    return;
  }
  MarkMapped(key.FullPath(), "@");
  capture::SetComponentFor(clsid, component);
  key.SetComponent(component);
  GiveComponentToRegistration(kClsidRoot + clsid, component);

  ComClassRecord& record = RecordFor(start, clsid, component);
  record.servers.push_back({context, arguments, component});
  core::LogTrace(core::kTraceGeneral, "Found CLSID: guid='%s' component='%s' filename='%s'",
                 clsid.c_str(), ComponentName(component).c_str(), path.c_str());
}

ComClassRecord& ComClassMapper::RecordFor(KeyPosition start, const std::string& clsid,
                                          const ComponentRef& component) {
  auto [found, created] = classes_.try_emplace(clsid);
  ComClassRecord& record = found->second;
  if (!created) return record;
  record.clsid = clsid;
  const std::string clsidKey = kClsidRoot + clsid;
  GetValueData(start, clsidKey, "@", record.description, true);
  if (GetValueData(start, clsidKey + "\\ProgID", "@", record.progId, true) && !record.progId.empty())
    capture::SetClsidProgId(clsid, record.progId);
  ReadAppId(start, record, clsidKey, component);
  ReadHandlers(start, record, clsidKey);
  ReadDefaultIcon(start, record, clsidKey);
  return record;
}

void ComClassMapper::ReadAppId(KeyPosition start, ComClassRecord& record, const std::string& clsidKey,
                               const ComponentRef& component) {
  std::string appId;
  if (!GetValueData(start, clsidKey, "AppID", appId, false) || !capture::IsBracedGuid(appId)) return;
  record.appId = appId;
  MarkMapped(clsidKey, "AppID");
  capture::SetComponentFor(appId, component);
}

// The flags are only read here; the values are marked when a LocalServer row carries them, the
// only rows whose column can express them.
void ComClassMapper::ReadHandlers(KeyPosition start, ComClassRecord& record, const std::string& clsidKey) {
  std::string handler;
  if (GetValueData(start, clsidKey + "\\InProcHandler", "@", handler, false) &&
      IsStandardHandler(handler, "ole2.dll"))
    record.handlerFlags |= 1;
  if (GetValueData(start, clsidKey + "\\InProcHandler32", "@", handler, false) &&
      IsStandardHandler(handler, "ole32.dll"))
    record.handlerFlags |= 2;
}

// The icon must be a captured file that holds an icon of that index. Only Class rows use it.
void ComClassMapper::ReadDefaultIcon(KeyPosition start, ComClassRecord& record, const std::string& clsidKey) {
  std::string value;
  if (!ComMapping() || !GetValueData(start, clsidKey + "\\DefaultIcon", "@", value, false) || value.empty()) return;
  std::string file;
  int32_t index = 0;
  SplitIconValue(value, file, index);
  const std::string sourcePath = SourcePathOfFile(file);
  if (sourcePath.empty()) return;
  const std::optional<int> icons = platform::CountIcons(capture::HostPathOfSource(sourcePath));
  const int64_t wanted = index < 0 ? -static_cast<int64_t>(index) : index;
  if (!icons || *icons <= wanted) return;
  record.iconKey = content_.iconKey(sourcePath, index);
  record.iconIndex = index;
  MarkMapped(clsidKey + "\\DefaultIcon", "@");
}

// Interfaces stay in the Registry table, in the component of their proxy/stub class.
void ComClassMapper::MapInterfaces(KeyPosition start) {
  const KeyPattern pattern("HKEY_CLASSES_ROOT\\Interface\\\\ProxyStubClsid32");
  pattern.ForEach(Keys(), start, [&](capture::RegKey& key, const Captures& captures) {
    core::TestCancel();
    std::string clsid;
    if (!GetValueData(start, key.FullPath(), "@", clsid, false)) return;
    const ComponentRef component = capture::GetComponentFor(clsid);
    if (!component) return;
    key.SetComponent(component);
    GiveComponentToRegistration("HKEY_CLASSES_ROOT\\Interface\\" + captures[0], component);
  });
}

void ComClassMapper::WriteClassTable() {
  if (!ComMapping()) return;
  for (const auto& [clsid, record] : classes_) {
    const std::string clsidKey = kClsidRoot + clsid;
    for (const ComServerEntry& server : record.servers) {
      core::TestCancel();
      const bool localServer = server.context.starts_with("LocalServer");
      project::MSIRecord row(project_, "Class");
      row.SetField(1, platform::ToUpper(clsid));
      row.SetField(2, server.context);
      row.SetField(3, ComponentName(server.component));
      if (!record.progId.empty()) row.SetField(4, record.progId);
      if (!record.description.empty()) row.SetField(5, record.description);
      if (!record.appId.empty()) row.SetField(6, platform::ToUpper(record.appId));
      if (!record.iconKey.empty()) {
        row.SetField(8, record.iconKey);
        row.SetField(9, record.iconIndex);
      }
      if (record.handlerFlags != 0 && localServer) {
        row.SetField(10, std::to_string(record.handlerFlags));
        if (record.handlerFlags & 1) MarkMapped(clsidKey + "\\InProcHandler", "@");
        if (record.handlerFlags & 2) MarkMapped(clsidKey + "\\InProcHandler32", "@");
      }
      if (!server.arguments.empty()) row.SetField(11, server.arguments);
      row.SetField(12, FeatureOfComponent(project_, server.component));
    }
  }
}

}  // namespace mappers
