// File extensions and MIME types: an extension key under HKEY_CLASSES_ROOT (".vbs") gets the
// component of its shell command's program, of its ProgID or of its class, and becomes a row of
// the Extension table; content types of extensions and of the MIME database become MIME rows.
#pragma once

#include <map>
#include <string>

#include "mappers/registry_mapper.h"
#include "platform/text.h"

namespace mappers {

struct ExtensionRecord {
  std::string progId;       // the extension key's default value
  std::string contentType;  // its value "Content Type"
  ComponentRef component;
};

struct MimeRecord {
  std::string extension;  // without the leading "."
  std::string clsid;
  std::string databaseKey;        // the captured MIME database key, when there is one
  std::string databaseExtension;  // the extension that key names
};

class ExtensionMapper : public RegistryMapper {
 public:
  using RegistryMapper::RegistryMapper;

  // Decides the component of every extension key; writes the Extension and MIME tables while
  // the COM mapping switch is on.
  KeyPosition MapRegistry(KeyPosition start) override;

  // The record of an extension (without "."), or null when it has no component.
  const ExtensionRecord* Find(const std::string& extension) const;

 private:
  void MapExtension(KeyPosition start, capture::RegKey& key, const std::string& name);
  ComponentRef ComponentOfVerbCommand(KeyPosition start, const std::string& name, bool* decided);
  ComponentRef ComponentOfProgId(const std::string& name, const std::string& progId, bool* decided);
  void ReadMimeDatabase(KeyPosition start);
  void WriteExtensionTable();
  void WriteMimeTable();

  // Extensions without ".", with a component.
  std::map<std::string, ExtensionRecord, platform::LessNoCase> extensions_;
  std::map<std::string, MimeRecord, platform::LessNoCase> mimeTypes_;
};

}  // namespace mappers
