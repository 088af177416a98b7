// QvAppSvc.dll: the suite services. The blank template lies beside this library; the DLL
// wrapper that custom actions use is recorded in the attached project (QvDllWrapper), and the
// build carries it into the package.
#include <string>

#include "com_object.h"
#include "qv/appsvc.h"
#include "qv/project_tables.h"
#include "temp_file.h"

namespace qv::engine {

namespace {

void Anchor() {}

class AppServices : public ComObject<IAppServices> {
 public:
  HResult GetTemplateFolder(std::string* folder) override {
    if (!folder) return kPointer;
    *folder = LibraryFolder(reinterpret_cast<const void*>(&Anchor));
    return folder->empty() ? kFail : kOk;
  }
  HResult AttachProject(IProject* project) override {
    project_ = ComPtr<IProject>(project);
    return kOk;
  }
  HResult AddDllWrapper(const std::string& name) override {
    if (!project_) return kNotOpen;
    if (name.empty()) return kInvalidArg;
    ComPtr<IDatabase> database;
    HResult hr = project_.As(IID_IDatabase, &database);
    if (Failed(hr)) return hr;
    ComPtr<ITableCollection> tables;
    hr = database->GetTables(tables.Put());
    if (Failed(hr)) return hr;
    ComPtr<ITable> table;
    std::string filter = std::string("Name ='") + kDllWrapperTable + "'";
    hr = tables->Find(filter, table.Put());
    if (Failed(hr)) return hr;
    if (!table) return kNotFound;
    ComPtr<IRow> existing;
    if (table->FindRow({Variant::Text(name)}, existing.Put()) == kOk) return kFalse;  // already recorded
    ComPtr<IRow> row;
    hr = table->AddRow(row.Put());
    if (Failed(hr)) return hr;
    ComPtr<IFieldCollection> fields;
    hr = row->GetFields(fields.Put());
    if (Failed(hr)) return hr;
    ComPtr<IField> field;
    hr = fields->Item(1, field.Put());
    if (Failed(hr)) return hr;
    hr = field->SetValue(Variant::Text(name));
    if (Failed(hr)) return hr;
    return row->Commit(0);
  }

 private:
  ComPtr<IProject> project_;
};

}  // namespace
}  // namespace qv::engine

QV_EXPORT_CLASS_OBJECT(qv::CLSID_AppServices, qv::engine::AppServices)
