#include "package_compiler.h"

#include <sys/stat.h>

#include <cctype>
#include <map>
#include <set>

#include "file_hash.h"
#include "platform/codepage.h"
#include "platform/file_version.h"
#include "platform/host_paths.h"
#include "platform/text.h"
#include "qv/project_tables.h"
#include "table_access.h"

namespace builder {
namespace {

// Columns of the installer tables (1-based, in schema order).
namespace file_column {
constexpr int kFile = 1, kComponent = 2, kFileName = 3, kFileSize = 4, kVersion = 5, kLanguage = 6,
              kAttributes = 7, kSequence = 8;
}
constexpr int32_t kAttributeNoncompressed = 0x2000;
constexpr int32_t kAttributeCompressed = 0x4000;
constexpr int32_t kComponent64Bit = 0x100;
constexpr int32_t kRegistryRootLocalMachine = 2;
// Custom action types that call a DLL function through the DLL wrapper.
constexpr int32_t kWrapperActionType = 131072;
constexpr int32_t kWrapperSystemActionType = 131104;
const char* const kSequenceTables[] = {"InstallExecuteSequence", "InstallUISequence", "AdvtExecuteSequence",
                                       "AdminExecuteSequence", "AdminUISequence"};

std::map<std::string, std::string> ReadKeyValueTable(qv::IDatabase* db, const char* table) {
  std::map<std::string, std::string> values;
  ForEachRow(FindTable(db, table).Get(), [&](qv::IRow*, const RowValues& row) {
    if (row.size() >= 2) values[Text(row[0])] = Text(row[1]);
    return true;
  });
  return values;
}

// A source path of the project as a host path: "<SOURCEFILEPATH>\" resolved against the
// property, backslashes and letter case resolved on the host.
std::string HostPathOf(const std::string& sourcePath, const std::string& sourceFilePath) {
  std::string path = sourcePath;
  if (platform::StartsWithNoCase(path, qv::kSourceFilePathPrefix)) {
    std::string base = sourceFilePath;
    if (!base.empty() && !platform::IsSeparator(base.back())) base += '/';
    path = base + path.substr(std::string(qv::kSourceFilePathPrefix).size());
  }
  std::string resolved = platform::ResolveHostPath(path);
  if (!platform::FileExists(resolved)) {
    // Captured names may be stored on disk in the capture's code page.
    const std::string ansi = platform::ResolveHostPath(platform::Utf8ToAnsi(path));
    if (platform::FileExists(ansi)) return ansi;
  }
  return resolved;
}

std::string Where(const std::string& table, const std::string& key, const std::string& column) {
  return "Table '" + table + "', row '" + key + "', column '" + column + "'";
}

void LeaveOutWrapperActions(qv::IDatabase* db, BuildMessages& messages) {
  auto actions = FindTable(db, "CustomAction");
  std::vector<std::string> leftOut;
  ForEachRow(actions.Get(), [&](qv::IRow*, const RowValues& row) {
    const int32_t type = row.size() > 1 ? Integer(row[1]) : 0;
    if (type == kWrapperActionType || type == kWrapperSystemActionType) leftOut.push_back(Text(row[0]));
    return true;
  });
  for (const std::string& action : leftOut) {
    messages.Warning("Custom action '" + action +
                     "' calls a DLL function through the DLL wrapper, which this build does not provide; "
                     "the action is left out of the package.");
    DeleteRow(actions.Get(), {qv::Variant::Text(action)});
    for (const char* sequence : kSequenceTables)
      if (auto table = FindTable(db, sequence)) DeleteRow(table.Get(), {qv::Variant::Text(action)});
  }
}

struct ComponentInfo {
  std::string directory;
  int32_t attributes = 0;
};

// The App Paths key of each application path, in the component that owns the executable.
void WriteAppPaths(qv::IDatabase* db, const std::map<std::string, ComponentInfo>& components,
                   const std::multimap<std::string, std::pair<std::string, std::string>>& filesByComponent,
                   BuildMessages& messages) {
  auto appPaths = ReadAllRows(FindTable(db, qv::kAppPathTable).Get());
  if (appPaths.empty()) return;
  auto registry = FindTable(db, "Registry");
  if (!registry) {
    messages.Error("The project has application paths but no Registry table.");
    return;
  }
  for (const RowValues& row : appPaths) {
    const std::string component = Text(row[0]), executable = Text(row[1]);
    const std::string searchPath = row.size() > 2 ? Text(row[2]) : "";
    auto owner = components.find(component);
    if (owner == components.end()) {
      messages.Error(Where(qv::kAppPathTable, component + ";" + executable, "Component_") + ": '" + component +
                     "' refers to no row of table 'Component'.");
      continue;
    }
    // The executable's file in that component, by its long name; else the component's folder.
    std::string target = "[" + owner->second.directory + "]" + executable;
    auto [first, last] = filesByComponent.equal_range(component);
    for (auto it = first; it != last; ++it) {
      const std::string& fileName = it->second.second;
      const size_t bar = fileName.find('|');
      const std::string longName = bar == std::string::npos ? fileName : fileName.substr(bar + 1);
      if (platform::EqualsNoCase(longName, executable)) target = "[#" + it->second.first + "]";
    }
    const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + executable;
    const std::string rowKey = "AppPath_" + component + "_" + executable;
    AddRow(registry.Get(), {qv::Variant::Text(rowKey.substr(0, 72)), qv::Variant::Int(kRegistryRootLocalMachine),
                            qv::Variant::Text(key), qv::Variant::Null(), qv::Variant::Text(target),
                            qv::Variant::Text(component)});
    if (!searchPath.empty())
      AddRow(registry.Get(), {qv::Variant::Text((rowKey + "_Path").substr(0, 72)),
                              qv::Variant::Int(kRegistryRootLocalMachine), qv::Variant::Text(key),
                              qv::Variant::Text("Path"), qv::Variant::Text(searchPath), qv::Variant::Text(component)});
  }
}

void WriteMediaRows(qv::IDatabase* db, const CompiledPackage& package, bool compressed, BuildMessages& messages) {
  auto media = FindTable(db, "Media");
  if (!media) {
    messages.Error("The project has no Media table.");
    return;
  }
  for (const RowValues& row : ReadAllRows(media.Get())) DeleteRow(media.Get(), {row[0]});
  if (!compressed || package.files.empty()) {
    AddRow(media.Get(), {qv::Variant::Int(1), qv::Variant::Int(int32_t(package.files.size()))});
    return;
  }
  for (size_t i = 0; i < package.cabinetEnds.size(); ++i) {
    AddRow(media.Get(), {qv::Variant::Int(int32_t(i + 1)), qv::Variant::Int(int32_t(package.cabinetEnds[i])),
                         qv::Variant::Null(), qv::Variant::Text("#" + CabinetStreamName(i + 1))});
  }
}

}  // namespace

std::string CabinetStreamName(size_t number) { return "Data" + std::to_string(number) + ".cab"; }

void CompilePackage(qv::IDatabase* db, const CompileSettings& settings, BuildMessages& messages,
                    CompiledPackage* package) {
  for (const std::string& name : TableNames(db))
    if (name.rfind(qv::kProjectTablePrefix, 0) == 0) package->projectTables.push_back(name);

  const auto properties = ReadKeyValueTable(db, "Property");
  auto property = [&](const char* name) {
    auto it = properties.find(name);
    return it == properties.end() ? std::string() : it->second;
  };
  package->productName = property("ProductName");
  package->manufacturer = property("Manufacturer");
  package->language = Integer(qv::Variant::Text(property("ProductLanguage")), 1033);
  const std::string sourceFilePath = property("SOURCEFILEPATH");
  const auto sources = ReadKeyValueTable(db, qv::kFileSourceTable);

  std::map<std::string, ComponentInfo> components;
  ForEachRow(FindTable(db, "Component").Get(), [&](qv::IRow*, const RowValues& row) {
    if (row.size() >= 4) {
      ComponentInfo& info = components[Text(row[0])];
      info.directory = Text(row[2]);
      info.attributes = Integer(row[3]);
      if (info.attributes & kComponent64Bit) package->is64Bit = true;
    }
    return true;
  });

  LeaveOutWrapperActions(db, messages);

  // Files: sequence in key order, size, version and language, or a hash.
  struct Hash {
    std::string key;
    FileHashParts parts;
  };
  std::vector<Hash> hashes;
  std::multimap<std::string, std::pair<std::string, std::string>> filesByComponent;
  auto files = FindTable(db, "File");
  ForEachRow(files.Get(), [&](qv::IRow* row, const RowValues& values) {
    if (values.size() < file_column::kSequence) return false;
    PackageFile file;
    file.key = Text(values[file_column::kFile - 1]);
    const std::string component = Text(values[file_column::kComponent - 1]);
    file.fileName = Text(values[file_column::kFileName - 1]);
    filesByComponent.emplace(component, std::make_pair(file.key, file.fileName));
    if (auto owner = components.find(component); owner != components.end()) file.directory = owner->second.directory;

    auto source = sources.find(file.key);
    if (source == sources.end() || source->second.empty()) {
      messages.Error(Where("File", file.key, "FileName") + ": the project names no source file for '" +
                     file.fileName + "'.");
      return true;
    }
    file.hostPath = HostPathOf(source->second, sourceFilePath);
    struct stat info {};
    if (stat(file.hostPath.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
      messages.Error(Where("File", file.key, "FileName") + ": the source file '" + source->second +
                     "' was not found (looked for " + file.hostPath + ").");
      return true;
    }
    file.size = uint64_t(info.st_size);
    if (file.size > uint64_t(INT32_MAX) || (settings.compressed && file.size > settings.cabinetLimits.maxBytes)) {
      messages.Error(Where("File", file.key, "FileSize") + ": the file '" + file.hostPath +
                     "' is too large for a package.");
      return true;
    }

    std::vector<std::pair<int, qv::Variant>> changes;
    platform::FileVersionInfo version;
    const platform::VersionStatus status = platform::ReadFileVersionInfo(file.hostPath, &version);
    if (status == platform::VersionStatus::kFound) {
      changes.emplace_back(file_column::kVersion, qv::Variant::Text(version.VersionText()));
      changes.emplace_back(file_column::kLanguage, version.language ? qv::Variant::Text(std::to_string(*version.language))
                                                                    : qv::Variant::Null());
    } else {
      if (status == platform::VersionStatus::kNotLoadable)
        messages.Warning("The version resource of '" + file.hostPath + "' is damaged; the file is treated as unversioned.");
      // A companion file keeps the File key in its Version column.
      const std::string existing = Text(values[file_column::kVersion - 1]);
      if (existing.empty() || std::isdigit(static_cast<unsigned char>(existing[0]))) {
        changes.emplace_back(file_column::kVersion, qv::Variant::Null());
        changes.emplace_back(file_column::kLanguage, qv::Variant::Null());
      }
      Hash hash{file.key, {}};
      if (!ComputeFileHash(file.hostPath, &hash.parts)) {
        messages.Error(Where("File", file.key, "FileName") + ": the source file '" + file.hostPath + "' cannot be read.");
        return true;
      }
      hashes.push_back(hash);
    }
    const int32_t attributes =
        Integer(values[file_column::kAttributes - 1]) & ~(kAttributeCompressed | kAttributeNoncompressed);
    package->files.push_back(file);
    changes.emplace_back(file_column::kFileSize, qv::Variant::Int(int32_t(file.size)));
    changes.emplace_back(file_column::kAttributes, qv::Variant::Int(attributes));
    changes.emplace_back(file_column::kSequence, qv::Variant::Int(int32_t(package->files.size())));
    if (qv::Failed(UpdateRow(row, changes)))
      messages.Error(Where("File", file.key, "Sequence") + ": the row cannot be updated.");
    return true;
  });

  if (!hashes.empty()) {
    auto hashTable = FindTable(db, "MsiFileHash");
    if (!hashTable) {
      messages.Error("The project has no MsiFileHash table for the hashes of its unversioned files.");
    } else {
      for (const Hash& hash : hashes) {
        DeleteRow(hashTable.Get(), {qv::Variant::Text(hash.key)});
        const qv::HResult hr = AddRow(hashTable.Get(), {qv::Variant::Text(hash.key), qv::Variant::Int(0),
                                                         qv::Variant::Int(hash.parts[0]), qv::Variant::Int(hash.parts[1]),
                                                         qv::Variant::Int(hash.parts[2]), qv::Variant::Int(hash.parts[3])});
        if (qv::Failed(hr)) messages.Error(Where("MsiFileHash", hash.key, "File_") + ": the row cannot be written.");
      }
    }
  }

  std::vector<CabinetFile> cabinetFiles;
  for (const PackageFile& f : package->files) cabinetFiles.push_back({f.key, f.hostPath, f.size});
  if (settings.compressed) package->cabinetEnds = SplitIntoCabinets(cabinetFiles, settings.cabinetLimits);
  WriteMediaRows(db, *package, settings.compressed, messages);
  WriteAppPaths(db, components, filesByComponent, messages);
}

}  // namespace builder
