// QvMMCat.dll: the merge module catalog. It indexes the merge modules (.msm) of its search
// path's folders and finds the module that carries a file by the file's name, language and
// version, or also by the folder it is installed to. The index is kept in the user's cache
// folder (index_cache.h).
#include <string>
#include <vector>

#include "com_object.h"
#include "index_cache.h"
#include "module_index.h"
#include "qv/mmcat.h"
#include "qv/project_tables.h"
#include "temp_file.h"

namespace qv::engine {
namespace {

void Anchor() {}

class MergeModule : public ComObject<IMergeModule> {
 public:
  explicit MergeModule(const ModuleEntry& entry) : entry_(entry) {
    name_ = entry.path.substr(entry.path.find_last_of("/\\") + 1);
  }

  HResult GetName(std::string* name) override {
    if (!name) return kPointer;
    *name = name_;
    return kOk;
  }

  HResult AddToProject(IProject* project, const std::string& feature) override {
    if (!project) return kPointer;
    if (feature.empty()) return kInvalidArg;
    ComPtr<IDatabase> database;
    HResult hr = ComPtr<IProject>(project).As(IID_IDatabase, &database);
    if (Failed(hr)) return hr;
    ComPtr<ITableCollection> tables;
    hr = database->GetTables(tables.Put());
    if (Failed(hr)) return hr;
    ComPtr<ITable> table;
    hr = tables->Find(std::string("Name ='") + kMergeModuleTable + "'", table.Put());
    if (Failed(hr)) return hr;
    if (!table) return kNotFound;
    ComPtr<IRow> existing;
    if (table->FindRow({Variant::Text(name_), Variant::Text(feature)}, existing.Put()) == kOk) return kFalse;
    ComPtr<IRow> row;
    hr = table->AddRow(row.Put());
    if (Failed(hr)) return hr;
    ComPtr<IFieldCollection> fields;
    hr = row->GetFields(fields.Put());
    if (Failed(hr)) return hr;
    const std::string values[] = {name_, feature, entry_.path, entry_.language, entry_.version};
    for (int32_t column = 1; column <= 5; ++column) {
      ComPtr<IField> field;
      hr = fields->Item(column, field.Put());
      if (Failed(hr)) return hr;
      hr = field->SetValue(Variant::Text(values[column - 1]));
      if (Failed(hr)) return hr;
    }
    return row->Commit(0);
  }

 private:
  ModuleEntry entry_;
  std::string name_;
};

class MergeModuleCatalog : public ComObject<IMergeModuleCatalog> {
 public:
  HResult SetSearchPath(const std::string& folders) override {
    std::vector<std::string> list;
    size_t start = 0;
    while (start <= folders.size()) {
      size_t comma = folders.find(',', start);
      if (comma == std::string::npos) comma = folders.size();
      std::string folder = folders.substr(start, comma - start);
      const size_t first = folder.find_first_not_of(" \t");
      const size_t last = folder.find_last_not_of(" \t");
      if (first != std::string::npos) list.push_back(folder.substr(first, last - first + 1));
      start = comma + 1;
    }
    Index(list);
    return kOk;
  }

  HResult FindByFile(const std::string& fileName, const std::string& language, const std::string& version,
                     IMergeModule** module) override {
    FileQuery query{fileName, language, version, false, {}};
    return Find(query, module);
  }

  // path: the captured file's folder and name; the module must install the file into a folder
  // whose standard folder and subfolders end the captured folder.
  HResult FindByPathVersion(const std::string& path, const std::string& language, const std::string& version,
                            IMergeModule** module) override {
    // "[SystemFolder]fernrt.dll" names its folder too.
    const size_t separator = path.find_last_of("/\\]");
    FileQuery query;
    query.name = separator == std::string::npos ? path : path.substr(separator + 1);
    query.folder = separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
    query.language = language;
    query.version = version;
    query.matchFolder = true;
    return Find(query, module);
  }

  HResult GetProblems(std::vector<std::string>* problems) override {
    if (!problems) return kPointer;
    *problems = index_.Problems();
    return kOk;
  }

 private:
  void Index(const std::vector<std::string>& folders) {
    index_.Build(folders, DefaultIndexCachePath());
    indexed_ = true;
  }

  HResult Find(const FileQuery& query, IMergeModule** module) {
    if (!module) return kPointer;
    *module = nullptr;
    if (query.name.empty()) return kInvalidArg;
    // Without a search path: the folder "MergeModules" beside the engine libraries.
    if (!indexed_) Index({LibraryFolder(reinterpret_cast<const void*>(&Anchor)) + "MergeModules"});
    const ModuleEntry* entry = index_.Find(query);
    if (!entry) return kFalse;
    return HandOver(New<MergeModule>(*entry), module);
  }

  ModuleIndex index_;
  bool indexed_ = false;
};

}  // namespace
}  // namespace qv::engine

QV_EXPORT_CLASS_OBJECT(qv::CLSID_MergeModuleCatalog, qv::engine::MergeModuleCatalog)
