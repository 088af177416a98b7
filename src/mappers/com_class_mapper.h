// COM classes: the server registrations of HKEY_CLASSES_ROOT\CLSID\{...} (InProcServer32 and
// its kin) whose server file is a captured file become rows of the Class table in the server's
// component, with the class's description, ProgID, AppID, default icon and handler; the
// interfaces whose proxy/stub class has a server move into that server's component.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "mappers/registry_mapper.h"
#include "platform/text.h"

namespace mappers {

struct ComServerEntry {
  std::string context;    // the installer's spelling: "InprocServer32", "LocalServer32", ...
  std::string arguments;  // of a LocalServer command line
  ComponentRef component;
};

// One per CLSID, made on the first server key of the class.
struct ComClassRecord {
  std::string clsid;
  std::string progId;       // default value of CLSID\{X}\ProgID
  std::string description;  // default value of CLSID\{X}
  std::string appId;        // value "AppID" of CLSID\{X}, when it is a braced GUID
  std::string iconKey;      // Icon row of CLSID\{X}\DefaultIcon
  int32_t iconIndex = 0;
  uint32_t handlerFlags = 0;  // bit 0: InProcHandler (16-bit OLE), bit 1: InProcHandler32
  std::vector<ComServerEntry> servers;
};

using ComClassMap = std::map<std::string, ComClassRecord, platform::LessNoCase>;

class ComClassMapper : public RegistryMapper {
 public:
  using RegistryMapper::RegistryMapper;

  KeyPosition MapRegistry(KeyPosition start) override;
  // One Class row per class and server context (only while the COM mapping switch is on).
  void WriteClassTable();

  const ComClassMap& Classes() const { return classes_; }

 private:
  void MapServer(KeyPosition start, capture::RegKey& key, const std::string& clsid, const std::string& context);
  ComClassRecord& RecordFor(KeyPosition start, const std::string& clsid, const ComponentRef& component);
  void ReadAppId(KeyPosition start, ComClassRecord& record, const std::string& clsidKey,
                 const ComponentRef& component);
  void ReadHandlers(KeyPosition start, ComClassRecord& record, const std::string& clsidKey);
  void ReadDefaultIcon(KeyPosition start, ComClassRecord& record, const std::string& clsidKey);
  void MapInterfaces(KeyPosition start);

  ComClassMap classes_;
  std::set<std::string, platform::LessNoCase> reportedServers_;  // "CLSID|path" warned about
};

// A server command line split into the server file and its arguments: a quoted path ends at its
// closing quote, an unquoted one after ".exe" followed by a blank; "_Short(...)" is removed.
void SplitServerCommand(const std::string& command, std::string& path, std::string& arguments);

}  // namespace mappers
